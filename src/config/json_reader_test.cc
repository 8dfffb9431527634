#include "config/json_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace marlox {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kPrefix = "invalid Marlox mount config at byte ";

JsonCursor Open(std::string_view bytes) {
  return OpenJsonCursor(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// The message of the configuration error that `run` raises, or "no error".
std::string ErrorOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no error";
}

// An object without members: enough framing to reach the document-level positions
// (byte-order mark, whitespace, trailing content) with the reader's own operations.
void ReadEmptyDocument(std::string_view bytes) {
  JsonCursor cursor = Open(bytes);
  SkipJsonWhitespace(cursor);
  ExpectJsonByte(cursor, '{');
  SkipJsonWhitespace(cursor);
  ExpectJsonByte(cursor, '}');
  SkipJsonWhitespace(cursor);
  if (PeekJsonByte(cursor) != -1) RaiseConfigError(cursor, "trailing content");
}

TEST(JsonReader, DocumentPositionsCountFromTheFirstByteOfTheFile) {
  const struct {
    std::string_view input, error;  // error is empty when the document is accepted
  } cases[] = {
      {"{}", ""},
      {" \t\r\n{ \n}\r\n  \t", ""},
      {"\xEF\xBB\xBF{}", ""},
      {"", "0: unexpected JSON token"},
      {"  \n\t", "4: unexpected JSON token"},
      {"\xEF\xBB\xBF", "3: unexpected JSON token"},
      {"\xEF\xBB\xBF{}x", "5: trailing content"},
      {"{} x", "3: trailing content"},
      {"{},{}", "2: trailing content"},
      // Only the UTF-8 mark is recognised, and only whole.
      {"\xFF\xFE{}", "0: unexpected JSON token"},
      {"\xEF\xBB{}", "0: unexpected JSON token"},
      {std::string_view("\xEF\xBB\xBF", 2), "0: unexpected JSON token"},
      {"\xEF\xBB\xBF\xEF\xBB\xBF{}", "3: unexpected JSON token"},
      {"\f{}", "0: unexpected JSON token"},
      {"{", "1: unexpected JSON token"},
  };
  for (const auto& c : cases) {
    const std::string expected =
        c.error.empty() ? "no error" : std::string(kPrefix) + std::string(c.error);
    EXPECT_EQ(ErrorOf([&] { ReadEmptyDocument(c.input); }), expected) << c.input;
  }
}

TEST(JsonReader, WhitespaceIsExactlySpaceTabLineFeedAndCarriageReturn) {
  const struct {
    std::string_view input;
    std::uint64_t stop;
  } cases[] = {
      {"", 0},   {" \t\r\nx", 4}, {"   ", 3},    {"\f", 0},
      {"\v", 0}, {"\xC2\xA0", 0}, {" /* */", 1}, {"\t\x00"sv, 1},
  };
  for (const auto& c : cases) {
    JsonCursor cursor = Open(c.input);
    SkipJsonWhitespace(cursor);
    EXPECT_EQ(cursor.position, c.stop) << c.input;
  }
}

TEST(JsonReader, PeekGivesTheByteUnsignedAndMinusOneAtTheEnd) {
  EXPECT_EQ(PeekJsonByte(Open("")), -1);
  EXPECT_EQ(PeekJsonByte(Open("{")), '{');
  EXPECT_EQ(PeekJsonByte(Open("\xFF")), 0xFF);
  JsonCursor cursor = Open("\xEF\xBB\xBF");
  EXPECT_EQ(PeekJsonByte(cursor), -1);
}

TEST(JsonReader, StringsDecodeToUtf16) {
  const struct {
    std::string_view input;
    std::u16string_view decoded;
  } cases[] = {
      {R"("")", u""},
      {R"("plain text")", u"plain text"},
      {R"("a\/b")", u"a/b"},
      {R"("\"\\\/\b\f\n\r\t")", u"\"\\/\b\f\n\r\t"},
      {R"("n\u0061me")", u"name"},
      {R"("\u00e9")", u"\u00e9"},
      {"\"\xC3\xA9\"", u"\u00e9"},
      {R"("\u00E9\u00c9")", u"\u00e9\u00c9"},
      {R"("\uD83D\uDE00")", u"\U0001F600"},
      {R"("\ud83d\ude00")", u"\U0001F600"},
      {"\"\xF0\x9F\x98\x80\"", u"\U0001F600"},
      {R"("a\u0000b")", u"a\0b"sv},
      {"\"\x7F\"", u"\x7F"},
      {R"("\uFFFF")", u"\xFFFF"},
      // Each sequence length at its smallest and largest value.
      {"\"\xC2\x80\xDF\xBF\"", u"\u0080\u07FF"},
      {"\"\xE0\xA0\x80\xEF\xBF\xBF\"", u"\u0800\xFFFF"},
      {"\"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\"", u"\U00010000\U0010FFFF"},
      // Right next to the surrogate range.
      {"\"\xED\x9F\xBF\xEE\x80\x80\"", u"\uD7FF\uE000"},
  };
  for (const auto& c : cases) {
    JsonCursor cursor = Open(c.input);
    std::u16string decoded;
    EXPECT_EQ(ErrorOf([&] { decoded = ReadJsonString(cursor); }), "no error") << c.input;
    EXPECT_EQ(decoded, c.decoded) << c.input;
    EXPECT_EQ(cursor.position, c.input.size()) << c.input;
  }
}

TEST(JsonReader, StringReadingStopsJustPastTheClosingQuote) {
  JsonCursor cursor = Open(R"(  "a\"b" , "c")");
  SkipJsonWhitespace(cursor);
  EXPECT_EQ(ReadJsonString(cursor), u"a\"b");
  EXPECT_EQ(cursor.position, 8u);
  EXPECT_EQ(PeekJsonByte(cursor), ' ');
}

TEST(JsonReader, StringFaultsReportTheirDetailAndPosition) {
  const struct {
    std::string_view input, error;
  } cases[] = {
      {"", "0: unexpected JSON token"},
      {"abc", "0: unexpected JSON token"},
      {"}", "0: unexpected JSON token"},
      {"'a'", "0: unexpected JSON token"},
      {"\"", "1: unterminated string"},
      {"\"abc", "4: unterminated string"},
      {"\"a\x00\""sv, "3: unescaped control character"},
      {"\"ab\x1F\"", "4: unescaped control character"},
      {"\"\n\"", "2: unescaped control character"},
      {"\"a\\", "3: incomplete string escape"},
      {R"("\x")", "3: invalid string escape"},
      {R"("\U00e9")", "3: invalid string escape"},
      {R"("\')", "3: invalid string escape"},
      {R"("\u12")", "3: incomplete Unicode escape"},
      {R"("\u12G4")", "6: invalid Unicode escape"},
      {R"("\ug000")", "4: invalid Unicode escape"},
      {R"("\u-123")", "4: invalid Unicode escape"},
      {R"("\uDE00")", "7: unexpected low surrogate"},
      {R"("\uDFFF\uDC00")", "7: unexpected low surrogate"},
      {R"("\uD83Dx")", "7: high surrogate requires low surrogate"},
      {R"("\uD83D\n")", "8: high surrogate requires low surrogate"},
      {R"("\uD83D")", "7: high surrogate requires low surrogate"},
      {R"("\uD83D)", "7: high surrogate requires low surrogate"},
      {R"("\uD83D\)", "8: high surrogate requires low surrogate"},
      {R"("\uD83D\u0041")", "13: invalid low surrogate"},
      {R"("\uDBFF\uD800")", "13: invalid low surrogate"},
      {R"("\uD83D\uE000")", "13: invalid low surrogate"},
      {R"("\uD83D\u00")", "9: incomplete Unicode escape"},
      {R"("\uD83D\uDEx0")", "12: invalid Unicode escape"},
      {"\"\xC0\x80\"", "2: invalid UTF-8 sequence"},
      {"\"\xC1\xBF\"", "2: invalid UTF-8 sequence"},
      {"\"a\x80\"", "3: invalid UTF-8 sequence"},
      {"\"\xF5\x80\x80\x80\"", "2: invalid UTF-8 sequence"},
      {"\"\xFF\"", "2: invalid UTF-8 sequence"},
      {"\"\xE0\x80\x80\"", "4: overlong UTF-8 sequence"},
      {"\"\xE0\x9F\xBF\"", "4: overlong UTF-8 sequence"},
      {"\"\xF0\x8F\xBF\xBF\"", "5: overlong UTF-8 sequence"},
      {"\"\xED\xA0\x80\"", "4: invalid Unicode scalar"},
      {"\"\xED\xBF\xBF\"", "4: invalid Unicode scalar"},
      {"\"\xF4\x90\x80\x80\"", "5: invalid Unicode scalar"},
      {"\"\xE2\x28\xA1\"", "3: invalid UTF-8 continuation"},
      {"\"\xF0\x9F\x98\xC0\"", "5: invalid UTF-8 continuation"},
      {"\"\xC3\"", "3: invalid UTF-8 continuation"},
      {"\"\xC3", "2: incomplete UTF-8 sequence"},
      {"\"\xE2\x82", "3: incomplete UTF-8 sequence"},
      {"\"\xF0\x9F\x98", "4: incomplete UTF-8 sequence"},
  };
  for (const auto& c : cases) {
    JsonCursor cursor = Open(c.input);
    EXPECT_EQ(ErrorOf([&] { ReadJsonString(cursor); }), std::string(kPrefix) + std::string(c.error))
        << c.input;
  }
}

TEST(JsonReader, LongStringIsReadWhole) {
  // A megabyte of mixed one- to four-byte characters and escapes in one string.
  const std::string_view piece = "ab\xC3\xA9\xF0\x9F\x98\x80\\u00e9\\n";
  const std::u16string_view decoded_piece = u"ab\u00e9\U0001F600\u00e9\n";
  std::string input = "\"";
  std::u16string expected;
  while (input.size() < (1u << 20) - piece.size()) {
    input += piece;
    expected += decoded_piece;
  }
  input += '"';
  JsonCursor cursor = Open(input);
  const std::u16string decoded = ReadJsonString(cursor);
  EXPECT_EQ(decoded.size(), expected.size());
  EXPECT_TRUE(decoded == expected);
  EXPECT_EQ(cursor.position, input.size());
}

TEST(JsonReader, HexQuad) {
  const struct {
    std::string_view input;
    std::uint16_t value;
    std::string_view error;
  } cases[] = {
      {"0000", 0x0000, ""},
      {"00e9", 0x00E9, ""},
      {"aBcD", 0xABCD, ""},
      {"FFFF", 0xFFFF, ""},
      {"12345", 0x1234, ""},
      {"", 0, "0: incomplete Unicode escape"},
      {"123", 0, "0: incomplete Unicode escape"},
      {" 123", 0, "1: incomplete Unicode escape"},
      {"g000", 0, "1: invalid Unicode escape"},
      {"12G4", 0, "3: invalid Unicode escape"},
      {"000 ", 0, "4: invalid Unicode escape"},
  };
  for (const auto& c : cases) {
    JsonCursor cursor = Open(c.input);
    SkipJsonWhitespace(cursor);
    std::uint16_t value = 0;
    const std::string error = ErrorOf([&] { value = ReadHexQuad(cursor); });
    if (c.error.empty()) {
      EXPECT_EQ(error, "no error") << c.input;
      EXPECT_EQ(value, c.value) << c.input;
      EXPECT_EQ(cursor.position, 4u) << c.input;
    } else {
      EXPECT_EQ(error, std::string(kPrefix) + std::string(c.error)) << c.input;
    }
  }
}

TEST(JsonReader, BooleanComparesOnlyTheLiteralsOwnBytes) {
  const struct {
    std::string_view input;
    bool value;
    std::uint64_t end;
    std::string_view error;
  } cases[] = {
      {"true", true, 4, ""},
      {"false", false, 5, ""},
      {"truex", true, 4, ""},
      {"false,", false, 5, ""},
      {"  true", true, 6, ""},
      {"nul", false, 0, "0: unexpected JSON value"},
      {"null", false, 0, "0: unexpected JSON value"},
      {"tru", false, 0, "0: unexpected JSON value"},
      {"fals", false, 0, "0: unexpected JSON value"},
      {"True", false, 0, "0: unexpected JSON value"},
      {"1", false, 0, "0: unexpected JSON value"},
      {"\"true\"", false, 0, "0: unexpected JSON value"},
      {"", false, 0, "0: unexpected JSON value"},
      {"  0", false, 0, "2: unexpected JSON value"},
  };
  for (const auto& c : cases) {
    JsonCursor cursor = Open(c.input);
    SkipJsonWhitespace(cursor);
    bool value = !c.value;
    const std::string error = ErrorOf([&] { value = ReadJsonBoolean(cursor); });
    if (c.error.empty()) {
      EXPECT_EQ(error, "no error") << c.input;
      EXPECT_EQ(value, c.value) << c.input;
      EXPECT_EQ(cursor.position, c.end) << c.input;
    } else {
      EXPECT_EQ(error, std::string(kPrefix) + std::string(c.error)) << c.input;
    }
  }
}

TEST(JsonReader, VersionDigitIsTheSingleByteOne) {
  const struct {
    std::string_view input, error;
  } cases[] = {
      {"1", ""},
      {"10", ""},  // the 1 is consumed; the framing refuses the 0
      {"1.0", ""},
      {"2", "0: unexpected JSON token"},
      {"01", "0: unexpected JSON token"},
      {"-1", "0: unexpected JSON token"},
      {"\"1\"", "0: unexpected JSON token"},
      {"", "0: unexpected JSON token"},
      {" \t2", "2: unexpected JSON token"},
  };
  for (const auto& c : cases) {
    JsonCursor cursor = Open(c.input);
    SkipJsonWhitespace(cursor);
    const std::string error = ErrorOf([&] { ReadVersionDigit(cursor); });
    if (c.error.empty()) {
      EXPECT_EQ(error, "no error") << c.input;
      EXPECT_EQ(cursor.position, 1u) << c.input;
    } else {
      EXPECT_EQ(error, std::string(kPrefix) + std::string(c.error)) << c.input;
    }
  }
}

TEST(JsonReader, FailuresLeaveTheCursorOnTheOffendingByte) {
  // Token and value errors are raised before consuming, so the framing's caller sees
  // the same position that the message names.
  JsonCursor cursor = Open(R"({"k":nul})");
  ExpectJsonByte(cursor, '{');
  ReadJsonString(cursor);
  EXPECT_THROW(ExpectJsonByte(cursor, ','), std::runtime_error);
  EXPECT_EQ(cursor.position, 4u);
  ExpectJsonByte(cursor, ':');
  EXPECT_THROW(ReadJsonBoolean(cursor), std::runtime_error);
  EXPECT_THROW(ReadVersionDigit(cursor), std::runtime_error);
  EXPECT_THROW(ReadJsonString(cursor), std::runtime_error);
  EXPECT_EQ(cursor.position, 5u);
}

}  // namespace
}  // namespace marlox

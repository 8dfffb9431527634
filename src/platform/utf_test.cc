#include "platform/utf.h"

#include <gtest/gtest.h>

namespace marlox::platform {
namespace {

TEST(Utf, DecodesWellFormedText) {
  EXPECT_EQ(DecodeUtf8("D:\\pools\\\xC3\xA9t\xC3\xA9"), u"D:\\pools\\\u00e9t\u00e9");
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(DecodeUtf8("\xE2\x82\xAC"), u"\u20ac");
}

TEST(Utf, EscapesEveryByteOfAMalformedSequence) {
  struct Case {
    std::string_view bytes;
    std::u16string_view decoded;
  };
  const Case cases[] = {
      {"a\xFFz", u"a\xDCFFz"},                            // never a lead byte
      {"\xC0\x80", u"\xDCC0\xDC80"},                      // overlong
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
      {"\xE2\x28\xA1", u"\xDCE2(\xDCA1"},                 // bad continuation
      {"\xC3", u"\xDCC3"},                                // truncated at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeUtf8(c.bytes), c.decoded);
    EXPECT_EQ(EncodeUtf8(DecodeUtf8(c.bytes), true), c.bytes);
  }
}

TEST(Utf, RoundTripsEveryTwoByteString) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string bytes{static_cast<char>(a), static_cast<char>(b)};
      ASSERT_EQ(EncodeUtf8(DecodeUtf8(bytes), true), bytes) << a << " " << b;
    }
  }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(EncodeUtf8(u"a\xD800z", false), "a\xEF\xBF\xBDz");
  EXPECT_EQ(EncodeUtf8(u"\xDCFF", false), "\xEF\xBF\xBD");
  EXPECT_EQ(EncodeUtf8(u"\xDCFF", true), "\xFF");
  EXPECT_EQ(EncodeUtf8(u"\xDC7F", true), "\xEF\xBF\xBD");  // not an escaped byte
  EXPECT_EQ(EncodeUtf8(u"\xD83D", true), "\xEF\xBF\xBD");  // high surrogate at the end
  EXPECT_EQ(EncodeUtf8(u"\U0001F600", false), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace marlox::platform

#include "config/json_reader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>

namespace marlox {
namespace {

bool IsJsonWhitespace(std::uint8_t b) { return b == 0x20 || b == 0x09 || b == 0x0A || b == 0x0D; }

// The bytes that stand for themselves inside a string: ASCII from the space on,
// DEL included, but not the quote or the backslash.
constexpr auto kPlainStringByte = [] {
  std::array<bool, 256> plain{};
  for (int b = 0x20; b <= 0x7F; ++b) plain[static_cast<std::size_t>(b)] = b != '"' && b != '\\';
  return plain;
}();

std::uint64_t Remaining(const JsonCursor& cursor) { return cursor.size - cursor.position; }

std::uint8_t Consume(JsonCursor& cursor) { return cursor.data[cursor.position++]; }

// The digit's value, or -1 for a byte that is not a hexadecimal digit.
int HexDigitValue(std::uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

bool IsHighSurrogate(std::uint32_t v) { return v >= 0xD800 && v <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t v) { return v >= 0xDC00 && v <= 0xDFFF; }

// The escape after a backslash that has already been consumed.
void ReadEscape(JsonCursor& cursor, std::u16string& out) {
  if (Remaining(cursor) == 0) RaiseConfigError(cursor, "incomplete string escape");
  switch (Consume(cursor)) {
    case '"':
      out.push_back(u'"');
      return;
    case '\\':
      out.push_back(u'\\');
      return;
    case '/':
      out.push_back(u'/');
      return;
    case 'b':
      out.push_back(u'\b');
      return;
    case 'f':
      out.push_back(u'\f');
      return;
    case 'n':
      out.push_back(u'\n');
      return;
    case 'r':
      out.push_back(u'\r');
      return;
    case 't':
      out.push_back(u'\t');
      return;
    case 'u':
      break;
    default:
      RaiseConfigError(cursor, "invalid string escape");
  }
  const std::uint16_t v = ReadHexQuad(cursor);
  if (IsLowSurrogate(v)) RaiseConfigError(cursor, "unexpected low surrogate");
  if (IsHighSurrogate(v)) {
    // The low half must follow as an escape of its own. A missing backslash or u is
    // left unconsumed, so the error points at the byte found in its place.
    if (PeekJsonByte(cursor) != '\\')
      RaiseConfigError(cursor, "high surrogate requires low surrogate");
    ++cursor.position;
    if (PeekJsonByte(cursor) != 'u')
      RaiseConfigError(cursor, "high surrogate requires low surrogate");
    ++cursor.position;
    const std::uint16_t w = ReadHexQuad(cursor);
    if (!IsLowSurrogate(w)) RaiseConfigError(cursor, "invalid low surrogate");
    out.push_back(static_cast<char16_t>(v));
    out.push_back(static_cast<char16_t>(w));
    return;
  }
  out.push_back(static_cast<char16_t>(v));
}

// The rest of a UTF-8 sequence whose lead byte has already been consumed.
void ReadUtf8Sequence(JsonCursor& cursor, std::uint8_t lead, std::u16string& out) {
  int continuations = 0;
  std::uint32_t value = 0;
  std::uint32_t smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuations = 1;
    value = lead & 0x1Fu;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuations = 2;
    value = lead & 0x0Fu;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuations = 3;
    value = lead & 0x07u;
    smallest = 0x10000;
  } else {
    RaiseConfigError(cursor, "invalid UTF-8 sequence");
  }
  for (int i = 0; i < continuations; ++i) {
    if (Remaining(cursor) == 0) RaiseConfigError(cursor, "incomplete UTF-8 sequence");
    const std::uint8_t b = Consume(cursor);
    if ((b & 0xC0u) != 0x80u) RaiseConfigError(cursor, "invalid UTF-8 continuation");
    value = (value << 6) | (b & 0x3Fu);
  }
  if (value < smallest) RaiseConfigError(cursor, "overlong UTF-8 sequence");
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    RaiseConfigError(cursor, "invalid Unicode scalar");
  }
  if (value <= 0xFFFF) {
    out.push_back(static_cast<char16_t>(value));
    return;
  }
  const std::uint32_t offset = value - 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

}  // namespace

JsonCursor OpenJsonCursor(const std::uint8_t* data, std::uint64_t size) {
  JsonCursor cursor;
  cursor.data = data;
  cursor.size = size;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) cursor.position = 3;
  return cursor;
}

void SkipJsonWhitespace(JsonCursor& cursor) {
  while (cursor.position < cursor.size && IsJsonWhitespace(cursor.data[cursor.position])) {
    ++cursor.position;
  }
}

void ExpectJsonByte(JsonCursor& cursor, char byte) {
  if (PeekJsonByte(cursor) != static_cast<unsigned char>(byte)) {
    RaiseConfigError(cursor, "unexpected JSON token");
  }
  ++cursor.position;
}

std::size_t ReadJsonStringArray(JsonCursor& cursor,
                                const std::function<void(JsonCursor&)>& read_element) {
  ExpectJsonByte(cursor, '[');
  SkipJsonWhitespace(cursor);
  if (PeekJsonByte(cursor) == ']') {
    ++cursor.position;
    return 0;
  }
  for (std::size_t count = 1;; ++count) {
    read_element(cursor);
    SkipJsonWhitespace(cursor);
    const int next = PeekJsonByte(cursor);
    if (next == ']') {
      ++cursor.position;
      return count;
    }
    if (next != ',') RaiseConfigError(cursor, "unexpected JSON token");
    ++cursor.position;
    SkipJsonWhitespace(cursor);
  }
}

std::u16string ReadJsonString(JsonCursor& cursor) {
  std::u16string out;
  AppendJsonString(cursor, out);
  return out;
}

void AppendJsonString(JsonCursor& cursor, std::u16string& out) {
  ExpectJsonByte(cursor, '"');
  const std::uint8_t* const data = cursor.data;
  // No string decodes to more code units than it has bytes: the distance to the
  // next quote sizes the result once for all but strings with escaped quotes.
  const void* quote = std::memchr(data + cursor.position, '"', Remaining(cursor));
  const std::uint64_t bound =
      quote ? static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(quote) - data)
            : cursor.size;
  out.reserve(out.size() + static_cast<std::size_t>(bound - cursor.position));
  for (;;) {
    // Plain ASCII needs no decoding; a whole run of it is widened at once.
    std::uint64_t run_end = cursor.position;
    while (run_end < cursor.size && kPlainStringByte[data[run_end]]) ++run_end;
    const auto length = static_cast<std::size_t>(run_end - cursor.position);
    if (length < 16) {
      // Short runs between escapes: a call to fill and copy would cost more.
      for (std::size_t i = 0; i < length; ++i) out.push_back(data[cursor.position + i]);
    } else {
      const std::size_t filled = out.size();
      out.resize(filled + length);
      std::copy(data + cursor.position, data + run_end, out.data() + filled);
    }
    cursor.position = run_end;
    if (Remaining(cursor) == 0) RaiseConfigError(cursor, "unterminated string");
    const std::uint8_t b = Consume(cursor);
    if (b == '"') return;
    if (b <= 0x1F) RaiseConfigError(cursor, "unescaped control character");
    if (b == '\\') {
      ReadEscape(cursor, out);
    } else {
      ReadUtf8Sequence(cursor, b, out);
    }
  }
}

std::uint16_t ReadHexQuad(JsonCursor& cursor) {
  if (Remaining(cursor) < 4) RaiseConfigError(cursor, "incomplete Unicode escape");
  unsigned value = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = HexDigitValue(Consume(cursor));
    if (digit < 0) RaiseConfigError(cursor, "invalid Unicode escape");
    value = (value << 4) | static_cast<unsigned>(digit);
  }
  return static_cast<std::uint16_t>(value);
}

bool ReadJsonBoolean(JsonCursor& cursor) {
  // Only the literal's own bytes are compared; what follows is the framing's business.
  const auto matches = [&cursor](std::string_view literal) {
    if (Remaining(cursor) < literal.size()) return false;
    for (std::size_t i = 0; i < literal.size(); ++i) {
      if (cursor.data[cursor.position + i] != static_cast<unsigned char>(literal[i])) return false;
    }
    return true;
  };
  if (matches("true")) {
    cursor.position += 4;
    return true;
  }
  if (matches("false")) {
    cursor.position += 5;
    return false;
  }
  RaiseConfigError(cursor, "unexpected JSON value");
}

void ReadVersionDigit(JsonCursor& cursor) { ExpectJsonByte(cursor, '1'); }

int PeekJsonByte(const JsonCursor& cursor) {
  if (cursor.position >= cursor.size) return -1;
  return cursor.data[cursor.position];
}

void RaiseConfigError(const JsonCursor& cursor, std::string_view detail) {
  std::string message = "invalid Marlox mount config at byte ";
  message += std::to_string(cursor.position);
  message += ": ";
  message += detail;
  throw std::runtime_error(message);
}

}  // namespace marlox

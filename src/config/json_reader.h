// A strict reader for the mount configuration's JSON: a cursor over the raw bytes
// and the operations that the configuration parser drives it with. It builds no
// document tree; every fault raises "invalid Marlox mount config at byte N: <detail>".
#ifndef MARLOX_CONFIG_JSON_READER_H_
#define MARLOX_CONFIG_JSON_READER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace marlox {

struct JsonCursor {
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;
  std::uint64_t position = 0;  // never beyond size; only moves forward
};

// Starts at 0, or at 3 past a UTF-8 byte-order mark.
JsonCursor OpenJsonCursor(const std::uint8_t* data, std::uint64_t size);

// Space, tab, line feed and carriage return only.
void SkipJsonWhitespace(JsonCursor& cursor);

// Consumes `byte` or raises "unexpected JSON token" without moving.
void ExpectJsonByte(JsonCursor& cursor, char byte);

// One string starting at the cursor, decoded to UTF-16; the cursor ends just past
// the closing quote.
std::u16string ReadJsonString(JsonCursor& cursor);
// The same, appended to `out`: a caller can decode straight behind a prefix of its
// own instead of copying a long string to put one in front.
void AppendJsonString(JsonCursor& cursor, std::u16string& out);

// An array of strings, from its opening bracket to its closing one. For each
// element, `read_element` is called with the cursor on its opening quote and must
// read that one string (ReadJsonString or AppendJsonString); it may check the
// element before the next is read. Returns the number of elements; an empty
// array is for the caller to judge.
std::size_t ReadJsonStringArray(JsonCursor& cursor,
                                const std::function<void(JsonCursor&)>& read_element);

// The four hexadecimal digits of a \u escape.
std::uint16_t ReadHexQuad(JsonCursor& cursor);

bool ReadJsonBoolean(JsonCursor& cursor);

// The single byte "1".
void ReadVersionDigit(JsonCursor& cursor);

// The byte at the cursor, or -1 at the end of the input.
int PeekJsonByte(const JsonCursor& cursor);

// Raises std::runtime_error "invalid Marlox mount config at byte <position>: <detail>".
[[noreturn]] void RaiseConfigError(const JsonCursor& cursor, std::string_view detail);

}  // namespace marlox

#endif  // MARLOX_CONFIG_JSON_READER_H_

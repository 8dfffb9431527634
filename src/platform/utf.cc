#include "platform/utf.h"

#include <cstdint>

namespace marlox::platform {
namespace {

// Length of the well-formed sequence at `i`, or 0 when the byte there starts none.
std::size_t SequenceLength(std::string_view s, std::size_t i, char32_t* value) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    *value = b0;
    return 1;
  }
  std::size_t length = 0;
  char32_t v = 0;
  char32_t minimum = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, v = b0 & 0x1Fu, minimum = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, v = b0 & 0x0Fu, minimum = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, v = b0 & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0u) != 0x80u) return 0;
    v = (v << 6) | (b & 0x3Fu);
  }
  if (v < minimum || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *value = v;
  return length;
}

// Writes the UTF-8 form of `v` at `out` and returns the end of what it wrote.
char* PutUtf8(char* out, char32_t v) {
  if (v < 0x80) {
    *out++ = static_cast<char>(v);
  } else if (v < 0x800) {
    *out++ = static_cast<char>(0xC0 | (v >> 6));
    *out++ = static_cast<char>(0x80 | (v & 0x3F));
  } else if (v < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (v >> 12));
    *out++ = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (v & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (v >> 18));
    *out++ = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (v & 0x3F));
  }
  return out;
}

}  // namespace

std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t v = 0;
    const std::size_t length = SequenceLength(bytes, i, &v);
    if (length == 0) {
      out += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i]));
      ++i;
      continue;
    }
    if (v >= 0x10000) {
      v -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (v >> 10));
      out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      out += static_cast<char16_t>(v);
    }
    i += length;
  }
  return out;
}

std::string EncodeUtf8(std::u16string_view text, bool restore_escaped_bytes) {
  // Every code unit takes at most three bytes (a pair takes four for two units).
  std::string out(text.size() * 3, '\0');
  char* end = out.data();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0x80) {
      *end++ = static_cast<char>(u);
    } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      end = PutUtf8(end, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      if (restore_escaped_bytes && u >= 0xDC80 && u <= 0xDCFF) {
        *end++ = static_cast<char>(u - 0xDC00);
      } else {
        end = PutUtf8(end, 0xFFFD);
      }
    } else {
      end = PutUtf8(end, u);
    }
  }
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

}  // namespace marlox::platform

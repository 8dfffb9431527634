#include "config/pool_name.h"

#include <stdexcept>

namespace marlox {
namespace {

[[noreturn]] void Refuse(const char* message) { throw std::invalid_argument(message); }

// Characters a Windows volume label cannot hold, besides the control characters.
bool IsRefusedCharacter(char16_t c) {
  switch (c) {
    case u'<':
    case u'>':
    case u':':
    case u'/':
    case u'\\':
    case u'|':
    case u'?':
    case u'*':
    case u'"':
      return true;
    default:
      return c <= 0x1F || c == 0x7F;
  }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

void ValidatePoolName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxPoolNameCodeUnits) {
    Refuse("pool name must contain 1 to 32 UTF-16 code units");
  }
  if (name.front() == u' ' || name.back() == u' ' || name.back() == u'.') {
    Refuse("pool name cannot start or end with a space or end with a period");
  }
  // The first offending code unit decides the message.
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (IsRefusedCharacter(c)) {
      Refuse("pool name contains a character not allowed in a Windows volume label");
    }
    if (IsHighSurrogate(c)) {
      if (i + 1 == name.size() || !IsLowSurrogate(name[i + 1])) {
        Refuse("pool name contains an invalid UTF-16 surrogate pair");
      }
      ++i;
    } else if (IsLowSurrogate(c)) {
      Refuse("pool name contains an invalid UTF-16 surrogate pair");
    }
  }
}

}  // namespace marlox

#include "config/pool_name.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace marlox {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kLength = "pool name must contain 1 to 32 UTF-16 code units";
constexpr std::string_view kEnds =
    "pool name cannot start or end with a space or end with a period";
constexpr std::string_view kCharacter =
    "pool name contains a character not allowed in a Windows volume label";
constexpr std::string_view kSurrogate = "pool name contains an invalid UTF-16 surrogate pair";

constexpr char16_t kHigh = 0xD83D;
constexpr char16_t kLow = 0xDE00;

// The rule's message, or "accepted". Any other exception type escapes and fails the test.
std::string Verdict(std::u16string_view name) {
  try {
    ValidatePoolName(name);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return "accepted";
}

std::string Printable(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    }
  }
  return out;
}

TEST(PoolName, Rules) {
  const std::u16string a31(31, u'a');
  const struct {
    std::u16string name;
    std::string_view verdict;
  } cases[] = {
      {u"Marlox", "accepted"},
      {u"x", "accepted"},
      {std::u16string(32, u'a'), "accepted"},
      {std::u16string(33, u'a'), kLength},
      {u"", kLength},
      {std::u16string(30, u'a') + u"\U0001F600", "accepted"},
      {a31 + u"\U0001F600", kLength},
      {a31 + u":x", kLength},  // length is decided before any character
      {u".hidden", "accepted"},
      {u"My Pool 2", "accepted"},
      {u"caf\u00e9 \u00a0\uffff", "accepted"},
      {u"\U0001F600", "accepted"},
      {u"Pool.", kEnds},
      {u".", kEnds},
      {u" Pool", kEnds},
      {u"Pool ", kEnds},
      {u" ", kEnds},
      {u" a:b", kEnds},  // the ends are checked before the scan
      {u"a" + std::u16string(1, kHigh) + u".", kEnds},
      {u"a" + std::u16string(1, kHigh), kSurrogate},
      {u"a" + std::u16string(1, kHigh) + u"b", kSurrogate},
      {std::u16string{kHigh, kHigh, kLow}, kSurrogate},
      {std::u16string{kLow, kHigh}, kSurrogate},
      {u"a" + std::u16string(1, kLow), kSurrogate},
      // The first offending code unit decides.
      {u"a:" + std::u16string(1, kHigh) + u"b", kCharacter},
      {u"a" + std::u16string(1, kHigh) + u":b", kSurrogate},
      {u"\U0001F600:", kCharacter},  // the scan resumes after a valid pair
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Verdict(c.name), c.verdict) << Printable(c.name);
  }
}

TEST(PoolName, RefusesControlAndReservedCharactersAnywhere) {
  std::u16string refused = u"<>:/\\|?*\"\x7F";
  for (char16_t c = 0; c <= 0x1F; ++c) refused += c;
  for (char16_t c : refused) {
    for (const std::u16string& name :
         {std::u16string{c, u'b'}, std::u16string{u'a', c, u'b'}, std::u16string{u'a', c}}) {
      EXPECT_EQ(Verdict(name), kCharacter) << Printable(name);
    }
  }
  // Their neighbours in the code table are fine.
  for (char16_t c : u"!#'0;=[]{}~\x80"sv) {
    EXPECT_EQ(Verdict(std::u16string{u'a', c, u'b'}), "accepted") << Printable({&c, 1});
  }
}

}  // namespace
}  // namespace marlox

#include "pool/pool_report.h"

#include "platform/platform.h"

namespace marlox {
namespace {

std::u16string Decimal(std::uint64_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

}  // namespace

std::u16string FormatPoolReport(const DiscoveredPool& pool) {
  static constexpr char16_t kHexDigits[] = u"0123456789abcdef";
  std::u16string out = u"pool: ";
  for (const std::uint8_t byte : pool.header.pool_id) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
  }
  out += u"\nencryption: ";
  out += pool.header.encrypted ? u"password required" : u"none";
  out += u'\n';
  for (std::size_t i = 0; i < pool.member_paths.size(); ++i) {
    out += u"member[" + Decimal(i) + u"]: ";
    out += pool.member_paths[i] ? *pool.member_paths[i] : u"MISSING";
    out += u" (" + Decimal(pool.header.manifest[i].member_size / 1048576) + u" MiB)\n";
  }
  return out;
}

void PrintPoolReport(const DiscoveredPool& pool) {
  platform::WriteStandardOutput(FormatPoolReport(pool));
}

}  // namespace marlox

#include "pool/pool_report.h"

#include <gtest/gtest.h>

#include "platform/utf.h"
#include "pool/test_disk.h"

namespace marlox {
namespace {

using platform::ToUtf8;

DiscoveredPool PoolOf(std::vector<std::uint64_t> sizes) {
  DiscoveredPool pool;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    pool.header.manifest.push_back({HeaderSpec::MemberIdFor(static_cast<int>(i)), sizes[i]});
  }
  pool.member_paths.resize(sizes.size());
  return pool;
}

TEST(PoolReport, TwoMembersOneMissing) {
  DiscoveredPool pool = PoolOf({402653184, 1073741824});
  pool.header.pool_id = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                         0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  pool.header.encrypted = true;
  pool.member_paths[0] = u"D:\\pool\\disk0.img";
  EXPECT_EQ(ToUtf8(FormatPoolReport(pool)),
            "pool: 00112233445566778899aabbccddeeff\n"
            "encryption: password required\n"
            "member[0]: D:\\pool\\disk0.img (384 MiB)\n"
            "member[1]: MISSING (1024 MiB)\n");
}

TEST(PoolReport, IdDigitsSizesAndNumbering) {
  DiscoveredPool pool = PoolOf({402657280});  // 384 MiB and 4096 bytes: the rest is dropped
  pool.header.pool_id = {0x01, 0x0a, 0xf0, 0x0f};
  pool.member_paths[0] = u"Z:\\a.img";
  EXPECT_EQ(ToUtf8(FormatPoolReport(pool)),
            "pool: 010af00f000000000000000000000000\n"
            "encryption: none\n"
            "member[0]: Z:\\a.img (384 MiB)\n");

  pool = PoolOf(std::vector<std::uint64_t>(16, 0x1000000000ull));
  const std::u16string report = FormatPoolReport(pool);
  EXPECT_NE(report.find(u"\nmember[9]: MISSING (65536 MiB)\nmember[10]: "), std::u16string::npos);
  EXPECT_TRUE(report.ends_with(u"member[15]: MISSING (65536 MiB)\n"));
}

TEST(PoolReport, PathsArePrintedAsStored) {
  DiscoveredPool pool = PoolOf({402653184});
  pool.member_paths[0] = u"D:\\pools\\\u00e9t\u00e9\\\U0001F600.img";
  EXPECT_NE(FormatPoolReport(pool).find(
                u"member[0]: D:\\pools\\\u00e9t\u00e9\\\U0001F600.img (384 MiB)\n"),
            std::u16string::npos);
}

}  // namespace
}  // namespace marlox

#include "cli/configured_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "platform/utf.h"
#include "pool/test_disk.h"

namespace marlox {
namespace {

using platform::ToUtf8;

// A three-member encrypted pool in C:\pool, m0 to m2.
class ResolveConfiguredPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) disk_.AddImage(Member(i), HeaderSpec::Member(i, 3, true));
  }
  static std::u16string Member(int i) {
    return u"C:\\pool\\m" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u".img";
  }
  MountConfig Config(std::vector<std::u16string> members) {
    MountConfig config;
    config.drive = u'P';
    config.members = std::move(members);
    return config;
  }
  std::string Error(const MountConfig& config) {
    try {
      ResolveConfiguredPool(disk_, config);
    } catch (const std::exception& error) {
      return error.what();
    }
    return "resolved";
  }
  TestDisk disk_;
};

TEST_F(ResolveConfiguredPoolTest, MembersInAnyOrderFillSlotsByIndex) {
  const DiscoveredPool pool =
      ResolveConfiguredPool(disk_, Config({Member(2), Member(0), Member(1)}));
  ASSERT_EQ(pool.member_paths.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ToUtf8(*pool.member_paths[static_cast<std::size_t>(i)]), ToUtf8(Member(i)));
  }
  EXPECT_EQ(pool.header.member_index, 2);  // the header is configured member 0's
}

TEST_F(ResolveConfiguredPoolTest, FailuresInTheirOrder) {
  HeaderSpec foreign = HeaderSpec::Member(2, 3, true);
  foreign.pool_id[0] ^= 1;
  disk_.AddImage(u"C:\\other\\foreign.img", foreign);
  disk_.AddImage(u"C:\\other\\plain2.img", HeaderSpec::Member(2, 3, false));
  HeaderSpec reordered = HeaderSpec::Member(2, 3, true);
  std::swap(reordered.manifest[0], reordered.manifest[1]);
  disk_.AddImage(u"C:\\other\\reordered.img", reordered);
  disk_.AddImage(u"C:\\other\\copy-of-m1.img", HeaderSpec::Member(1, 3, true));
  disk_.AddFile(u"C:\\other\\junk.img", kMinMemberSize, {});
  disk_.AddLink(u"C:\\link", u"C:\\pool", true);
  disk_.AddImage(u"C:\\plain\\p0.img", HeaderSpec::Member(0, 1, false));

  const struct {
    std::vector<std::u16string> members;
    bool require_encrypted;
    std::string expected;
  } cases[] = {
      {{}, true, "mount config has no members"},
      {{u"C:\\missing.img", Member(1), Member(2)},
       true,
       "configured member 0 is missing or invalid"},
      {{u"C:\\plain\\p0.img"}, true, "mount config requires an encrypted pool"},
      {{u"C:\\plain\\p0.img"}, false, "resolved"},
      // The count is checked before any other member is read.
      {{Member(0), u"C:\\missing.img"}, true, "mount config does not list the complete member set"},
      {{Member(0), Member(1), Member(2), u"C:\\missing.img"},
       true,
       "mount config does not list the complete member set"},
      {{Member(0), u"C:\\link\\m0.img", Member(2)}, true, "mount config lists a member path twice"},
      // Member 1 is read, and refused, before member 2 repeats its path.
      {{Member(0), u"C:\\other\\junk.img", u"C:\\other\\..\\other\\junk.img"},
       true,
       "configured member 1 is missing or invalid"},
      {{Member(0), Member(1), u"C:\\missing.img"},
       true,
       "configured member 2 is missing or invalid"},
      {{Member(0), Member(1), u"C:\\other\\foreign.img"},
       true,
       "configured member 2 does not belong to this pool"},
      {{Member(0), Member(1), u"C:\\other\\plain2.img"},
       true,
       "configured member 2 does not belong to this pool"},
      {{Member(0), u"C:\\other\\reordered.img", Member(1)},
       true,
       "configured member 1 does not belong to this pool"},
      {{Member(0), Member(1), u"C:\\other\\copy-of-m1.img"},
       true,
       "mount config lists the same member identity twice"},
  };
  for (const auto& c : cases) {
    MountConfig config = Config(c.members);
    config.require_encrypted = c.require_encrypted;
    EXPECT_EQ(Error(config), c.expected) << c.expected;
  }
}

TEST_F(ResolveConfiguredPoolTest, APathListedTwiceIsRefusedBeforeItIsRead) {
  EXPECT_EQ(Error(Config({Member(0), u"C:\\pool\\.\\m0.img", Member(2)})),
            "mount config lists a member path twice");
  EXPECT_EQ(std::count(disk_.opened().begin(), disk_.opened().end(), u"C:\\pool\\.\\m0.img"), 0);
  // Member 0 itself is read twice: once as the reference, once in its turn.
  EXPECT_EQ(std::count(disk_.opened().begin(), disk_.opened().end(), Member(0)), 2);
}

}  // namespace
}  // namespace marlox

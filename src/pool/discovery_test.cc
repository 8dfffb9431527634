#include "pool/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "platform/utf.h"
#include "pool/test_disk.h"

namespace marlox {
namespace {

constexpr std::uint32_t kDriveC = 1u << 2;
constexpr std::uint32_t kDriveM = 1u << 12;

using platform::ToUtf8;

std::vector<std::string> Slots(const DiscoveredPool& pool) {
  std::vector<std::string> out;
  for (const auto& path : pool.member_paths) out.push_back(path ? ToUtf8(*path) : "MISSING");
  return out;
}

std::string DiscoverError(TestDisk& disk, const std::u16string& seed,
                          const std::vector<std::u16string>& roots = {}) {
  try {
    DiscoverPool(disk, seed, roots);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "no error";
}

std::size_t TimesOpened(const TestDisk& disk, std::u16string_view path) {
  return static_cast<std::size_t>(std::count(disk.opened().begin(), disk.opened().end(), path));
}

// A three-member pool: the seed in C:\pool, member 1 two folders down, member 2
// elsewhere unless a test puts it somewhere.
class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    disk_.SetDriveMask(kDriveC);
    disk_.AddImage(std::u16string(kSeed), HeaderSpec::Member(0, 3));
    disk_.AddImage(u"C:\\pool\\sub\\deep\\m1.img", HeaderSpec::Member(1, 3));
  }
  static constexpr std::u16string_view kSeed = u"C:\\pool\\m0.img";
  TestDisk disk_;
};

TEST_F(DiscoveryTest, FindsMembersBelowTheSeedFolderAndReportsTheRestMissing) {
  const DiscoveredPool pool = DiscoverPool(disk_, std::u16string(kSeed), {});
  EXPECT_EQ(Slots(pool), (std::vector<std::string>{"C:\\pool\\m0.img",
                                                   "C:\\pool\\sub\\deep\\m1.img", "MISSING"}));
  EXPECT_EQ(pool.header.manifest.size(), 3u);
}

TEST_F(DiscoveryTest, SearchesDrivePoolFoldersAndRootsInOrder) {
  disk_.SetDriveMask(kDriveC | kDriveM | (1u << 3));  // D: has no pool folder
  disk_.AddImage(u"M:\\Marlox\\nested\\m2.img", HeaderSpec::Member(2, 3));
  disk_.AddFolder(u"E:\\roots\\empty");
  const DiscoveredPool pool =
      DiscoverPool(disk_, std::u16string(kSeed), {u"E:\\roots", u"E:\\does-not-exist"});
  EXPECT_EQ(Slots(pool)[2], "M:\\Marlox\\nested\\m2.img");
  const std::vector<std::u16string> expected_top = {u"C:\\pool", u"C:\\Marlox", u"D:\\Marlox",
                                                    u"M:\\Marlox", u"E:\\roots"};
  std::vector<std::u16string> top;
  for (const auto& folder : disk_.listed()) {
    if (std::find(expected_top.begin(), expected_top.end(), folder) != expected_top.end()) {
      top.push_back(folder);
    }
  }
  // C:\Marlox and D:\Marlox do not exist, so they are never listed.
  EXPECT_EQ(top, (std::vector<std::u16string>{u"C:\\pool", u"M:\\Marlox", u"E:\\roots"}));
}

TEST_F(DiscoveryTest, WalksDepthFirstInListingOrder) {
  disk_.AddFolder(u"C:\\pool\\a");
  disk_.AddFolder(u"C:\\pool\\a\\inner");
  disk_.AddFolder(u"C:\\pool\\b");
  DiscoverPool(disk_, std::u16string(kSeed), {});
  std::vector<std::string> listed;
  for (const auto& folder : disk_.listed()) listed.push_back(ToUtf8(folder));
  EXPECT_EQ(listed, (std::vector<std::string>{"C:\\pool", "C:\\pool\\sub", "C:\\pool\\sub\\deep",
                                              "C:\\pool\\a", "C:\\pool\\a\\inner", "C:\\pool\\b"}));
}

TEST_F(DiscoveryTest, SearchRootMayNameAnImage) {
  disk_.AddImage(u"E:\\elsewhere\\m2.img", HeaderSpec::Member(2, 3));
  const DiscoveredPool pool =
      DiscoverPool(disk_, std::u16string(kSeed), {u"E:\\elsewhere\\m2.img"});
  EXPECT_EQ(Slots(pool)[2], "E:\\elsewhere\\m2.img");
}

TEST_F(DiscoveryTest, FilesBelowTheMinimumAreNeverOpened) {
  disk_.AddFile(u"C:\\pool\\small.img", kMinMemberSize - 1, {});
  disk_.AddFile(u"C:\\pool\\big.bin", kMinMemberSize, {});
  DiscoverPool(disk_, std::u16string(kSeed), {});
  EXPECT_EQ(TimesOpened(disk_, u"C:\\pool\\small.img"), 0u);
  EXPECT_EQ(TimesOpened(disk_, u"C:\\pool\\big.bin"), 1u);
}

TEST_F(DiscoveryTest, EveryFileIsReadOnceHoweverManyRoutesReachIt) {
  disk_.AddFile(u"C:\\pool\\junk.bin", kMinMemberSize, {});
  const DiscoveredPool pool =
      DiscoverPool(disk_, std::u16string(kSeed),
                   {u"C:\\pool", u"C:\\pool\\sub", u"c:\\POOL\\JUNK.BIN",
                    u"C:\\pool\\sub\\..\\junk.bin", u"C:/pool/./sub/deep/m1.img"});
  EXPECT_EQ(Slots(pool)[1], "C:\\pool\\sub\\deep\\m1.img");
  EXPECT_EQ(TimesOpened(disk_, u"C:\\pool\\junk.bin"), 1u);
  EXPECT_EQ(TimesOpened(disk_, u"C:\\pool\\sub\\deep\\m1.img"), 1u);
  // Only the seed is read twice: once to start the pool, once when it is offered.
  EXPECT_EQ(TimesOpened(disk_, kSeed), 2u);
}

TEST_F(DiscoveryTest, ListedNamesAreNeverReadAsPaths) {
  // Linux allows these names; read as paths they would name other drives.
  disk_.AddImage(u"C:\\pool\\Z:m2.img", HeaderSpec::Member(2, 3));
  EXPECT_EQ(Slots(DiscoverPool(disk_, std::u16string(kSeed), {}))[2], "C:\\pool\\Z:m2.img");
}

TEST_F(DiscoveryTest, ImagesOfOtherPoolsAreIgnored) {
  HeaderSpec other = HeaderSpec::Member(2, 2);
  other.pool_id[15] ^= 1;
  other.manifest.pop_back();  // any manifest at all
  other.member_index = 0;
  disk_.AddImage(u"C:\\pool\\other.img", other);
  EXPECT_EQ(Slots(DiscoverPool(disk_, std::u16string(kSeed), {}))[2], "MISSING");
}

TEST_F(DiscoveryTest, SamePoolWithAnotherManifestOrFlagIsAConflict) {
  HeaderSpec reordered = HeaderSpec::Member(2, 3);
  std::swap(reordered.manifest[0], reordered.manifest[1]);
  HeaderSpec encrypted = HeaderSpec::Member(2, 3, true);
  for (const HeaderSpec& spec : {reordered, encrypted}) {
    TestDisk disk;
    disk.AddImage(std::u16string(kSeed), HeaderSpec::Member(0, 3));
    disk.AddImage(u"C:\\pool\\odd.img", spec);
    EXPECT_EQ(DiscoverError(disk, std::u16string(kSeed)),
              "matching pool ID has a different member manifest");
  }
}

TEST_F(DiscoveryTest, ACopyOfAnyMemberIsAConflictEvenOnceTheSlotsAreFull) {
  disk_.AddImage(u"C:\\pool\\m2.img", HeaderSpec::Member(2, 3));
  for (const std::u16string copy_of : {u"m0", u"m1"}) {
    TestDisk disk;
    disk.AddImage(std::u16string(kSeed), HeaderSpec::Member(0, 3));
    disk.AddImage(u"C:\\pool\\m1.img", HeaderSpec::Member(1, 3));
    disk.AddImage(u"C:\\pool\\m2.img", HeaderSpec::Member(2, 3));
    disk.AddImage(u"E:\\backup\\" + copy_of + u".img",
                  HeaderSpec::Member(copy_of == u"m0" ? 0 : 1, 3));
    EXPECT_EQ(DiscoverError(disk, std::u16string(kSeed), {u"E:\\backup"}),
              "two paths claim the same pool member identity")
        << ToUtf8(copy_of);
  }
}

TEST(Discovery, SingleMemberPoolReadsOnlyTheSeed) {
  TestDisk disk;
  disk.SetDriveMask(kDriveC);
  disk.AddImage(u"C:\\pool\\only.img", HeaderSpec{});
  disk.AddImage(u"C:\\pool\\copy.img", HeaderSpec{});
  const DiscoveredPool pool = DiscoverPool(disk, u"C:\\pool\\only.img", {u"C:\\pool"});
  EXPECT_EQ(Slots(pool), std::vector<std::string>{"C:\\pool\\only.img"});
  EXPECT_TRUE(disk.listed().empty());
  EXPECT_EQ(TimesOpened(disk, u"C:\\pool\\copy.img"), 0u);
}

TEST(Discovery, InvalidSeedIsAnError) {
  TestDisk disk;
  HeaderSpec broken;
  broken.fix_checksum = false;
  disk.AddImage(u"C:\\bad.img", broken);
  disk.AddFolder(u"C:\\folder");
  for (const std::u16string seed : {u"C:\\bad.img", u"C:\\missing.img", u"C:\\folder", u""}) {
    EXPECT_EQ(DiscoverError(disk, seed), "seed is not a valid current v6 member image");
  }
}

TEST_F(DiscoveryTest, FolderLinksAreNotEnteredButALinkedLocationIsWalked) {
  disk_.AddImage(u"E:\\real\\m2.img", HeaderSpec::Member(2, 3));
  disk_.AddLink(u"C:\\pool\\to-real", u"E:\\real", true);
  EXPECT_EQ(Slots(DiscoverPool(disk_, std::u16string(kSeed), {}))[2], "MISSING");

  // A search root that is itself a link is walked, and members found through it
  // are reported at their resolved path.
  disk_.AddLink(u"F:\\root-link", u"E:\\real", true);
  EXPECT_EQ(Slots(DiscoverPool(disk_, std::u16string(kSeed), {u"F:\\root-link"}))[2],
            "E:\\real\\m2.img");
}

TEST_F(DiscoveryTest, FileLinksAreCandidatesAtTheirTarget) {
  disk_.AddImage(u"E:\\real\\m2.img", HeaderSpec::Member(2, 3));
  disk_.AddLink(u"C:\\pool\\m2-link.img", u"E:\\real\\m2.img", false);
  disk_.AddLink(u"C:\\pool\\m2-again.img", u"E:\\real\\m2.img", false);
  EXPECT_EQ(Slots(DiscoverPool(disk_, std::u16string(kSeed), {u"E:\\real"}))[2],
            "E:\\real\\m2.img");
}

TEST_F(DiscoveryTest, DeniedFoldersAreSkippedAndOtherFailuresEndTheLocation) {
  disk_.AddFolder(u"C:\\pool\\denied");
  disk_.AddImage(u"C:\\pool\\denied\\m2.img", HeaderSpec::Member(2, 3));
  disk_.DenyListing(u"C:\\pool\\denied");
  disk_.AddImage(u"C:\\pool\\zz\\m2.img", HeaderSpec::Member(2, 3));
  EXPECT_EQ(Slots(DiscoverPool(disk_, std::u16string(kSeed), {}))[2], "C:\\pool\\zz\\m2.img");

  // A folder that fails otherwise ends the walk of its location: what follows it
  // there is not examined, but the next location is.
  TestDisk disk;
  disk.AddImage(std::u16string(kSeed), HeaderSpec::Member(0, 3));
  disk.AddFolder(u"C:\\pool\\broken");
  disk.AddImage(u"C:\\pool\\broken\\m1.img", HeaderSpec::Member(1, 3));
  disk.AddImage(u"C:\\pool\\broken\\after.img", HeaderSpec::Member(2, 3));
  disk.FailListing(u"C:\\pool\\broken", 1);
  disk.AddImage(u"C:\\pool\\later\\m2.img", HeaderSpec::Member(2, 3));
  disk.AddImage(u"E:\\next\\m2.img", HeaderSpec::Member(2, 3));
  const DiscoveredPool pool = DiscoverPool(disk, std::u16string(kSeed), {u"E:\\next"});
  EXPECT_EQ(Slots(pool), (std::vector<std::string>{"C:\\pool\\m0.img", "C:\\pool\\broken\\m1.img",
                                                   "E:\\next\\m2.img"}));
}

TEST(Discovery, OtherEntriesAndRootsArePassedOver) {
  TestDisk disk;
  disk.AddImage(u"C:\\pool\\m0.img", HeaderSpec::Member(0, 2));
  disk.AddOther(u"C:\\pool\\fifo");
  disk.AddOther(u"E:\\device");
  const DiscoveredPool pool = DiscoverPool(disk, u"C:\\pool\\m0.img", {u"E:\\device", u""});
  EXPECT_EQ(Slots(pool), (std::vector<std::string>{"C:\\pool\\m0.img", "MISSING"}));
  EXPECT_EQ(TimesOpened(disk, u"C:\\pool\\fifo"), 0u);
}

}  // namespace
}  // namespace marlox

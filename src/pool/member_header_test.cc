#include "pool/member_header.h"

#include <gtest/gtest.h>

#include <functional>

#include "pool/test_disk.h"

namespace marlox {
namespace {

TEST(HeaderChecksum, IsFnv1aWithTheFieldTakenAsZero) {
  HeaderBytes copy{};
  // FNV-1a of 4096 zero bytes, computed independently.
  std::uint32_t expected = 2166136261u;
  for (int i = 0; i < 4096; ++i) expected *= 16777619u;
  EXPECT_EQ(HeaderChecksum(copy), expected);
  // The field's own bytes do not change the checksum; every other byte does.
  copy[56] = 0xff, copy[59] = 0x12;
  EXPECT_EQ(HeaderChecksum(copy), expected);
  copy[55] = 1;
  EXPECT_NE(HeaderChecksum(copy), expected);
}

struct ParseCase {
  const char* name;
  std::function<void(HeaderSpec&)> change_spec;
  std::function<void(HeaderBytes&)> change_bytes;  // applied before the checksum is fixed
  std::uint64_t file_size;
  bool valid;
};

void Nothing(HeaderSpec&) {}
void NoBytes(HeaderBytes&) {}

TEST(ParseMemberHeader, RulesTable) {
  constexpr std::uint64_t kMin = kMinMemberSize;
  const ParseCase cases[] = {
      {"valid", Nothing, NoBytes, kMin, true},
      {"wrong magic", Nothing, [](HeaderBytes& c) { c[7] = '5'; }, kMin, false},
      {"version 5", Nothing, [](HeaderBytes& c) { c[8] = 5; }, kMin, false},
      {"mode 0", [](HeaderSpec& s) { s.encryption_mode = 0; }, NoBytes, kMin, false},
      {"mode 1", [](HeaderSpec& s) { s.encryption_mode = 1; }, NoBytes, kMin, false},
      {"mode 4", [](HeaderSpec& s) { s.encryption_mode = 4; }, NoBytes, kMin, false},
      {"mode 2 ignores encryption fields",
       [](HeaderSpec& s) {
         s.encryption_parameter = 7;
         s.encryption_bytes.fill(0);
       },
       NoBytes, kMin, true},
      {"mode 3 lowest parameter",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 1, true), s.encryption_parameter = 100000; },
       NoBytes, kMin, true},
      {"mode 3 highest parameter",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 1, true), s.encryption_parameter = 10000000; },
       NoBytes, kMin, true},
      {"mode 3 parameter too low",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 1, true), s.encryption_parameter = 99999; },
       NoBytes, kMin, false},
      {"mode 3 parameter too high",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 1, true), s.encryption_parameter = 10000001; },
       NoBytes, kMin, false},
      {"mode 3 zero encryption bytes",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 1, true), s.encryption_bytes.fill(0); },
       NoBytes, kMin, false},
      {"mode 3 one nonzero encryption byte",
       [](HeaderSpec& s) {
         s = HeaderSpec::Member(0, 1, true);
         s.encryption_bytes.fill(0);
         s.encryption_bytes[31] = 1;
       },
       NoBytes, kMin, true},
      {"file size not a multiple of 4096",
       [](HeaderSpec& s) { s.member_size = kMin + 1, s.manifest[0].member_size = kMin + 1; },
       NoBytes, kMin + 1, false},
      {"member count 0", [](HeaderSpec& s) { s.member_count = 0; }, NoBytes, kMin, false},
      {"member count 17", [](HeaderSpec& s) { s = HeaderSpec::Member(0, 16), s.member_count = 17; },
       NoBytes, kMin, false},
      {"sixteen members", [](HeaderSpec& s) { s = HeaderSpec::Member(15, 16); }, NoBytes, kMin,
       true},
      {"index equal to count",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 2), s.member_index = 2; }, NoBytes, kMin,
       false},
      {"member size field differs from the file",
       [](HeaderSpec& s) { s.member_size = kMin + 4096; }, NoBytes, kMin, false},
      {"own entry's size differs from the file",
       [](HeaderSpec& s) { s.manifest[0].member_size = kMin + 4096; }, NoBytes, kMin, false},
      {"own member id differs from its entry",
       [](HeaderSpec& s) { s.member_id = HeaderSpec::MemberIdFor(9); }, NoBytes, kMin, false},
      {"other entry one block above the minimum",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 2), s.manifest[1].member_size = kMin + 4096; },
       NoBytes, kMin, true},
      {"other entry not a multiple of 4096",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 2), s.manifest[1].member_size = 402655232; },
       NoBytes, kMin, false},
      {"other entry below the minimum",
       [](HeaderSpec& s) { s = HeaderSpec::Member(0, 2), s.manifest[1].member_size = 398458880; },
       NoBytes, kMin, false},
      {"duplicate member ids, not the own entry",
       [](HeaderSpec& s) {
         s = HeaderSpec::Member(0, 3);
         s.manifest[2].member_id = s.manifest[1].member_id;
       },
       NoBytes, kMin, false},
      {"duplicate member ids with the own entry",
       [](HeaderSpec& s) {
         s = HeaderSpec::Member(1, 3);
         s.manifest[0].member_id = s.manifest[1].member_id;
       },
       NoBytes, kMin, false},
      {"unread ranges may hold anything", [](HeaderSpec& s) { s = HeaderSpec::Member(0, 2); },
       [](HeaderBytes& c) {
         for (std::size_t i : {47u, 60u, 63u, 200u, 448u, 511u, 600u, 4095u}) c[i] = 0xEE;
       },
       kMin, true},
  };
  for (const ParseCase& c : cases) {
    HeaderSpec spec;
    c.change_spec(spec);
    HeaderBytes copy = BuildHeaderCopy(spec);
    c.change_bytes(copy);
    FixChecksum(copy);
    EXPECT_EQ(ParseMemberHeader(copy, c.file_size).has_value(), c.valid) << c.name;
  }
}

TEST(ParseMemberHeader, WrongChecksumIsInvalid) {
  HeaderBytes copy = BuildHeaderCopy(HeaderSpec{});
  copy[56] ^= 1;
  EXPECT_FALSE(ParseMemberHeader(copy, kMinMemberSize));
}

TEST(ParseMemberHeader, BuildsTheHeaderFromTheCopy) {
  HeaderSpec spec = HeaderSpec::Member(2, 3, true);
  spec.manifest[1].member_size = 1073741824;
  const std::optional<MemberHeader> header =
      ParseMemberHeader(BuildHeaderCopy(spec), kMinMemberSize);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->pool_id, spec.pool_id);
  EXPECT_EQ(header->member_id, HeaderSpec::MemberIdFor(2));
  EXPECT_EQ(header->member_index, 2);
  EXPECT_TRUE(header->encrypted);
  EXPECT_EQ(header->manifest, spec.manifest);
}

TEST(ReconcileHeaderCopies, Table) {
  const HeaderBytes valid1 = BuildHeaderCopy(HeaderSpec::Member(0, 2));
  HeaderBytes valid2 = valid1;
  valid2[47] = 1;  // an unread byte, checksum fixed: valid but not identical
  FixChecksum(valid2);
  HeaderBytes invalid = valid1;
  invalid[56] ^= 1;
  HeaderSpec other_spec = HeaderSpec::Member(1, 2);
  const HeaderBytes other = BuildHeaderCopy(other_spec);

  EXPECT_EQ(ReconcileHeaderCopies(valid1, valid1, kMinMemberSize),
            ParseMemberHeader(valid1, kMinMemberSize));
  EXPECT_FALSE(ReconcileHeaderCopies(valid1, valid2, kMinMemberSize));
  EXPECT_EQ(ReconcileHeaderCopies(valid1, invalid, kMinMemberSize),
            ParseMemberHeader(valid1, kMinMemberSize));
  // Copy 2 stands in for a damaged copy 1.
  const auto from_second = ReconcileHeaderCopies(invalid, other, kMinMemberSize);
  ASSERT_TRUE(from_second);
  EXPECT_EQ(from_second->member_index, 1);
  EXPECT_FALSE(ReconcileHeaderCopies(invalid, invalid, kMinMemberSize));
}

TEST(ReadMemberImage, SizeGateAndShortFiles) {
  TestDisk disk;
  const HeaderBytes copy = BuildHeaderCopy(HeaderSpec{});
  std::vector<std::uint8_t> both(copy.begin(), copy.end());
  both.insert(both.end(), copy.begin(), copy.end());
  disk.AddFile(u"C:\\small.img", kMinMemberSize - 1, both);
  disk.AddFile(u"C:\\exact.img", kMinMemberSize, both);
  disk.AddFile(u"C:\\one-copy.img", kMinMemberSize,
               std::vector<std::uint8_t>(copy.begin(), copy.end()));
  disk.AddFolder(u"C:\\folder");
  disk.AddOther(u"C:\\fifo");

  EXPECT_FALSE(ReadMemberImage(disk, u"C:\\small.img"));
  EXPECT_TRUE(ReadMemberImage(disk, u"C:\\exact.img"));
  // Copy 2 is zeros, so copy 1 alone decides.
  EXPECT_TRUE(ReadMemberImage(disk, u"C:\\one-copy.img"));
  EXPECT_FALSE(ReadMemberImage(disk, u"C:\\missing.img"));
  EXPECT_FALSE(ReadMemberImage(disk, u"C:\\folder"));
  EXPECT_FALSE(ReadMemberImage(disk, u"C:\\fifo"));
}

}  // namespace
}  // namespace marlox

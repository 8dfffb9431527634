// The version 6 member image header: two 4096-byte copies at the start of every
// member image, their validation and reconciliation.
#ifndef MARLOX_POOL_MEMBER_HEADER_H_
#define MARLOX_POOL_MEMBER_HEADER_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace marlox {

class DiskInterface;

inline constexpr std::size_t kHeaderCopySize = 4096;
inline constexpr std::uint64_t kMinMemberSize = 402653184;  // 384 MiB
inline constexpr std::size_t kMaxPoolMembers = 16;

using PoolId = std::array<std::uint8_t, 16>;
using MemberId = std::array<std::uint8_t, 16>;

struct ManifestEntry {
  MemberId member_id{};
  std::uint64_t member_size = 0;
  bool operator==(const ManifestEntry&) const = default;
};

struct MemberHeader {
  PoolId pool_id{};
  MemberId member_id{};
  std::uint8_t member_index = 0;
  bool encrypted = false;
  std::vector<ManifestEntry> manifest;
  bool operator==(const MemberHeader&) const = default;
};

using HeaderCopy = std::span<const std::uint8_t, kHeaderCopySize>;

// FNV-1a over the copy with the checksum field (offsets 56 to 59) taken as zeros.
std::uint32_t HeaderChecksum(HeaderCopy copy);

// Validates one copy against the size of the file that holds it.
std::optional<MemberHeader> ParseMemberHeader(HeaderCopy copy, std::uint64_t file_size);

// Chooses between the two copies of one image: a valid copy wins over an invalid
// one, and two valid copies must agree byte for byte.
std::optional<MemberHeader> ReconcileHeaderCopies(HeaderCopy copy1, HeaderCopy copy2,
                                                  std::uint64_t file_size);

// Opens, sizes and reads an image's two header copies. Any problem of the file
// itself yields nothing; files below kMinMemberSize are never read.
std::optional<MemberHeader> ReadMemberImage(DiskInterface& disk, const std::u16string& path);

}  // namespace marlox

#endif  // MARLOX_POOL_MEMBER_HEADER_H_

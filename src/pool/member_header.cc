#include "pool/member_header.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "pool/disk_interface.h"

namespace marlox {
namespace {

constexpr std::uint8_t kMagic[8] = {'M', 'A', 'R', 'L', 'O', 'X', '0', '6'};
constexpr std::size_t kChecksumOffset = 56;
constexpr std::size_t kManifestOffset = 64;
constexpr std::size_t kManifestEntrySize = 24;
constexpr std::size_t kEncryptionBytesOffset = 512;
constexpr std::size_t kEncryptionParameterOffset = 544;
constexpr std::uint8_t kModePlain = 2;
constexpr std::uint8_t kModePassword = 3;

std::uint32_t LoadU32(HeaderCopy copy, std::size_t offset) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= std::uint32_t{copy[offset + i]} << (8 * i);
  return v;
}

std::uint64_t LoadU64(HeaderCopy copy, std::size_t offset) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < 8; ++i) v |= std::uint64_t{copy[offset + i]} << (8 * i);
  return v;
}

template <std::size_t N>
std::array<std::uint8_t, N> LoadBytes(HeaderCopy copy, std::size_t offset) {
  std::array<std::uint8_t, N> out{};
  std::copy_n(copy.begin() + static_cast<std::ptrdiff_t>(offset), N, out.begin());
  return out;
}

bool IsValidManifestSize(std::uint64_t size) {
  return size % kHeaderCopySize == 0 && size >= kMinMemberSize;
}

}  // namespace

std::uint32_t HeaderChecksum(HeaderCopy copy) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < kHeaderCopySize; ++i) {
    const bool in_field = i >= kChecksumOffset && i < kChecksumOffset + 4;
    h = (h ^ (in_field ? 0u : copy[i])) * 16777619u;
  }
  return h;
}

std::optional<MemberHeader> ParseMemberHeader(HeaderCopy copy, std::uint64_t file_size) {
  if (std::memcmp(copy.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
  if (LoadU32(copy, 8) != 6) return std::nullopt;
  const std::uint8_t mode = copy[46];
  if (mode != kModePlain && mode != kModePassword) return std::nullopt;
  if (HeaderChecksum(copy) != LoadU32(copy, kChecksumOffset)) return std::nullopt;
  if (mode == kModePassword) {
    const std::uint32_t parameter = LoadU32(copy, kEncryptionParameterOffset);
    if (parameter < 100000 || parameter > 10000000) return std::nullopt;
    const auto bytes = copy.subspan(kEncryptionBytesOffset, 32);
    if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) {
      return std::nullopt;
    }
  }
  if (file_size % kHeaderCopySize != 0) return std::nullopt;
  const std::uint8_t member_count = copy[45];
  if (member_count < 1 || member_count > kMaxPoolMembers) return std::nullopt;
  const std::uint8_t member_index = copy[44];
  if (member_index >= member_count) return std::nullopt;
  if (LoadU64(copy, 48) != file_size) return std::nullopt;

  MemberHeader header;
  header.manifest.reserve(member_count);
  for (std::size_t j = 0; j < member_count; ++j) {
    const std::size_t offset = kManifestOffset + kManifestEntrySize * j;
    ManifestEntry entry{LoadBytes<16>(copy, offset), LoadU64(copy, offset + 16)};
    if (!IsValidManifestSize(entry.member_size)) return std::nullopt;
    for (const ManifestEntry& earlier : header.manifest) {
      if (earlier.member_id == entry.member_id) return std::nullopt;
    }
    header.manifest.push_back(entry);
  }
  header.pool_id = LoadBytes<16>(copy, 12);
  header.member_id = LoadBytes<16>(copy, 28);
  header.member_index = member_index;
  header.encrypted = mode == kModePassword;
  const ManifestEntry& own = header.manifest[member_index];
  if (own.member_id != header.member_id || own.member_size != file_size) return std::nullopt;
  return header;
}

std::optional<MemberHeader> ReconcileHeaderCopies(HeaderCopy copy1, HeaderCopy copy2,
                                                  std::uint64_t file_size) {
  std::optional<MemberHeader> first = ParseMemberHeader(copy1, file_size);
  std::optional<MemberHeader> second = ParseMemberHeader(copy2, file_size);
  if (first && second) {
    if (!std::equal(copy1.begin(), copy1.end(), copy2.begin())) return std::nullopt;
    return first;
  }
  return first ? std::move(first) : std::move(second);
}

std::optional<MemberHeader> ReadMemberImage(DiskInterface& disk, const std::u16string& path) {
  const std::unique_ptr<ImageFile> file = disk.OpenImage(path);
  if (!file) return std::nullopt;
  const std::optional<std::uint64_t> size = file->Size();
  if (!size || *size < kMinMemberSize) return std::nullopt;
  std::array<std::uint8_t, kHeaderCopySize> copy1{};
  std::array<std::uint8_t, kHeaderCopySize> copy2{};
  if (!file->ReadExactly(copy1.data(), copy1.size())) return std::nullopt;
  if (!file->ReadExactly(copy2.data(), copy2.size())) return std::nullopt;
  return ReconcileHeaderCopies(copy1, copy2, *size);
}

}  // namespace marlox

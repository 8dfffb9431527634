// Test support: member image headers built field by field, and an in-memory file
// tree that stands in for the disk in discovery tests.
#ifndef MARLOX_POOL_TEST_DISK_H_
#define MARLOX_POOL_TEST_DISK_H_

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pool/disk_interface.h"
#include "pool/member_header.h"

namespace marlox {

// The fields of one header copy. The defaults make a valid copy of member 0 of a
// one-member unencrypted pool of kMinMemberSize bytes.
struct HeaderSpec {
  PoolId pool_id{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  std::uint8_t member_index = 0;
  std::uint8_t encryption_mode = 2;
  std::vector<ManifestEntry> manifest{{MemberIdFor(0), kMinMemberSize}};
  // Defaults to manifest.size() and manifest[member_index]; set to break the rules.
  std::optional<std::uint8_t> member_count;
  std::optional<MemberId> member_id;
  std::optional<std::uint64_t> member_size;
  std::array<std::uint8_t, 32> encryption_bytes{};
  std::uint32_t encryption_parameter = 0;
  bool fix_checksum = true;  // false leaves the checksum field zero

  static MemberId MemberIdFor(int n);
  // A spec for member `index` of a pool of `count` members of kMinMemberSize bytes.
  static HeaderSpec Member(int index, int count, bool encrypted = false);
};

using HeaderBytes = std::array<std::uint8_t, kHeaderCopySize>;
HeaderBytes BuildHeaderCopy(const HeaderSpec& spec);
// Recomputes the checksum after a test has changed bytes of a copy.
void FixChecksum(HeaderBytes& copy);

// An in-memory tree of absolute Windows paths (compared exactly, case-sensitively).
// Folders list their entries in the order they were added.
class TestDisk final : public DiskInterface {
 public:
  TestDisk();

  void AddFolder(const std::u16string& path);
  // A file of `size` bytes whose first bytes are `head` (zeros after it).
  void AddFile(const std::u16string& path, std::uint64_t size, std::vector<std::uint8_t> head);
  // A member image with two identical header copies, as large as its header says.
  void AddImage(const std::u16string& path, const HeaderSpec& spec);
  void AddLink(const std::u16string& path, const std::u16string& target, bool to_folder);
  void AddOther(const std::u16string& path);  // a FIFO or device
  void DenyListing(const std::u16string& folder);
  // Listing fails after `entries_before_failure` entries.
  void FailListing(const std::u16string& folder, std::size_t entries_before_failure);
  void SetDriveMask(std::uint32_t mask) { drive_mask_ = mask; }
  void SetCurrentDirectory(const std::u16string& path) { current_directory_ = path; }

  // Paths opened for reading, in order.
  const std::vector<std::u16string>& opened() const { return opened_; }
  // Folders listed, in order.
  const std::vector<std::u16string>& listed() const { return listed_; }

  std::unique_ptr<ImageFile> OpenImage(const std::u16string& path) override;
  platform::FileStatus Status(const std::u16string& path) override;
  platform::ListOutcome List(const std::u16string& path,
                             std::vector<platform::DirectoryEntry>* entries) override;
  std::uint32_t LogicalDriveMask() override { return drive_mask_; }
  std::optional<std::u16string> WeaklyCanonical(const std::u16string& path) override;
  std::u16string CurrentDirectory() override { return current_directory_; }

 private:
  enum class Kind { kFolder, kFile, kLink, kOther };
  struct Node {
    Kind kind = Kind::kFile;
    std::uint64_t size = 0;
    std::vector<std::uint8_t> head;
    std::u16string target;  // kLink
    bool link_to_folder = false;
    std::vector<std::u16string> children;  // kFolder, names in order
    bool deny = false;
    std::optional<std::size_t> fail_after;
  };

  std::u16string Absolute(const std::u16string& path) const;
  // Follows links in every element; nothing when an element is missing.
  std::optional<std::u16string> Resolve(const std::u16string& path) const;
  Node& Insert(const std::u16string& path, Kind kind);

  std::map<std::u16string, Node> nodes_;
  std::uint32_t drive_mask_ = 0;
  std::u16string current_directory_ = u"C:\\work";
  std::vector<std::u16string> opened_;
  std::vector<std::u16string> listed_;
};

}  // namespace marlox

#endif  // MARLOX_POOL_TEST_DISK_H_

#include "pool/discovery.h"

#include <stdexcept>
#include <unordered_set>

#include "config/windows_path.h"
#include "pool/disk_interface.h"
#include "pool/member_path.h"

namespace marlox {
namespace {

class Discovery {
 public:
  Discovery(DiskInterface& disk, DiscoveredPool& pool) : disk_(disk), pool_(pool) {}

  void ScanLocation(const std::u16string& location) {
    const platform::FileStatus status = disk_.Status(location);
    if (status.type == platform::FileType::kRegular) {
      OfferCandidate(location);
      return;
    }
    if (status.type == platform::FileType::kDirectory) WalkTree(location);
  }

  // Records the path's identity before reading it, so that no route reads a file
  // twice; fills the slot the image names, or raises a conflict.
  void OfferCandidate(const std::u16string& path) {
    std::u16string normal_form = NormalizeMemberPath(disk_, path);
    if (!seen_.insert(MemberPathKeyOfNormalForm(normal_form)).second) return;
    const std::optional<MemberHeader> header = ReadMemberImage(disk_, path);
    if (!header || header->pool_id != pool_.header.pool_id) return;
    if (header->manifest != pool_.header.manifest || header->encrypted != pool_.header.encrypted) {
      throw std::runtime_error("matching pool ID has a different member manifest");
    }
    std::optional<std::u16string>& slot = pool_.member_paths[header->member_index];
    if (slot) throw std::runtime_error("two paths claim the same pool member identity");
    slot = std::move(normal_form);
  }

 private:
  struct Folder {
    std::u16string path;
    std::vector<platform::DirectoryEntry> entries;
    std::size_t next = 0;
    bool complete = false;
  };

  // Depth first, in listing order, entering each subfolder as it is met. Folder
  // links are not entered; denied folders are skipped; any other failure ends the
  // walk of this location. An explicit stack keeps deep trees off the call stack.
  void WalkTree(const std::u16string& location) {
    std::vector<Folder> stack;
    if (!Open(location, &stack)) return;
    while (!stack.empty()) {
      Folder& folder = stack.back();
      if (folder.next == folder.entries.size()) {
        if (!folder.complete) return;
        stack.pop_back();
        continue;
      }
      const platform::DirectoryEntry& entry = folder.entries[folder.next++];
      std::u16string path = AppendElement(folder.path, entry.name);
      if (entry.is_directory && !entry.is_link) {
        Open(std::move(path), &stack);  // may reallocate: `folder` is not used after
      } else {
        VisitFile(path);
      }
    }
  }

  bool Open(std::u16string path, std::vector<Folder>* stack) {
    Folder folder;
    const platform::ListOutcome outcome = disk_.List(path, &folder.entries);
    if (outcome == platform::ListOutcome::kAccessDenied) return false;
    folder.path = std::move(path);
    folder.complete = outcome == platform::ListOutcome::kComplete;
    stack->push_back(std::move(folder));
    return true;
  }

  // Files below the minimum size are passed over on their size alone, unread.
  void VisitFile(const std::u16string& path) {
    const platform::FileStatus status = disk_.Status(path);
    if (status.type != platform::FileType::kRegular || status.size < kMinMemberSize) return;
    OfferCandidate(path);
  }

  DiskInterface& disk_;
  DiscoveredPool& pool_;
  std::unordered_set<std::u16string> seen_;
};

}  // namespace

std::u16string DrivePoolFolder(char16_t drive_letter) {
  std::u16string folder = u"A:\\Marlox";
  folder[0] = drive_letter;
  return folder;
}

DiscoveredPool DiscoverPool(DiskInterface& disk, const std::u16string& seed,
                            const std::vector<std::u16string>& search_roots) {
  std::optional<MemberHeader> seed_header = ReadMemberImage(disk, seed);
  if (!seed_header) throw std::runtime_error("seed is not a valid current v6 member image");
  DiscoveredPool pool;
  pool.header = std::move(*seed_header);
  pool.member_paths.resize(pool.header.manifest.size());

  Discovery discovery(disk, pool);
  discovery.OfferCandidate(seed);
  // Offering the seed stored its normal form in its slot; it is worked out again
  // only if the file changed between the two reads and the slot stayed empty.
  const std::optional<std::u16string>& seed_slot = pool.member_paths[pool.header.member_index];
  if (pool.member_paths.size() == 1 && seed_slot) return pool;
  const std::u16string seed_folder(
      ParentPath(seed_slot ? *seed_slot : NormalizeMemberPath(disk, seed)));

  discovery.ScanLocation(seed_folder);
  const std::uint32_t drives = disk.LogicalDriveMask();
  for (int bit = 0; bit < 26; ++bit) {
    if ((drives >> bit) & 1u) {
      discovery.ScanLocation(DrivePoolFolder(static_cast<char16_t>(u'A' + bit)));
    }
  }
  for (const std::u16string& root : search_roots) discovery.ScanLocation(root);
  return pool;
}

}  // namespace marlox

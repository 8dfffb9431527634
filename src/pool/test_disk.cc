#include "pool/test_disk.h"

#include <algorithm>
#include <cstring>

#include "config/windows_path.h"

namespace marlox {
namespace {

void StoreU32(HeaderBytes& copy, std::size_t offset, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) copy[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void StoreU64(HeaderBytes& copy, std::size_t offset, std::uint64_t v) {
  for (std::size_t i = 0; i < 8; ++i) copy[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class TestImageFile final : public ImageFile {
 public:
  TestImageFile(std::uint64_t size, const std::vector<std::uint8_t>& head)
      : size_(size), head_(head) {}
  std::optional<std::uint64_t> Size() override { return size_; }
  bool ReadExactly(void* buffer, std::size_t count) override {
    if (size_ - position_ < count) return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < count; ++i, ++position_) {
      out[i] = position_ < head_.size() ? head_[position_] : 0;
    }
    return true;
  }

 private:
  std::uint64_t size_;
  std::vector<std::uint8_t> head_;
  std::uint64_t position_ = 0;
};

}  // namespace

MemberId HeaderSpec::MemberIdFor(int n) {
  MemberId id{};
  for (std::size_t i = 0; i < id.size(); ++i)
    id[i] = static_cast<std::uint8_t>(0xA0u + static_cast<unsigned>(n) + i);
  return id;
}

HeaderSpec HeaderSpec::Member(int index, int count, bool encrypted) {
  HeaderSpec spec;
  spec.member_index = static_cast<std::uint8_t>(index);
  spec.manifest.clear();
  for (int i = 0; i < count; ++i) spec.manifest.push_back({MemberIdFor(i), kMinMemberSize});
  if (encrypted) {
    spec.encryption_mode = 3;
    spec.encryption_bytes.fill(0x5A);
    spec.encryption_parameter = 600000;
  }
  return spec;
}

HeaderBytes BuildHeaderCopy(const HeaderSpec& spec) {
  HeaderBytes copy{};
  std::memcpy(copy.data(), "MARLOX06", 8);
  StoreU32(copy, 8, 6);
  std::copy(spec.pool_id.begin(), spec.pool_id.end(), copy.begin() + 12);
  const bool own_entry = spec.member_index < spec.manifest.size();
  const MemberId member_id =
      spec.member_id.value_or(own_entry ? spec.manifest[spec.member_index].member_id : MemberId{});
  std::copy(member_id.begin(), member_id.end(), copy.begin() + 28);
  copy[44] = spec.member_index;
  copy[45] = spec.member_count.value_or(static_cast<std::uint8_t>(spec.manifest.size()));
  copy[46] = spec.encryption_mode;
  StoreU64(copy, 48,
           spec.member_size.value_or(own_entry ? spec.manifest[spec.member_index].member_size
                                               : kMinMemberSize));
  for (std::size_t j = 0; j < spec.manifest.size() && j < kMaxPoolMembers; ++j) {
    const std::size_t offset = 64 + 24 * j;
    std::copy(spec.manifest[j].member_id.begin(), spec.manifest[j].member_id.end(),
              copy.begin() + static_cast<std::ptrdiff_t>(offset));
    StoreU64(copy, offset + 16, spec.manifest[j].member_size);
  }
  std::copy(spec.encryption_bytes.begin(), spec.encryption_bytes.end(), copy.begin() + 512);
  StoreU32(copy, 544, spec.encryption_parameter);
  if (spec.fix_checksum) FixChecksum(copy);
  return copy;
}

void FixChecksum(HeaderBytes& copy) { StoreU32(copy, 56, HeaderChecksum(copy)); }

TestDisk::TestDisk() = default;

std::u16string TestDisk::Absolute(const std::u16string& path) const {
  return LexicallyNormal(IsAbsolutePath(path) ? path : AppendPath(current_directory_, path));
}

TestDisk::Node& TestDisk::Insert(const std::u16string& path, Kind kind) {
  const std::u16string absolute = Absolute(path);
  const std::u16string parent(ParentPath(absolute));
  if (parent != absolute) {
    if (!nodes_.count(parent)) AddFolder(parent);
    std::vector<std::u16string>& siblings = nodes_[parent].children;
    const std::u16string name(FileName(absolute));
    if (std::find(siblings.begin(), siblings.end(), name) == siblings.end()) {
      siblings.push_back(name);
    }
  }
  Node& node = nodes_[absolute];
  node.kind = kind;
  return node;
}

void TestDisk::AddFolder(const std::u16string& path) { Insert(path, Kind::kFolder); }

void TestDisk::AddFile(const std::u16string& path, std::uint64_t size,
                       std::vector<std::uint8_t> head) {
  Node& node = Insert(path, Kind::kFile);
  node.size = size;
  node.head = std::move(head);
}

void TestDisk::AddImage(const std::u16string& path, const HeaderSpec& spec) {
  const HeaderBytes copy = BuildHeaderCopy(spec);
  std::vector<std::uint8_t> head(copy.begin(), copy.end());
  head.insert(head.end(), copy.begin(), copy.end());
  const bool own_entry = spec.member_index < spec.manifest.size();
  AddFile(path,
          spec.member_size.value_or(own_entry ? spec.manifest[spec.member_index].member_size
                                              : kMinMemberSize),
          std::move(head));
}

void TestDisk::AddLink(const std::u16string& path, const std::u16string& target, bool to_folder) {
  Node& node = Insert(path, Kind::kLink);
  node.target = Absolute(target);
  node.link_to_folder = to_folder;
}

void TestDisk::AddOther(const std::u16string& path) { Insert(path, Kind::kOther); }

void TestDisk::DenyListing(const std::u16string& folder) { nodes_[Absolute(folder)].deny = true; }

void TestDisk::FailListing(const std::u16string& folder, std::size_t entries_before_failure) {
  nodes_[Absolute(folder)].fail_after = entries_before_failure;
}

std::optional<std::u16string> TestDisk::Resolve(const std::u16string& path) const {
  std::u16string current = Absolute(path);
  for (int hops = 0; hops < 40; ++hops) {
    // Find the first element whose prefix is a link and substitute its target.
    bool substituted = false;
    std::u16string prefix;
    for (std::u16string probe = current;; probe = std::u16string(ParentPath(probe))) {
      const auto it = nodes_.find(probe);
      if (it != nodes_.end() && it->second.kind == Kind::kLink) prefix = probe;
      if (ParentPath(probe) == probe) break;
    }
    if (!prefix.empty()) {
      std::u16string rest = current.substr(prefix.size());
      rest.erase(0, rest.find_first_not_of(u'\\'));
      const std::u16string& target = nodes_.at(prefix).target;
      current = rest.empty() ? target : LexicallyNormal(AppendPath(target, rest));
      substituted = true;
    }
    if (!substituted) {
      if (!nodes_.count(current)) return std::nullopt;
      return current;
    }
  }
  return std::nullopt;
}

std::unique_ptr<ImageFile> TestDisk::OpenImage(const std::u16string& path) {
  opened_.push_back(path);
  const std::optional<std::u16string> resolved = Resolve(path);
  if (!resolved) return nullptr;
  const Node& node = nodes_.at(*resolved);
  if (node.kind != Kind::kFile) return nullptr;
  return std::make_unique<TestImageFile>(node.size, node.head);
}

platform::FileStatus TestDisk::Status(const std::u16string& path) {
  const std::optional<std::u16string> resolved = Resolve(path);
  if (!resolved) return {platform::FileType::kNotFound, 0};
  const Node& node = nodes_.at(*resolved);
  switch (node.kind) {
    case Kind::kFolder:
      return {platform::FileType::kDirectory, 0};
    case Kind::kFile:
      return {platform::FileType::kRegular, node.size};
    default:
      return {platform::FileType::kOther, 0};
  }
}

platform::ListOutcome TestDisk::List(const std::u16string& path,
                                     std::vector<platform::DirectoryEntry>* entries) {
  entries->clear();
  listed_.push_back(path);
  const std::optional<std::u16string> resolved = Resolve(path);
  if (!resolved || nodes_.at(*resolved).kind != Kind::kFolder) {
    return platform::ListOutcome::kFailed;
  }
  const Node& folder = nodes_.at(*resolved);
  if (folder.deny) return platform::ListOutcome::kAccessDenied;
  for (const std::u16string& name : folder.children) {
    if (folder.fail_after && entries->size() == *folder.fail_after) {
      return platform::ListOutcome::kFailed;
    }
    const Node& child = nodes_.at(AppendElement(*resolved, name));
    entries->push_back({name, child.kind == Kind::kFolder, child.kind == Kind::kLink});
  }
  return platform::ListOutcome::kComplete;
}

std::optional<std::u16string> TestDisk::WeaklyCanonical(const std::u16string& path) {
  // The longest existing leading part is resolved, the rest appended by name.
  const std::u16string absolute = Absolute(path);
  std::u16string rest;
  for (std::u16string probe = absolute;; probe = std::u16string(ParentPath(probe))) {
    if (const std::optional<std::u16string> resolved = Resolve(probe)) {
      return rest.empty() ? *resolved : LexicallyNormal(AppendPath(*resolved, rest));
    }
    if (ParentPath(probe) == probe) return absolute;
    rest = rest.empty() ? std::u16string(FileName(probe))
                        : std::u16string(FileName(probe)) + u"\\" + rest;
  }
}

}  // namespace marlox

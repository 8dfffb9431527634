#include "pool/disk_interface.h"

namespace marlox {
namespace {

class RealImageFile final : public ImageFile {
 public:
  explicit RealImageFile(platform::InputFile file) : file_(std::move(file)) {}
  std::optional<std::uint64_t> Size() override { return file_.Size(); }
  bool ReadExactly(void* buffer, std::size_t count) override {
    return file_.ReadExactly(buffer, count);
  }

 private:
  platform::InputFile file_;
};

}  // namespace

std::unique_ptr<ImageFile> RealDisk::OpenImage(const std::u16string& path) {
  std::optional<platform::InputFile> file = platform::InputFile::Open(path);
  if (!file) return nullptr;
  return std::make_unique<RealImageFile>(std::move(*file));
}

platform::FileStatus RealDisk::Status(const std::u16string& path) {
  return platform::GetFileStatus(path);
}

platform::ListOutcome RealDisk::List(const std::u16string& path,
                                     std::vector<platform::DirectoryEntry>* entries) {
  return platform::ListDirectory(path, entries);
}

std::uint32_t RealDisk::LogicalDriveMask() { return platform::LogicalDriveMask(); }

std::optional<std::u16string> RealDisk::WeaklyCanonical(const std::u16string& path) {
  return platform::WeaklyCanonicalPath(path);
}

std::u16string RealDisk::CurrentDirectory() { return platform::CurrentDirectory(); }

}  // namespace marlox

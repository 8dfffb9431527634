// What discovery needs of the file system, behind an interface so that tests can
// stand a small in-memory tree in for the real one (see test_disk.h).
#ifndef MARLOX_POOL_DISK_INTERFACE_H_
#define MARLOX_POOL_DISK_INTERFACE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace marlox {

class ImageFile {
 public:
  virtual ~ImageFile() = default;
  virtual std::optional<std::uint64_t> Size() = 0;
  virtual bool ReadExactly(void* buffer, std::size_t count) = 0;
};

class DiskInterface {
 public:
  virtual ~DiskInterface() = default;
  // An open file for reading, or null when it cannot be opened.
  virtual std::unique_ptr<ImageFile> OpenImage(const std::u16string& path) = 0;
  virtual platform::FileStatus Status(const std::u16string& path) = 0;
  virtual platform::ListOutcome List(const std::u16string& path,
                                     std::vector<platform::DirectoryEntry>* entries) = 0;
  virtual std::uint32_t LogicalDriveMask() = 0;
  virtual std::optional<std::u16string> WeaklyCanonical(const std::u16string& path) = 0;
  virtual std::u16string CurrentDirectory() = 0;
};

// The machine's own file system, through the platform layer.
class RealDisk final : public DiskInterface {
 public:
  std::unique_ptr<ImageFile> OpenImage(const std::u16string& path) override;
  platform::FileStatus Status(const std::u16string& path) override;
  platform::ListOutcome List(const std::u16string& path,
                             std::vector<platform::DirectoryEntry>* entries) override;
  std::uint32_t LogicalDriveMask() override;
  std::optional<std::u16string> WeaklyCanonical(const std::u16string& path) override;
  std::u16string CurrentDirectory() override;
};

}  // namespace marlox

#endif  // MARLOX_POOL_DISK_INTERFACE_H_

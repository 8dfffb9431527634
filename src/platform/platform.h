// The operations the controller needs from the operating system, and nothing more.
// Paths and text are UTF-16 in Windows syntax on every build; each implementation
// converts at this edge. platform_win32.cc calls the Windows API; platform_posix.cc
// stands in for Windows on Linux, with the host's file tree as drive Z:.
#ifndef MARLOX_PLATFORM_PLATFORM_H_
#define MARLOX_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marlox::platform {

// Prepares the process before the entry function runs (stream modes, signals).
void InitializeProcess();

// The process's words, split by the Windows rules where the platform has a wide
// command line, element 0 included. Nothing when the command line cannot be split.
std::optional<std::vector<std::u16string>> CommandLineWords(int argc, char** argv);

// Unbuffered writes: each call reaches the stream before it returns, so the order of
// writes across the two error channels is kept. Failures are ignored.
void WriteStandardOutput(std::u16string_view text);
void WriteStandardErrorText(std::u16string_view text);
void WriteStandardErrorBytes(std::string_view bytes);

// A file opened for sequential reading, closed when the owner goes away.
class InputFile {
 public:
  // Opens an existing file for reading with read, write and delete sharing. Never
  // blocks: anything that is not a regular file (a FIFO, a device) is refused.
  static std::optional<InputFile> Open(std::u16string_view path);

  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // The file's size in bytes; nothing when it cannot be determined or is negative.
  std::optional<std::uint64_t> Size() const;
  // Reads exactly `count` bytes from the current position; false on failure or on
  // reaching the end first.
  bool ReadExactly(void* buffer, std::size_t count);

  // Moves to the end and returns the new position, the file's size at that moment;
  // nothing when the file cannot be positioned.
  std::optional<std::uint64_t> SeekToEnd();
  bool SeekToStart();

  enum class ReadOutcome { kData, kEnd, kError };
  // One read of at most `count` bytes; `*read` holds how many arrived (kData only).
  ReadOutcome ReadSome(void* buffer, std::size_t count, std::size_t* read);

 private:
  explicit InputFile(std::intptr_t native) : native_(native) {}
  void Close() noexcept;
  std::intptr_t native_;
};

enum class FileType { kNotFound, kRegular, kDirectory, kOther, kUnknown };

struct FileStatus {
  FileType type = FileType::kUnknown;
  std::uint64_t size = 0;  // meaningful for kRegular only
};

// Type and size of a path, following symbolic links. kUnknown when the query fails
// for a reason other than the path's absence.
FileStatus GetFileStatus(std::u16string_view path);

struct DirectoryEntry {
  std::u16string name;        // one element, no separators
  bool is_directory = false;  // a folder, not following a link
  bool is_link = false;       // a symbolic link or other reparse point
};

enum class ListOutcome { kComplete, kAccessDenied, kFailed };

// Lists a folder's entries in the order the file system gives them, without "." and
// "..". On kFailed, `entries` holds what was listed before the failure.
ListOutcome ListDirectory(std::u16string_view path, std::vector<DirectoryEntry>* entries);

// Bit 0 is drive A, bit 25 drive Z.
std::uint32_t LogicalDriveMask();

// The process's current directory as an absolute path. Throws std::runtime_error
// when it cannot be determined.
std::u16string CurrentDirectory();

// The weakly canonical form of a path: absolute, with its longest existing leading
// part resolved through the file system (links followed, the stored case of names)
// and the rest appended in lexical normal form. Nothing when the file system cannot
// answer for a reason other than absence.
std::optional<std::u16string> WeaklyCanonicalPath(std::u16string_view path);

// Compares two strings unit by unit after one fixed, locale-independent upper-casing
// of each UTF-16 code unit (ordinal comparison ignoring case).
bool EqualsIgnoringCaseOrdinal(std::u16string_view a, std::u16string_view b);

}  // namespace marlox::platform

#endif  // MARLOX_PLATFORM_PLATFORM_H_

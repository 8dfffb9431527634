// Linux stands in for Windows: the host's file tree is drive Z:, as under Wine.
// "Z:\tmp\a.img" and the drive-relative "\tmp\a.img" name /tmp/a.img, relative paths
// resolve against the current directory, and no other drive letter exists.
// Host names are bytes: they are decoded as UTF-8 with every stray byte carried
// through reversibly (see utf.h), and a backslash inside a host name, which Windows
// syntax cannot express, is shown as U+F05C.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>

#include "platform/platform.h"
#include "platform/utf.h"

namespace marlox::platform {
namespace {

constexpr char16_t kHostBackslash = 0xF05C;

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

std::optional<std::string> HostCurrentDirectory() {
  std::string buffer(PATH_MAX, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

// Folds "." and ".." of an absolute host path by name, as Windows does before it
// looks at the file system; keeps a trailing slash.
std::string LexicalHostPath(std::string_view absolute) {
  std::vector<std::string_view> kept;
  std::size_t i = 0;
  while (i < absolute.size()) {
    while (i < absolute.size() && absolute[i] == '/') ++i;
    std::size_t end = absolute.find('/', i);
    if (end == std::string_view::npos) end = absolute.size();
    const std::string_view element = absolute.substr(i, end - i);
    if (element == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (!element.empty() && element != ".") {
      kept.push_back(element);
    }
    i = end;
  }
  std::string out;
  for (const std::string_view element : kept) {
    out += '/';
    out += element;
  }
  if (out.empty()) return "/";
  if (absolute.back() == '/') out += '/';
  return out;
}

// The host path for a Windows path, or nothing when it names another drive, a
// network share or a device, or holds a NUL. Like Windows, it folds "." and ".."
// by name against the absolute path before the file system sees it, so that
// "pool\missing\..\a.img" names pool/a.img.
std::optional<std::string> ToHostPath(std::u16string_view path) {
  // No Windows path is longer than this, so nothing by a longer name exists.
  constexpr std::size_t kMaxWindowsPath = 32767;
  if (path.empty() || path.size() > kMaxWindowsPath) return std::nullopt;
  if (path.size() >= 2 && path[1] == u':') {
    if (path[0] != u'Z' && path[0] != u'z') return std::nullopt;
    path.remove_prefix(2);  // "Z:x" is relative to the current directory of Z:
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return std::nullopt;
  }
  std::u16string converted(path);
  for (char16_t& unit : converted) {
    if (unit == 0) return std::nullopt;
    if (IsSeparator(unit)) {
      unit = u'/';
    } else if (unit == kHostBackslash) {
      unit = u'\\';
    }
  }
  std::string host = EncodeUtf8(converted, true);
  if (host.empty() || host.front() != '/') {
    const std::optional<std::string> current = HostCurrentDirectory();
    if (!current) return std::nullopt;
    host = *current + "/" + host;
  }
  return LexicalHostPath(host);
}

std::u16string FromHostName(std::string_view name) {
  std::u16string decoded = DecodeUtf8(name);
  for (char16_t& unit : decoded) {
    if (unit == u'\\') unit = kHostBackslash;
  }
  return decoded;
}

// An absolute host path as a Windows path on drive Z:.
std::u16string FromHostPath(std::string_view host) {
  std::u16string out = u"Z:";
  std::size_t i = 0;
  while (i < host.size()) {
    if (host[i] == '/') {
      out += u'\\';
      ++i;
      continue;
    }
    std::size_t end = host.find('/', i);
    if (end == std::string_view::npos) end = host.size();
    out += FromHostName(host.substr(i, end - i));
    i = end;
  }
  return out;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

struct CasePair {
  char16_t unit;
  char16_t upper;
};

constexpr CasePair kUpperCase[] = {
#include "platform/case_table_posix.inc"
};

char16_t UpperCaseUnit(char16_t unit) {
  if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
  const auto* found =
      std::lower_bound(std::begin(kUpperCase), std::end(kUpperCase), unit,
                       [](const CasePair& pair, char16_t u) { return pair.unit < u; });
  return found != std::end(kUpperCase) && found->unit == unit ? found->upper : unit;
}

}  // namespace

void InitializeProcess() {
  // A closed output pipe must not kill the process; write errors are ignored.
  ::signal(SIGPIPE, SIG_IGN);
}

std::optional<std::vector<std::u16string>> CommandLineWords(int argc, char** argv) {
  if (argc < 0 || argv == nullptr) return std::nullopt;
  std::vector<std::u16string> words;
  words.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) words.push_back(DecodeUtf8(argv[i]));
  return words;
}

void WriteStandardOutput(std::u16string_view text) {
  WriteAll(STDOUT_FILENO, EncodeUtf8(text, true));
}

void WriteStandardErrorText(std::u16string_view text) {
  WriteAll(STDERR_FILENO, EncodeUtf8(text, true));
}

void WriteStandardErrorBytes(std::string_view bytes) { WriteAll(STDERR_FILENO, bytes); }

std::optional<InputFile> InputFile::Open(std::u16string_view path) {
  const std::optional<std::string> host = ToHostPath(path);
  if (!host) return std::nullopt;
  // O_NONBLOCK: opening a FIFO for reading must not wait for a writer. Whatever is
  // opened, only a regular file is kept, so a file swapped for a FIFO after a type
  // test is refused here too.
  const int fd = ::open(host->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  InputFile file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return file;
}

InputFile::InputFile(InputFile&& other) noexcept : native_(other.native_) { other.native_ = -1; }

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    native_ = other.native_;
    other.native_ = -1;
  }
  return *this;
}

InputFile::~InputFile() { Close(); }

void InputFile::Close() noexcept {
  if (native_ >= 0) ::close(static_cast<int>(native_));
  native_ = -1;
}

std::optional<std::uint64_t> InputFile::Size() const {
  struct stat st {};
  if (::fstat(static_cast<int>(native_), &st) != 0 || st.st_size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

bool InputFile::ReadExactly(void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t n = ::read(static_cast<int>(native_), out, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<std::uint64_t> InputFile::SeekToEnd() {
  const off_t end = ::lseek(static_cast<int>(native_), 0, SEEK_END);
  if (end < 0) return std::nullopt;
  return static_cast<std::uint64_t>(end);
}

bool InputFile::SeekToStart() { return ::lseek(static_cast<int>(native_), 0, SEEK_SET) == 0; }

InputFile::ReadOutcome InputFile::ReadSome(void* buffer, std::size_t count, std::size_t* read) {
  *read = 0;
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(native_), buffer, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadOutcome::kError;
    if (n == 0) return ReadOutcome::kEnd;
    *read = static_cast<std::size_t>(n);
    return ReadOutcome::kData;
  }
}

FileStatus GetFileStatus(std::u16string_view path) {
  const std::optional<std::string> host = ToHostPath(path);
  if (!host) return {FileType::kNotFound, 0};
  struct stat st {};
  if (::stat(host->c_str(), &st) != 0) {
    const bool absent = errno == ENOENT || errno == ENOTDIR;
    return {absent ? FileType::kNotFound : FileType::kUnknown, 0};
  }
  if (S_ISREG(st.st_mode)) return {FileType::kRegular, static_cast<std::uint64_t>(st.st_size)};
  if (S_ISDIR(st.st_mode)) return {FileType::kDirectory, 0};
  return {FileType::kOther, 0};
}

ListOutcome ListDirectory(std::u16string_view path, std::vector<DirectoryEntry>* entries) {
  entries->clear();
  const std::optional<std::string> host = ToHostPath(path);
  if (!host) return ListOutcome::kFailed;
  DIR* const opened = ::opendir(host->c_str());
  if (opened == nullptr) return errno == EACCES ? ListOutcome::kAccessDenied : ListOutcome::kFailed;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opened, ::closedir);
  const int dir_fd = ::dirfd(dir.get());
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) return errno == 0 ? ListOutcome::kComplete : ListOutcome::kFailed;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    DirectoryEntry out;
    out.name = FromHostName(name);
    struct stat st {};
    if (::fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      out.is_link = S_ISLNK(st.st_mode);
      out.is_directory = S_ISDIR(st.st_mode);
    }
    entries->push_back(std::move(out));
  }
}

std::uint32_t LogicalDriveMask() { return 1u << 25; }

std::u16string CurrentDirectory() {
  const std::optional<std::string> current = HostCurrentDirectory();
  if (!current) throw std::runtime_error("cannot determine the current directory");
  return FromHostPath(*current);
}

std::optional<std::u16string> WeaklyCanonicalPath(std::u16string_view path) {
  const std::optional<std::string> host = ToHostPath(path);
  if (!host) return std::nullopt;
  const std::string& full = *host;

  // The longest leading part that exists is resolved; the rest is kept by name.
  std::size_t end = full.size();
  for (;;) {
    const std::string prefix = end == 0 ? std::string("/") : full.substr(0, end);
    struct stat st {};
    if (::stat(prefix.c_str(), &st) == 0) {
      const std::unique_ptr<char, void (*)(void*)> resolved(::realpath(prefix.c_str(), nullptr),
                                                            ::free);
      if (!resolved) return std::nullopt;
      std::string result = resolved.get();
      if (end < full.size()) {
        if (result.back() != '/') result += '/';
        result.append(full, end + 1);
      }
      return FromHostPath(result);
    }
    if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
    if (end == 0) return std::nullopt;
    end = full.rfind('/', end - 1);
  }
}

bool EqualsIgnoringCaseOrdinal(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpperCaseUnit(a[i]) != UpperCaseUnit(b[i])) return false;
  }
  return true;
}

}  // namespace marlox::platform

// The Windows implementation: the real Win32 calls. Output bypasses the C runtime's
// streams, which would turn "\n" into "\r\n" and stop at the first character outside
// the code page: consoles get WriteConsoleW, files and pipes get UTF-8 bytes.

// windows.h must come first: the other Windows headers rely on it.
#include <windows.h>
//
#include <shellapi.h>

#include <climits>
#include <memory>
#include <stdexcept>

#include "platform/platform.h"
#include "platform/utf.h"

namespace marlox::platform {
namespace {

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(text, text + length);
}

bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// A NUL-terminated wide path, or nothing when the path holds a NUL of its own.
std::optional<std::wstring> ToWidePath(std::u16string_view path) {
  if (path.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  return ToWide(path);
}

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() {
    if (IsValid(handle_)) ::CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return IsValid(handle_); }

 private:
  HANDLE handle_;
};

void WriteBytes(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

void WriteText(DWORD which, std::u16string_view text) {
  const HANDLE handle = ::GetStdHandle(which);
  if (!IsValid(handle)) return;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    const std::wstring wide = ToWide(text);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 8192));
      if (!::WriteConsoleW(handle, rest.data(), chunk, &written, nullptr) || written == 0) return;
      rest.remove_prefix(written);
    }
    return;
  }
  WriteBytes(handle, EncodeUtf8(text, false));
}

bool IsAbsenceError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return true;
    default:
      return false;
  }
}

// Opens a file or folder for attribute queries only, following links.
HANDLE OpenForQuery(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::optional<std::wstring> FinalPath(HANDLE handle) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return std::nullopt;
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n);
  }
  // The result carries the long-path prefix; paths are shown in their usual form.
  if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + buffer.substr(7);
  if (buffer.rfind(L"\\\\?\\", 0) == 0) return buffer.substr(4);
  return buffer;
}

// Length of the part of a full path that no element can be stripped from.
std::size_t RootLength(const std::wstring& full) {
  std::size_t i = 0;
  if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) i = 4;
  if (full.size() >= i + 2 && full[i + 1] == L':') {
    return std::min(full.size(), i + 3);
  }
  if (i == 0 && full.rfind(L"\\\\", 0) == 0) i = 2;  // \\server\share\ -
  const std::size_t server_end = full.find(L'\\', i);
  if (server_end == std::wstring::npos) return full.size();
  if (i == 4) return server_end + 1;
  const std::size_t share_end = full.find(L'\\', server_end + 1);
  return share_end == std::wstring::npos ? full.size() : share_end + 1;
}

}  // namespace

void InitializeProcess() {}

std::optional<std::vector<std::u16string>> CommandLineWords(int, char**) {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (argv == nullptr) return std::nullopt;
  std::vector<std::u16string> words;
  try {
    words.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) words.push_back(FromWide(argv[i], ::wcslen(argv[i])));
  } catch (...) {
    ::LocalFree(argv);
    throw;
  }
  ::LocalFree(argv);
  return words;
}

void WriteStandardOutput(std::u16string_view text) { WriteText(STD_OUTPUT_HANDLE, text); }

void WriteStandardErrorText(std::u16string_view text) { WriteText(STD_ERROR_HANDLE, text); }

void WriteStandardErrorBytes(std::string_view bytes) {
  const HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
  if (IsValid(handle)) WriteBytes(handle, bytes);
}

std::optional<InputFile> InputFile::Open(std::u16string_view path) {
  const std::optional<std::wstring> wide = ToWidePath(path);
  if (!wide) return std::nullopt;
  const HANDLE handle = ::CreateFileW(wide->c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsValid(handle)) return std::nullopt;
  InputFile file(reinterpret_cast<std::intptr_t>(handle));
  // Pipes and devices could block a read; only files on a disk are kept.
  if (::GetFileType(handle) != FILE_TYPE_DISK) return std::nullopt;
  return file;
}

InputFile::InputFile(InputFile&& other) noexcept : native_(other.native_) {
  other.native_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    native_ = other.native_;
    other.native_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
  }
  return *this;
}

InputFile::~InputFile() { Close(); }

void InputFile::Close() noexcept {
  const HANDLE handle = reinterpret_cast<HANDLE>(native_);
  if (IsValid(handle)) ::CloseHandle(handle);
  native_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}

std::optional<std::uint64_t> InputFile::Size() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(reinterpret_cast<HANDLE>(native_), &size) || size.QuadPart < 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool InputFile::ReadExactly(void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  while (count > 0) {
    DWORD read = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (!::ReadFile(reinterpret_cast<HANDLE>(native_), out, chunk, &read, nullptr) || read == 0) {
      return false;
    }
    out += read;
    count -= read;
  }
  return true;
}

std::optional<std::uint64_t> InputFile::SeekToEnd() {
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(reinterpret_cast<HANDLE>(native_), LARGE_INTEGER{}, &position,
                          FILE_END) ||
      position.QuadPart < 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(position.QuadPart);
}

bool InputFile::SeekToStart() {
  return ::SetFilePointerEx(reinterpret_cast<HANDLE>(native_), LARGE_INTEGER{}, nullptr,
                            FILE_BEGIN) != 0;
}

InputFile::ReadOutcome InputFile::ReadSome(void* buffer, std::size_t count, std::size_t* read) {
  *read = 0;
  DWORD got = 0;
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
  if (!::ReadFile(reinterpret_cast<HANDLE>(native_), buffer, chunk, &got, nullptr)) {
    return ReadOutcome::kError;
  }
  if (got == 0) return ReadOutcome::kEnd;
  *read = got;
  return ReadOutcome::kData;
}

FileStatus GetFileStatus(std::u16string_view path) {
  const std::optional<std::wstring> wide = ToWidePath(path);
  if (!wide) return {FileType::kNotFound, 0};
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) {
    return {IsAbsenceError(::GetLastError()) ? FileType::kNotFound : FileType::kUnknown, 0};
  }
  DWORD attributes = data.dwFileAttributes;
  std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // A link: what counts is what it leads to.
    const ScopedHandle handle(OpenForQuery(*wide));
    if (!handle.valid()) {
      return {IsAbsenceError(::GetLastError()) ? FileType::kNotFound : FileType::kUnknown, 0};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.get(), &info)) return {FileType::kUnknown, 0};
    attributes = info.dwFileAttributes;
    size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {FileType::kDirectory, 0};
  if (attributes & FILE_ATTRIBUTE_DEVICE) return {FileType::kOther, 0};
  return {FileType::kRegular, size};
}

ListOutcome ListDirectory(std::u16string_view path, std::vector<DirectoryEntry>* entries) {
  entries->clear();
  std::optional<std::wstring> pattern = ToWidePath(path);
  if (!pattern) return ListOutcome::kFailed;
  if (!pattern->empty() && pattern->back() != L'\\' && pattern->back() != L'/' &&
      pattern->back() != L':') {
    *pattern += L'\\';
  }
  *pattern += L'*';
  WIN32_FIND_DATAW data{};
  const HANDLE find = ::FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED) return ListOutcome::kAccessDenied;
    return error == ERROR_FILE_NOT_FOUND ? ListOutcome::kComplete : ListOutcome::kFailed;
  }
  // Closed on every way out, an allocation failure while listing included.
  const std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> closer(find, ::FindClose);
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    DirectoryEntry entry;
    entry.name = FromWide(name.data(), name.size());
    entry.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.is_link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entries->push_back(std::move(entry));
  } while (::FindNextFileW(find, &data));
  return ::GetLastError() == ERROR_NO_MORE_FILES ? ListOutcome::kComplete : ListOutcome::kFailed;
}

std::uint32_t LogicalDriveMask() { return ::GetLogicalDrives(); }

std::u16string CurrentDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) throw std::runtime_error("cannot determine the current directory");
    if (n < buffer.size()) return FromWide(buffer.data(), n);
    buffer.resize(n);
  }
}

std::optional<std::u16string> WeaklyCanonicalPath(std::u16string_view path) {
  const std::optional<std::wstring> wide = ToWidePath(path);
  if (!wide || wide->empty()) return std::nullopt;
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFullPathNameW(wide->c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return std::nullopt;
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n);
  }

  // The longest leading part that exists is resolved; the rest is kept by name.
  const std::size_t root_length = RootLength(full);
  std::wstring probe = full;
  std::vector<std::wstring> rest;  // stripped elements, last first
  for (;;) {
    const ScopedHandle handle(OpenForQuery(probe));
    if (handle.valid()) {
      std::optional<std::wstring> result = FinalPath(handle.get());
      if (!result) return std::nullopt;
      for (auto it = rest.rbegin(); it != rest.rend(); ++it) {
        if (result->empty() || result->back() != L'\\') *result += L'\\';
        *result += *it;
      }
      return FromWide(result->data(), result->size());
    }
    if (!IsAbsenceError(::GetLastError())) return std::nullopt;
    const std::size_t separator = probe.find_last_of(L"\\/");
    if (probe.size() <= root_length || separator == std::wstring::npos) {
      return FromWide(full.data(), full.size());  // nothing of it exists
    }
    rest.push_back(probe.substr(separator + 1));
    probe.resize(std::max(separator, root_length));
  }
}

bool EqualsIgnoringCaseOrdinal(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const int length = static_cast<int>(a.size());
  return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), length,
                                reinterpret_cast<const wchar_t*>(b.data()), length,
                                TRUE) == CSTR_EQUAL;
}

}  // namespace marlox::platform

#include "config/windows_path.h"

#include <vector>

#include "platform/platform.h"

namespace marlox {
namespace {

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

std::size_t RootNameLength(std::u16string_view path) {
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':') return 2;
  if (path.size() >= 3 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) &&
      !IsPathSeparator(path[2])) {
    std::size_t end = 2;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    return end;
  }
  return 0;
}

bool IsDot(std::u16string_view element) { return element.size() == 1 && element[0] == u'.'; }

bool IsDotDot(std::u16string_view element) {
  return element.size() == 2 && element[0] == u'.' && element[1] == u'.';
}

bool IsNetworkRootName(std::u16string_view root_name) {
  return root_name.size() > 2 && IsPathSeparator(root_name[0]);
}

// Start of the relative part: just past the root name and the root directory.
std::size_t RelativePartStart(std::u16string_view path) {
  std::size_t i = RootNameLength(path);
  while (i < path.size() && IsPathSeparator(path[i])) ++i;
  return i;
}

}  // namespace

bool IsPathSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

std::u16string_view RootName(std::u16string_view path) {
  return path.substr(0, RootNameLength(path));
}

bool HasRootDirectory(std::u16string_view path) {
  const std::size_t n = RootNameLength(path);
  return n < path.size() && IsPathSeparator(path[n]);
}

bool IsAbsolutePath(std::u16string_view path) {
  const std::u16string_view root_name = RootName(path);
  if (root_name.empty()) return false;
  return IsNetworkRootName(root_name) || HasRootDirectory(path);
}

std::u16string AppendPath(std::u16string_view base, std::u16string_view path) {
  const std::u16string_view root_name = RootName(path);
  if (IsAbsolutePath(path) || (!root_name.empty() && root_name != RootName(base))) {
    return std::u16string(path);
  }
  const std::u16string_view rest = path.substr(root_name.size());
  std::u16string out;
  if (HasRootDirectory(path)) {
    out = RootName(base);
  } else {
    out = base;
    const std::u16string_view base_root = RootName(base);
    if (!FileName(base).empty() ||
        (IsNetworkRootName(base_root) && base_root.size() == base.size())) {
      out += u'\\';
    }
  }
  out += rest;
  return out;
}

std::u16string AppendElement(std::u16string_view folder, std::u16string_view element) {
  std::u16string path(folder);
  // A bare drive designator stands for that drive's current folder: "C:" + "x" is "C:x".
  const bool bare_drive = RootNameLength(folder) == 2 && folder.size() == 2;
  if (!path.empty() && !IsPathSeparator(path.back()) && !bare_drive) path += u'\\';
  path += element;
  return path;
}

std::optional<char16_t> DriveLetterOf(std::u16string_view word) {
  if (word.size() != 2 || word[1] != u':' || !IsAsciiLetter(word[0])) return std::nullopt;
  return word[0] >= u'a' ? static_cast<char16_t>(word[0] - 0x20) : word[0];
}

std::u16string LexicallyNormal(std::u16string_view path) {
  std::u16string normal(path);
  LexicallyNormalInPlace(normal);
  return normal;
}

// One pass, writing the result over the input: the output never outruns the
// input read so far, and a megabyte-long path needs no second buffer.
void LexicallyNormalInPlace(std::u16string& path) {
  if (path.empty()) return;
  const std::size_t size = path.size();
  const std::size_t root_name_length = RootNameLength(path);
  const bool has_root_directory = HasRootDirectory(path);
  std::size_t read = RelativePartStart(path);
  std::size_t write = 0;
  for (; write < root_name_length; ++write) {
    if (IsPathSeparator(path[write])) path[write] = u'\\';
  }
  if (has_root_directory) path[write++] = u'\\';

  // Where each kept element begins in the output, its separator included.
  std::vector<std::size_t> kept;
  const auto top_is_dot_dot = [&] {
    const std::size_t start = kept.back() + (kept.size() > 1 ? 1 : 0);
    return IsDotDot(std::u16string_view(path).substr(start, write - start));
  };
  // Whether the separator after the last kept element survives.
  bool trailing_separator = false;
  while (read < size) {
    std::size_t end = read;
    while (end < size && path[end] != u'\\' && path[end] != u'/') ++end;
    const std::u16string_view element = std::u16string_view(path).substr(read, end - read);
    if (IsDot(element)) {
      trailing_separator = true;
    } else if (IsDotDot(element) && !kept.empty() && !top_is_dot_dot()) {
      write = kept.back();
      kept.pop_back();
      trailing_separator = true;
    } else if (IsDotDot(element) && kept.empty() && has_root_directory) {
      trailing_separator = true;  // cannot climb above the root
    } else {
      kept.push_back(write);
      if (kept.size() > 1) path[write++] = u'\\';
      if (write != read) {
        std::copy(path.begin() + static_cast<std::ptrdiff_t>(read),
                  path.begin() + static_cast<std::ptrdiff_t>(end),
                  path.begin() + static_cast<std::ptrdiff_t>(write));
      }
      write += end - read;
      trailing_separator = false;
    }
    read = end;
    while (read < size && IsPathSeparator(path[read])) ++read;
    if (read == size && read > end) trailing_separator = true;
  }
  if (trailing_separator && !kept.empty() && !top_is_dot_dot()) path[write++] = u'\\';
  path.resize(write);
  if (path.empty()) path = u".";
}

std::u16string_view ParentPath(std::u16string_view path) {
  const std::size_t relative_start = RelativePartStart(path);
  if (relative_start == path.size()) return path;
  std::size_t end = path.size();
  while (end > relative_start && !IsPathSeparator(path[end - 1])) --end;
  while (end > relative_start && IsPathSeparator(path[end - 1])) --end;
  return path.substr(0, end);
}

std::u16string_view FileName(std::u16string_view path) {
  const std::size_t relative_start = RelativePartStart(path);
  std::size_t start = path.size();
  while (start > relative_start && !IsPathSeparator(path[start - 1])) --start;
  return path.substr(start);
}

bool HasFileName(std::u16string_view path) {
  return !path.empty() && !IsPathSeparator(path.back()) && RelativePartStart(path) < path.size();
}

std::u16string MakeAbsolutePath(std::u16string_view path) {
  if (IsAbsolutePath(path)) return std::u16string(path);
  return AppendPath(platform::CurrentDirectory(), path);
}

}  // namespace marlox

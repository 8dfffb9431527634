// Windows path syntax on UTF-16 strings, the same on every build: both '\' and '/'
// separate, a root name is a drive designator ("C:") or a network name
// ("\\server"), and a root directory is the separator run after it.
#ifndef MARLOX_CONFIG_WINDOWS_PATH_H_
#define MARLOX_CONFIG_WINDOWS_PATH_H_

#include <optional>
#include <string>
#include <string_view>

namespace marlox {

bool IsPathSeparator(char16_t unit);

// The root name of `path`: "C:" or "\\server", or empty.
std::u16string_view RootName(std::u16string_view path);
bool HasRootDirectory(std::u16string_view path);

// A drive designator with a root directory, or a network root name.
bool IsAbsolutePath(std::u16string_view path);

// `path` taken relative to `base`, by the Windows joining rules.
std::u16string AppendPath(std::u16string_view base, std::u16string_view path);

// A folder joined with one element, such as a name listed in it. Unlike
// AppendPath, the element is never read as a path of its own: "Z:m1.img" is a
// name (a legal one on Linux), not a drive-relative path.
std::u16string AppendElement(std::u16string_view folder, std::u16string_view element);

// The upper-case drive letter of a word that is one ASCII letter and a colon.
std::optional<char16_t> DriveLetterOf(std::u16string_view word);

// Separators folded to single backslashes, "." elements dropped, ".." elements folded
// into their parent and never above a root directory; "." for an empty result.
// One pass, linear in the length of the path.
std::u16string LexicallyNormal(std::u16string_view path);
void LexicallyNormalInPlace(std::u16string& path);

// The path without its last element and the separators before it; a bare root is
// its own parent.
std::u16string_view ParentPath(std::u16string_view path);

// The last element; empty when the path ends with a separator or is a bare root.
std::u16string_view FileName(std::u16string_view path);

// Whether FileName(path) is not empty, found without scanning the last element.
bool HasFileName(std::u16string_view path);

// `path` itself when absolute, else joined to the process's current directory.
std::u16string MakeAbsolutePath(std::u16string_view path);

}  // namespace marlox

#endif  // MARLOX_CONFIG_WINDOWS_PATH_H_

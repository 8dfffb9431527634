#include "pool/member_path.h"

#include "config/windows_path.h"
#include "pool/disk_interface.h"

namespace marlox {

std::u16string NormalizeMemberPath(DiskInterface& disk, const std::u16string& path) {
  if (std::optional<std::u16string> canonical = disk.WeaklyCanonical(path)) {
    return std::move(*canonical);
  }
  if (IsAbsolutePath(path)) return LexicallyNormal(path);
  return LexicallyNormal(AppendPath(disk.CurrentDirectory(), path));
}

std::u16string MemberPathKeyOfNormalForm(std::u16string normal_form) {
  for (char16_t& unit : normal_form) {
    if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 0x20);
  }
  return normal_form;
}

std::u16string MemberPathKey(DiskInterface& disk, const std::u16string& path) {
  return MemberPathKeyOfNormalForm(NormalizeMemberPath(disk, path));
}

}  // namespace marlox

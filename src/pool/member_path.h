// The normal form of a member path and the key that tells whether two paths name
// the same member file.
#ifndef MARLOX_POOL_MEMBER_PATH_H_
#define MARLOX_POOL_MEMBER_PATH_H_

#include <string>

namespace marlox {

class DiskInterface;

// Weakly canonical where the file system can answer, else absolute and lexically
// normal. Throws when not even the absolute path can be formed.
std::u16string NormalizeMemberPath(DiskInterface& disk, const std::u16string& path);

// The normal form with the ASCII letters a to z upper-cased; nothing else changes.
std::u16string MemberPathKey(DiskInterface& disk, const std::u16string& path);
std::u16string MemberPathKeyOfNormalForm(std::u16string normal_form);

}  // namespace marlox

#endif  // MARLOX_POOL_MEMBER_PATH_H_

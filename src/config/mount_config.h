// The mount configuration: one JSON object with the keys schema_version, drive,
// members, name and require_encrypted, checked key by key in document order.
#ifndef MARLOX_CONFIG_MOUNT_CONFIG_H_
#define MARLOX_CONFIG_MOUNT_CONFIG_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/json_reader.h"

namespace marlox {

inline constexpr std::u16string_view kDefaultPoolName = u"Marlox";

struct MountConfig {
  char16_t drive = 0;                     // an upper-case letter, no colon
  std::u16string name{kDefaultPoolName};  // checked by the pool name rule if given
  std::vector<std::u16string> members;    // absolute, normal, backslashes only
  bool require_encrypted = true;
};

// Reads and checks the file named by `path` (as typed on the command line).
MountConfig LoadMountConfig(std::u16string_view path);

// Checks a loaded document; relative member paths resolve against `directory`.
MountConfig ParseMountConfig(const std::vector<std::uint8_t>& bytes, std::u16string_view directory);

// One `members` element as an absolute normal path; faults are raised at the
// cursor, which stands just past the element.
std::u16string ResolveMemberPath(const JsonCursor& cursor, std::u16string_view text,
                                 std::u16string_view directory);

}  // namespace marlox

#endif  // MARLOX_CONFIG_MOUNT_CONFIG_H_

// Positional discovery: from one seed image, the other members of its pool in the
// seed's folder tree, in every drive's pool folder and under the search roots.
#ifndef MARLOX_POOL_DISCOVERY_H_
#define MARLOX_POOL_DISCOVERY_H_

#include <optional>
#include <string>
#include <vector>

#include "pool/member_header.h"

namespace marlox {

class DiskInterface;

struct DiscoveredPool {
  MemberHeader header;
  // One slot per manifest entry; a present path is in normal form.
  std::vector<std::optional<std::u16string>> member_paths;
};

// The pool folder at the root of a drive, such as "M:\Marlox".
std::u16string DrivePoolFolder(char16_t drive_letter);

// Throws std::runtime_error for a seed that is no valid image and for the two
// conflicts; a pool with empty slots is a normal result.
DiscoveredPool DiscoverPool(DiskInterface& disk, const std::u16string& seed,
                            const std::vector<std::u16string>& search_roots);

}  // namespace marlox

#endif  // MARLOX_POOL_DISCOVERY_H_

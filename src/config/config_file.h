// Loading a mount configuration file: the path made absolute and normal, the whole
// file read under a size limit, and a guard against a file that changes meanwhile.
#ifndef MARLOX_CONFIG_CONFIG_FILE_H_
#define MARLOX_CONFIG_CONFIG_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marlox {

inline constexpr std::uint64_t kMaxConfigBytes = 1048576;

struct LoadedConfigFile {
  std::vector<std::uint8_t> bytes;  // exactly as stored
  std::u16string directory;         // the folder that holds the file
};

// Throws std::invalid_argument for an empty path and std::runtime_error for every
// problem of the file.
LoadedConfigFile ReadConfigFile(std::u16string_view path);

}  // namespace marlox

#endif  // MARLOX_CONFIG_CONFIG_FILE_H_

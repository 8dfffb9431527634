// Loading a mount configuration file: the path made absolute and normal, the whole
// file read under a size limit, and a guard against a file that changes meanwhile.
#ifndef MARLOX_CONFIG_CONFIG_FILE_H_
#define MARLOX_CONFIG_CONFIG_FILE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace marlox {

inline constexpr std::uint64_t kMaxConfigBytes = 1048576;

struct LoadedConfigFile {
  std::vector<std::uint8_t> bytes;  // exactly as stored
  std::u16string directory;         // the folder that holds the file
};

// An open configuration file, as the reading steps see it; the platform's file in
// the program, a scripted one in tests.
class ConfigInput {
 public:
  using ReadOutcome = platform::InputFile::ReadOutcome;
  virtual ~ConfigInput() = default;
  // Moves to the end; the new position is the file's size at that moment.
  virtual std::optional<std::uint64_t> SeekToEnd() = 0;
  virtual bool SeekToStart() = 0;
  virtual ReadOutcome ReadSome(void* buffer, std::size_t count, std::size_t* read) = 0;
};

// Measures the file, reads it whole under kMaxConfigBytes and makes sure that no
// byte followed the measured size. Throws std::runtime_error.
std::vector<std::uint8_t> ReadWholeConfig(ConfigInput& input);

// Throws std::invalid_argument for an empty path and std::runtime_error for every
// problem of the file.
LoadedConfigFile ReadConfigFile(std::u16string_view path);

}  // namespace marlox

#endif  // MARLOX_CONFIG_CONFIG_FILE_H_

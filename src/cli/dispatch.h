// The command table: which of the seven command forms a list of words makes.
#ifndef MARLOX_CLI_DISPATCH_H_
#define MARLOX_CLI_DISPATCH_H_

#include <string>
#include <string_view>
#include <vector>

namespace marlox {

enum class CommandKind {
  kUsage,
  kDiscover,
  kDiscoverConfig,
  kMount,
  kMountConfig,  // both "mount-config <config.json>" and "mount --config <config.json>"
  kStatus,
  kUnmount,
};

struct Invocation {
  CommandKind kind = CommandKind::kUsage;
  char16_t drive = 0;                        // kMount, kStatus, kUnmount
  std::u16string seed;                       // kDiscover, kMount
  std::vector<std::u16string> search_roots;  // kDiscover, kMount
  std::u16string config_path;                // kDiscoverConfig, kMountConfig
};

extern const std::u16string_view kUsageText;

// A letter and a colon, the letter upper-cased; throws std::runtime_error for
// anything else.
char16_t ParseDriveArgument(std::u16string_view word);

// Matches `words` (element 0 being the program path) against the command forms.
// The drive rule is applied here, so a bad drive word throws before anything runs.
Invocation ParseInvocation(const std::vector<std::u16string>& words);

}  // namespace marlox

#endif  // MARLOX_CLI_DISPATCH_H_

// The entry function: runs one command for a list of words and returns the exit
// code. Every failure becomes one "marloxctl: <message>" line on standard error.
#ifndef MARLOX_CLI_CONTROLLER_H_
#define MARLOX_CLI_CONTROLLER_H_

#include <string>
#include <vector>

namespace marlox {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsageOrIncomplete = 2;

int RunController(const std::vector<std::u16string>& words);

// Ends a command whose remaining work arrives with a later part of the controller.
[[noreturn]] void RaiseCommandNotAvailable();

}  // namespace marlox

#endif  // MARLOX_CLI_CONTROLLER_H_

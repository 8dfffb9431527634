#include "cli/controller.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "cli/configured_command.h"
#include "cli/dispatch.h"
#include "platform/platform.h"
#include "pool/discovery.h"
#include "pool/disk_interface.h"
#include "pool/pool_report.h"

namespace marlox {
namespace {

int Dispatch(const std::vector<std::u16string>& words) {
  const Invocation invocation = ParseInvocation(words);
  RealDisk disk;
  switch (invocation.kind) {
    case CommandKind::kUsage:
      platform::WriteStandardErrorText(kUsageText);
      return kExitUsageOrIncomplete;
    case CommandKind::kDiscover: {
      const DiscoveredPool pool = DiscoverPool(disk, invocation.seed, invocation.search_roots);
      PrintPoolReport(pool);
      const bool complete =
          std::all_of(pool.member_paths.begin(), pool.member_paths.end(),
                      [](const std::optional<std::u16string>& path) { return path.has_value(); });
      return complete ? kExitSuccess : kExitUsageOrIncomplete;
    }
    case CommandKind::kMount: {
      const DiscoveredPool pool = DiscoverPool(disk, invocation.seed, invocation.search_roots);
      PrintPoolReport(pool);
      RaiseCommandNotAvailable();
    }
    case CommandKind::kDiscoverConfig:
      return RunConfiguredCommand(disk, invocation.config_path, false);
    case CommandKind::kMountConfig:
      return RunConfiguredCommand(disk, invocation.config_path, true);
    case CommandKind::kStatus:
    case CommandKind::kUnmount:
      RaiseCommandNotAvailable();
  }
  return kExitFailure;
}

}  // namespace

void RaiseCommandNotAvailable() { throw std::runtime_error("command not available in this build"); }

int RunController(const std::vector<std::u16string>& words) {
  try {
    return Dispatch(words);
  } catch (const std::exception& error) {
    // Written in pieces so that reporting an allocation failure cannot allocate.
    platform::WriteStandardErrorBytes("marloxctl: ");
    platform::WriteStandardErrorBytes(error.what());
    platform::WriteStandardErrorBytes("\n");
    return kExitFailure;
  }
}

}  // namespace marlox

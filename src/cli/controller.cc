#include "cli/controller.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "cli/dispatch.h"
#include "platform/platform.h"
#include "pool/discovery.h"
#include "pool/disk_interface.h"
#include "pool/pool_report.h"

namespace marlox {
namespace {

// Commands whose work arrives with later parts of the controller end here, after
// everything this build can already do for them.
[[noreturn]] void CommandNotAvailable() {
  throw std::runtime_error("command not available in this build");
}

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
      CommandNotAvailable();
    }
    case CommandKind::kDiscoverConfig:
    case CommandKind::kMountConfig:
    case CommandKind::kStatus:
    case CommandKind::kUnmount:
      CommandNotAvailable();
  }
  return kExitFailure;
}

}  // namespace

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

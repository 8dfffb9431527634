// The configured commands: a pool formed from the member paths a mount
// configuration lists, with no search of folders or drives.
#ifndef MARLOX_CLI_CONFIGURED_COMMAND_H_
#define MARLOX_CLI_CONFIGURED_COMMAND_H_

#include <string_view>

#include "config/mount_config.h"
#include "pool/discovery.h"

namespace marlox {

class DiskInterface;

// Reads every listed member and checks that together they are exactly one complete
// pool, each member listed once. Every slot of the result is filled.
DiscoveredPool ResolveConfiguredPool(DiskInterface& disk, const MountConfig& config);

// discover-config, mount-config and mount --config: loads, resolves and prints the
// pool, then mounts it when `mounts` is set. Returns the exit code.
int RunConfiguredCommand(DiskInterface& disk, std::u16string_view config_path, bool mounts);

}  // namespace marlox

#endif  // MARLOX_CLI_CONFIGURED_COMMAND_H_

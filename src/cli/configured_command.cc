#include "cli/configured_command.h"

#include <stdexcept>
#include <string>
#include <unordered_set>

#include "cli/controller.h"
#include "pool/member_path.h"
#include "pool/pool_report.h"

namespace marlox {
namespace {

[[noreturn]] void RaiseForMember(std::size_t position, const char* what) {
  throw std::runtime_error("configured member " + std::to_string(position) + what);
}

}  // namespace

DiscoveredPool ResolveConfiguredPool(DiskInterface& disk, const MountConfig& config) {
  if (config.members.empty()) throw std::runtime_error("mount config has no members");
  std::optional<MemberHeader> reference = ReadMemberImage(disk, config.members[0]);
  if (!reference) throw std::runtime_error("configured member 0 is missing or invalid");
  if (config.require_encrypted && !reference->encrypted) {
    throw std::runtime_error("mount config requires an encrypted pool");
  }
  if (config.members.size() != reference->manifest.size()) {
    throw std::runtime_error("mount config does not list the complete member set");
  }

  DiscoveredPool pool;
  pool.header = std::move(*reference);
  pool.member_paths.resize(pool.header.manifest.size());
  std::unordered_set<std::u16string> seen_keys;
  for (std::size_t i = 0; i < config.members.size(); ++i) {
    const std::u16string& path = config.members[i];
    // The path check comes before the read: two routes to one file are one member
    // listed twice, whatever the file holds.
    std::u16string normal_form = NormalizeMemberPath(disk, path);
    if (!seen_keys.insert(MemberPathKeyOfNormalForm(normal_form)).second) {
      throw std::runtime_error("mount config lists a member path twice");
    }
    const std::optional<MemberHeader> header = ReadMemberImage(disk, path);
    if (!header) RaiseForMember(i, " is missing or invalid");
    if (header->pool_id != pool.header.pool_id || header->manifest != pool.header.manifest ||
        header->encrypted != pool.header.encrypted) {
      RaiseForMember(i, " does not belong to this pool");
    }
    std::optional<std::u16string>& slot = pool.member_paths[header->member_index];
    if (slot) throw std::runtime_error("mount config lists the same member identity twice");
    slot = std::move(normal_form);
  }
  return pool;
}

int RunConfiguredCommand(DiskInterface& disk, std::u16string_view config_path, bool mounts) {
  const MountConfig config = LoadMountConfig(config_path);
  const DiscoveredPool pool = ResolveConfiguredPool(disk, config);
  PrintPoolReport(pool);
  if (mounts) RaiseCommandNotAvailable();
  return kExitSuccess;
}

}  // namespace marlox

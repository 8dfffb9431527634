#include "cli/dispatch.h"

#include <stdexcept>

#include "config/windows_path.h"

namespace marlox {

const std::u16string_view kUsageText =
    u"Usage: marloxctl discover <seed.img> [search-root ...]\n"
    u"       marloxctl discover-config <config.json>\n"
    u"       marloxctl mount <drive:> <seed.img> [search-root ...]\n"
    u"       marloxctl mount-config <config.json>\n"
    u"       marloxctl mount --config <config.json>\n"
    u"       marloxctl status <drive:>\n"
    u"       marloxctl unmount <drive:>\n"
    u"Positional discovery searches the seed folder and each drive's Marlox folder.\n"
    u"Config commands use only the member paths listed in JSON.\n"
    u"Mount control is limited to this Windows logon session.\n";

char16_t ParseDriveArgument(std::u16string_view word) {
  if (const std::optional<char16_t> letter = DriveLetterOf(word)) return *letter;
  throw std::runtime_error("drive must be a letter such as V:");
}

Invocation ParseInvocation(const std::vector<std::u16string>& words) {
  Invocation invocation;
  const std::size_t k = words.empty() ? 0 : words.size() - 1;
  if (k < 2) return invocation;
  const std::u16string_view command = words[1];

  auto positional = [&](CommandKind kind) {
    invocation.kind = kind;
    std::size_t seed_at = 2;
    if (kind == CommandKind::kMount) {
      invocation.drive = ParseDriveArgument(words[2]);
      seed_at = 3;
    }
    invocation.seed = words[seed_at];
    invocation.search_roots.assign(words.begin() + static_cast<std::ptrdiff_t>(seed_at) + 1,
                                   words.end());
    return invocation;
  };
  auto configured = [&](CommandKind kind, std::size_t at) {
    invocation.kind = kind;
    invocation.config_path = words[at];
    return invocation;
  };

  if (k == 2) {
    if (command == u"mount-config") return configured(CommandKind::kMountConfig, 2);
    if (command == u"discover-config") return configured(CommandKind::kDiscoverConfig, 2);
    if (command == u"unmount" || command == u"status") {
      invocation.kind = command == u"status" ? CommandKind::kStatus : CommandKind::kUnmount;
      invocation.drive = ParseDriveArgument(words[2]);
      return invocation;
    }
    if (command == u"discover") return positional(CommandKind::kDiscover);
    return invocation;
  }
  if (k == 3 && command == u"mount" && words[2] == u"--config") {
    return configured(CommandKind::kMountConfig, 3);
  }
  if (command == u"discover") return positional(CommandKind::kDiscover);
  if (command == u"mount") return positional(CommandKind::kMount);
  return invocation;
}

}  // namespace marlox

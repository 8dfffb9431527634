#include "config/mount_config.h"

#include <algorithm>

#include "config/config_file.h"
#include "config/pool_name.h"
#include "config/windows_path.h"
#include "platform/platform.h"
#include "pool/member_header.h"

namespace marlox {
namespace {

enum Key { kSchemaVersion, kName, kDrive, kMembers, kRequireEncrypted, kKeyCount };

struct KeyInfo {
  std::u16string_view name;
  const char* duplicate_message;
};

constexpr KeyInfo kKeys[kKeyCount] = {
    {u"schema_version", "duplicate schema_version field"},
    {u"name", "duplicate name field"},
    {u"drive", "duplicate drive field"},
    {u"members", "duplicate members field"},
    {u"require_encrypted", "duplicate require_encrypted field"},
};

char16_t ReadDrive(JsonCursor& cursor) {
  const std::optional<char16_t> letter = DriveLetterOf(ReadJsonString(cursor));
  if (!letter) RaiseConfigError(cursor, "drive must be a letter such as P:");
  return *letter;
}

// Resolves the member path that `buffer` holds behind its first `prefix` units,
// the configuration's folder as a join prefix (the folder and, where needed, a
// backslash). A relative path is then already joined, as text, without a copy of
// what may be a megabyte; an absolute one drops the prefix.
std::u16string ResolveBehindPrefix(const JsonCursor& cursor, std::u16string buffer,
                                   std::size_t prefix) {
  const std::u16string_view text = std::u16string_view(buffer).substr(prefix);
  if (text.empty()) RaiseConfigError(cursor, "member path is empty");
  if (std::any_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x20; })) {
    RaiseConfigError(cursor, "member path contains a control character");
  }
  // The device and network checks see slashes as backslashes; they look at the
  // text in place.
  const auto backslash_at = [&](std::size_t i) { return IsPathSeparator(text[i]); };
  const auto next_backslash = [&](std::size_t from) { return text.find_first_of(u"\\/", from); };
  if (text.size() >= 4 && backslash_at(0) && backslash_at(1) &&
      (text[2] == u'.' || text[2] == u'?') && backslash_at(3)) {
    RaiseConfigError(cursor, "device namespace paths are not member image paths");
  }
  if (text.size() >= 2 && backslash_at(0) && backslash_at(1)) {
    const std::size_t i = next_backslash(2);
    const std::size_t j = i == std::u16string_view::npos ? i : next_backslash(i + 1);
    if (i == std::u16string_view::npos || i == 2 || j == std::u16string_view::npos || j == i + 1 ||
        j == text.size() - 1) {
      RaiseConfigError(cursor, "UNC member path must include server, share, and image file");
    }
  }
  const bool has_root_name = !RootName(text).empty();
  if (has_root_name != HasRootDirectory(text)) {
    RaiseConfigError(cursor, "member path has an incomplete Windows root");
  }
  // Past the root check, a relative text has neither a root name nor a root
  // directory, so the prefix joins it exactly as AppendPath would.
  if (IsAbsolutePath(text)) buffer.erase(0, prefix);
  LexicallyNormalInPlace(buffer);  // leaves backslashes as the only separators
  if (!HasFileName(buffer)) RaiseConfigError(cursor, "member path must name an image file");
  return buffer;
}

// Each element is decoded behind the folder prefix, resolved and checked as soon
// as it is read, so the first faulty element decides the message.
std::vector<std::u16string> ReadMembers(JsonCursor& cursor, std::u16string_view directory) {
  const std::u16string prefix = AppendElement(directory, u"");
  std::vector<std::u16string> members;
  const std::size_t count = ReadJsonStringArray(cursor, [&](JsonCursor& element) {
    std::u16string buffer = prefix;
    AppendJsonString(element, buffer);
    std::u16string path = ResolveBehindPrefix(element, std::move(buffer), prefix.size());
    for (const std::u16string& earlier : members) {
      if (platform::EqualsIgnoringCaseOrdinal(earlier, path)) {
        RaiseConfigError(element, "duplicate member path");
      }
    }
    members.push_back(std::move(path));
    if (members.size() > kMaxPoolMembers) RaiseConfigError(element, "too many members");
  });
  if (count == 0) RaiseConfigError(cursor, "members must contain 1 to 16 paths");
  return members;
}

}  // namespace

std::u16string ResolveMemberPath(const JsonCursor& cursor, std::u16string_view text,
                                 std::u16string_view directory) {
  std::u16string buffer = AppendElement(directory, u"");
  const std::size_t prefix = buffer.size();
  buffer += text;
  return ResolveBehindPrefix(cursor, std::move(buffer), prefix);
}

MountConfig ParseMountConfig(const std::vector<std::uint8_t>& bytes,
                             std::u16string_view directory) {
  JsonCursor cursor = OpenJsonCursor(bytes.data(), bytes.size());
  SkipJsonWhitespace(cursor);
  ExpectJsonByte(cursor, '{');
  MountConfig config;
  bool seen[kKeyCount] = {};
  SkipJsonWhitespace(cursor);
  if (PeekJsonByte(cursor) == '}') {
    ++cursor.position;
  } else {
    for (;;) {
      const std::u16string key = ReadJsonString(cursor);
      SkipJsonWhitespace(cursor);
      ExpectJsonByte(cursor, ':');
      SkipJsonWhitespace(cursor);
      const auto* info = std::find_if(std::begin(kKeys), std::end(kKeys),
                                      [&](const KeyInfo& k) { return k.name == key; });
      if (info == std::end(kKeys)) {
        RaiseConfigError(cursor, "unknown field (passwords and keys are not allowed)");
      }
      const auto which = static_cast<std::size_t>(info - std::begin(kKeys));
      if (seen[which]) RaiseConfigError(cursor, info->duplicate_message);
      switch (which) {
        case kSchemaVersion:
          ReadVersionDigit(cursor);
          break;
        case kName:
          config.name = ReadJsonString(cursor);
          ValidatePoolName(config.name);
          break;
        case kDrive:
          config.drive = ReadDrive(cursor);
          break;
        case kMembers:
          config.members = ReadMembers(cursor, directory);
          break;
        default:
          config.require_encrypted = ReadJsonBoolean(cursor);
          break;
      }
      seen[which] = true;
      SkipJsonWhitespace(cursor);
      const int next = PeekJsonByte(cursor);
      if (next == '}') {
        ++cursor.position;
        break;
      }
      if (next != ',') RaiseConfigError(cursor, "unexpected JSON token");
      ++cursor.position;
      SkipJsonWhitespace(cursor);
    }
  }
  SkipJsonWhitespace(cursor);
  if (PeekJsonByte(cursor) >= 0) RaiseConfigError(cursor, "trailing content");
  if (!seen[kSchemaVersion] || !seen[kDrive] || !seen[kMembers]) {
    RaiseConfigError(cursor, "schema_version, drive, and members are required");
  }
  return config;
}

MountConfig LoadMountConfig(std::u16string_view path) {
  const LoadedConfigFile file = ReadConfigFile(path);
  return ParseMountConfig(file.bytes, file.directory);
}

}  // namespace marlox

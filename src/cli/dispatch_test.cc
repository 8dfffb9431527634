#include "cli/dispatch.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/utf.h"

namespace marlox {
namespace {

std::vector<std::u16string> Words(std::initializer_list<std::u16string_view> after_program) {
  std::vector<std::u16string> words{u"marloxctl.exe"};
  for (std::u16string_view word : after_program) words.emplace_back(word);
  return words;
}

using platform::ToUtf8;

TEST(Dispatch, UsageForEveryShapeThatMatchesNoForm) {
  const std::vector<std::vector<std::u16string>> cases = {
      {},
      Words({}),
      Words({u"discover"}),
      Words({u"status"}),
      Words({u"MOUNT", u"V:", u"a.img"}),
      Words({u"Status", u"V:"}),
      Words({u"discover-Config", u"c.json"}),
      Words({u"discover "}),
      Words({u"status", u"V:", u"extra"}),
      Words({u"unmount", u"V:", u"extra"}),
      Words({u"mount", u"--config"}),
      Words({u"mount", u"V:"}),
      Words({u"discover-config", u"a.json", u"b.json"}),
      Words({u"mount-config", u"a.json", u"b.json"}),
      Words({u"mount-config"}),
      Words({u"list", u"a", u"b", u"c"}),
  };
  for (const auto& words : cases) {
    EXPECT_EQ(ParseInvocation(words).kind, CommandKind::kUsage) << words.size();
  }
}

TEST(Dispatch, CommandForms) {
  Invocation i = ParseInvocation(Words({u"discover", u"seed.img"}));
  EXPECT_EQ(i.kind, CommandKind::kDiscover);
  EXPECT_EQ(i.seed, u"seed.img");
  EXPECT_TRUE(i.search_roots.empty());

  i = ParseInvocation(Words({u"discover", u"seed.img", u"D:\\a", u"", u"E:\\b"}));
  EXPECT_EQ(i.kind, CommandKind::kDiscover);
  EXPECT_EQ(i.search_roots, (std::vector<std::u16string>{u"D:\\a", u"", u"E:\\b"}));

  // "--config" is an option only as the second word of a three-word mount.
  i = ParseInvocation(Words({u"discover", u"--config", u"x"}));
  EXPECT_EQ(i.kind, CommandKind::kDiscover);
  EXPECT_EQ(i.seed, u"--config");
  EXPECT_EQ(i.search_roots, std::vector<std::u16string>{u"x"});

  i = ParseInvocation(Words({u"mount", u"v:", u"seed.img"}));
  EXPECT_EQ(i.kind, CommandKind::kMount);
  EXPECT_EQ(i.drive, u'V');
  EXPECT_EQ(i.seed, u"seed.img");
  EXPECT_TRUE(i.search_roots.empty());

  i = ParseInvocation(Words({u"mount", u"Q:", u"seed.img", u"r1", u"r2"}));
  EXPECT_EQ(i.drive, u'Q');
  EXPECT_EQ(i.search_roots, (std::vector<std::u16string>{u"r1", u"r2"}));

  i = ParseInvocation(Words({u"mount", u"--config", u"c.json"}));
  EXPECT_EQ(i.kind, CommandKind::kMountConfig);
  EXPECT_EQ(i.config_path, u"c.json");

  i = ParseInvocation(Words({u"mount-config", u" c.json "}));
  EXPECT_EQ(i.kind, CommandKind::kMountConfig);
  EXPECT_EQ(i.config_path, u" c.json ");  // passed on exactly as typed

  i = ParseInvocation(Words({u"discover-config", u"c.json"}));
  EXPECT_EQ(i.kind, CommandKind::kDiscoverConfig);
  EXPECT_EQ(i.config_path, u"c.json");

  i = ParseInvocation(Words({u"status", u"z:"}));
  EXPECT_EQ(i.kind, CommandKind::kStatus);
  EXPECT_EQ(i.drive, u'Z');

  i = ParseInvocation(Words({u"unmount", u"A:"}));
  EXPECT_EQ(i.kind, CommandKind::kUnmount);
  EXPECT_EQ(i.drive, u'A');
}

TEST(Dispatch, DriveRule) {
  for (char16_t c = u'A'; c <= u'Z'; ++c) {
    EXPECT_EQ(ParseDriveArgument(std::u16string{c, u':'}), c);
    EXPECT_EQ(ParseDriveArgument(std::u16string{static_cast<char16_t>(c + 0x20), u':'}), c);
  }
  const std::u16string_view bad[] = {u"V",  u"V:\\", u"1:",  u"VV:", u"\u00e9:",
                                     u"",   u":",    u"V;",  u"@:",  u"[:",
                                     u"`:", u"{:",   u" V:", u"V: ", u"\uff36:"};
  for (std::u16string_view word : bad) {
    try {
      ParseDriveArgument(word);
      ADD_FAILURE() << "accepted " << ToUtf8(word);
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "drive must be a letter such as V:");
    }
  }
}

TEST(Dispatch, DriveRuleRunsBeforeTheCommand) {
  for (const auto& words :
       {Words({u"status", u"1:"}), Words({u"unmount", u"V"}),
        Words({u"mount", u"--config", u"a", u"b"}), Words({u"mount", u"1:", u"seed.img"})}) {
    EXPECT_THROW(ParseInvocation(words), std::runtime_error);
  }
}

TEST(Dispatch, UsageTextIsTenLines) {
  EXPECT_EQ(std::count(kUsageText.begin(), kUsageText.end(), u'\n'), 10);
  EXPECT_EQ(kUsageText.find(u'\r'), std::u16string_view::npos);
  EXPECT_EQ(kUsageText.back(), u'\n');
}

}  // namespace
}  // namespace marlox

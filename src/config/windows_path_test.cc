#include "config/windows_path.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/utf.h"

namespace marlox {
namespace {

struct PathCase {
  std::u16string_view input;
  std::u16string_view expected;
};

using platform::ToUtf8;

TEST(WindowsPath, LexicallyNormal) {
  const PathCase cases[] = {
      {u"", u""},
      {u".", u"."},
      {u"C:\\a\\.", u"C:\\a\\"},
      {u"C:\\a\\b\\..", u"C:\\a\\"},
      {u"C:\\..\\x.img", u"C:\\x.img"},
      {u"C:\\..\\..\\a\\..", u"C:\\"},
      {u"D:\\work\\.\\cfg\\..\\pool.json", u"D:\\work\\pool.json"},
      {u"D:/pool//a.img", u"D:\\pool\\a.img"},
      {u"c:\\A\\b", u"c:\\A\\b"},  // the drive letter keeps its case
      {u"a\\..", u"."},
      {u"a\\..\\", u"."},
      {u".\\", u"."},
      {u"..\\", u".."},
      {u"a\\..\\..", u".."},
      {u"..\\a\\..\\b", u"..\\b"},
      {u"a\\b\\..\\..\\c", u"c"},
      {u".\\..", u".."},
      {u"a\\.\\b\\.\\", u"a\\b\\"},
      {u"a\\\\\\b//", u"a\\b\\"},
      {u"C:a\\..", u"C:"},
      {u"C:..\\x", u"C:..\\x"},
      {u"\\..\\x", u"\\x"},
      {u"//server/share/../x", u"\\\\server\\x"},
      {u"\\\\\\server\\x", u"\\server\\x"},  // three separators make no root name
      {u"\\\\server", u"\\\\server"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(ToUtf8(LexicallyNormal(c.input)), ToUtf8(c.expected)) << ToUtf8(c.input);
  }
}

TEST(WindowsPath, LexicallyNormalIsLinearOnHostileInput) {
  // A hundred thousand "a\.." pairs must fold in one pass, not by repeated search.
  std::u16string hostile = u"C:\\";
  for (int i = 0; i < 100000; ++i) hostile += u"a\\..\\";
  hostile += u"x.img";
  EXPECT_EQ(LexicallyNormal(hostile), u"C:\\x.img");
  std::u16string separators(500000, u'/');
  EXPECT_EQ(LexicallyNormal(u"a" + separators + u"b"), u"a\\b");
}

TEST(WindowsPath, AnElementPrefixJoinsARootlessPathAsAppendPathDoes) {
  // Member paths are decoded straight behind AppendElement(folder, ""); for a text
  // with neither a root name nor a root directory that must be AppendPath's join,
  // even where the text only looks like a drive path once folded (".\C:\x.img").
  const std::u16string_view bases[] = {u"D:\\work\\cfg", u"C:\\",       u"C:", u"\\\\srv\\share\\d",
                                       u"\\\\srv",       u"D:\\work\\", u""};
  const std::u16string_view relatives[] = {
      u"a.img",        u"a\\..",          u".",     u"..\\..\\x", u"a//b\\\\c",
      u".\\C:\\x.img", u"a\\..\\Z:m.img", u"./c:x", u".\\/c:",
  };
  for (std::u16string_view base : bases) {
    for (std::u16string_view relative : relatives) {
      EXPECT_EQ(ToUtf8(AppendElement(base, u"") + std::u16string(relative)),
                ToUtf8(AppendPath(base, relative)))
          << ToUtf8(base) << " + " << ToUtf8(relative);
    }
  }
}

TEST(WindowsPath, IsAbsolutePath) {
  const struct {
    std::u16string_view path;
    bool absolute;
  } cases[] = {
      {u"C:\\x", true},      {u"c:/x", true},   {u"\\\\server\\share", true},
      {u"\\\\server", true}, {u"C:x", false},   {u"C:", false},
      {u"\\x", false},       {u"/x", false},    {u"x", false},
      {u"\\\\\\x", false},   {u"1:\\x", false}, {u"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << ToUtf8(c.path);
}

TEST(WindowsPath, AppendPath) {
  const struct {
    std::u16string_view base, path, expected;
  } cases[] = {
      {u"D:\\work", u"cfg\\pool.json", u"D:\\work\\cfg\\pool.json"},
      {u"D:\\work\\", u"a.img", u"D:\\work\\a.img"},
      {u"D:\\", u"a.img", u"D:\\a.img"},
      {u"D:\\work", u"E:\\x", u"E:\\x"},
      {u"D:\\work", u"E:x", u"E:x"},          // another root name wins
      {u"D:\\work", u"D:x", u"D:\\work\\x"},  // the same root name is dropped
      {u"D:\\work", u"\\x", u"D:\\x"},        // a root directory keeps the base's drive
      {u"D:", u"x", u"D:x"},
      {u"\\\\server", u"x", u"\\\\server\\x"},
      {u"", u"x", u"x"},
      {u"Z:\\tmp\\pool", u"a.img", u"Z:\\tmp\\pool\\a.img"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(AppendPath(c.base, c.path)), ToUtf8(c.expected))
        << ToUtf8(c.base) << " + " << ToUtf8(c.path);
  }
}

TEST(WindowsPath, AppendElementNeverReadsTheNameAsAPath) {
  const struct {
    std::u16string_view folder, element, expected;
  } cases[] = {
      {u"Z:\\pool", u"Z:m1.img", u"Z:\\pool\\Z:m1.img"},
      {u"Z:\\pool", u"c:m2.img", u"Z:\\pool\\c:m2.img"},
      {u"Z:\\pool\\", u"a.img", u"Z:\\pool\\a.img"},
      {u"Z:/pool/", u"a.img", u"Z:/pool/a.img"},
      {u"Z:\\", u"a.img", u"Z:\\a.img"},
      {u"C:", u"a.img", u"C:a.img"},  // the current folder of drive C:
      {u"pool", u"a.img", u"pool\\a.img"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(AppendElement(c.folder, c.element)), ToUtf8(c.expected))
        << ToUtf8(c.folder) << " + " << ToUtf8(c.element);
  }
}

TEST(WindowsPath, ParentPathAndFileName) {
  const struct {
    std::u16string_view path, parent, file_name;
  } cases[] = {
      {u"D:\\work\\cfg\\pool.json", u"D:\\work\\cfg", u"pool.json"},
      {u"C:\\cfg.json", u"C:\\", u"cfg.json"},
      {u"C:\\", u"C:\\", u""},
      {u"C:", u"C:", u""},
      {u"C:x", u"C:", u"x"},
      {u"C:\\a\\b\\", u"C:\\a\\b", u""},
      {u"C:\\a\\\\b", u"C:\\a", u"b"},
      {u"a", u"", u"a"},
      {u"\\\\server\\share", u"\\\\server\\", u"share"},
      {u"\\\\server", u"\\\\server", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(ParentPath(c.path)), ToUtf8(c.parent)) << ToUtf8(c.path);
    EXPECT_EQ(ToUtf8(FileName(c.path)), ToUtf8(c.file_name)) << ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace marlox

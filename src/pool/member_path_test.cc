#include "pool/member_path.h"

#include <gtest/gtest.h>

#include "platform/utf.h"
#include "pool/test_disk.h"

namespace marlox {
namespace {

using platform::ToUtf8;

TEST(MemberPath, NormalFormResolvesExistingPartsAndKeepsTheRestByName) {
  TestDisk disk;
  disk.SetCurrentDirectory(u"D:\\work");
  disk.AddFile(u"D:\\pool\\a.img", 1, {});
  disk.AddLink(u"D:\\work\\link", u"D:\\pool", true);
  const struct {
    std::u16string_view path, normal;
  } cases[] = {
      {u"D:\\pool\\a.img", u"D:\\pool\\a.img"},
      {u"..\\pool\\.\\a.img", u"D:\\pool\\a.img"},
      {u"D:/pool//a.img", u"D:\\pool\\a.img"},
      {u"link\\a.img", u"D:\\pool\\a.img"},
      {u"link\\missing\\..\\b.img", u"D:\\pool\\b.img"},
      {u"E:\\nowhere\\x.img", u"E:\\nowhere\\x.img"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(NormalizeMemberPath(disk, std::u16string(c.path))), ToUtf8(c.normal))
        << ToUtf8(c.path);
  }
}

TEST(MemberPath, KeyUpperCasesAsciiLettersOnly) {
  EXPECT_EQ(MemberPathKeyOfNormalForm(u"d:\\Pool\\az{`@[.img"), u"D:\\POOL\\AZ{`@[.IMG");
  // No locale or Unicode case mapping takes part.
  EXPECT_EQ(MemberPathKeyOfNormalForm(u"C:\\\u00e9t\u00e9\\\u00df\u0131"),
            u"C:\\\u00e9T\u00e9\\\u00df\u0131");
  TestDisk disk;
  disk.AddFile(u"C:\\Pool\\A.img", 1, {});
  EXPECT_EQ(MemberPathKey(disk, u"C:\\Pool\\A.img"),
            MemberPathKey(disk, u"c:\\pool\\x\\..\\a.IMG"));
}

}  // namespace
}  // namespace marlox

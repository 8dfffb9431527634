#include "config/mount_config.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace marlox {
namespace {

constexpr std::u16string_view kDirectory = u"D:\\work\\cfg";

MountConfig Parse(std::string_view document) {
  return ParseMountConfig(std::vector<std::uint8_t>(document.begin(), document.end()), kDirectory);
}

// The message of the error the document raises, or "accepted".
std::string ParseError(std::string_view document) {
  try {
    Parse(document);
  } catch (const std::exception& error) {
    return error.what();
  }
  return "accepted";
}

std::string At(std::size_t n, std::string_view detail) {
  return "invalid Marlox mount config at byte " + std::to_string(n) + ": " + std::string(detail);
}

TEST(MountConfig, MinimalDocumentGetsTheDefaults) {
  const MountConfig config = Parse(R"({"schema_version":1,"drive":"p:","members":["a.img"]})");
  EXPECT_EQ(config.drive, u'P');
  EXPECT_EQ(config.name, u"Marlox");
  EXPECT_EQ(config.members, std::vector<std::u16string>{u"D:\\work\\cfg\\a.img"});
  EXPECT_TRUE(config.require_encrypted);
}

TEST(MountConfig, EveryKeyInAnyOrder) {
  const MountConfig config = Parse(
      "\xEF\xBB\xBF \r\n\t{ \"require_encrypted\" : false , \"name\":\"Pool .One\",\n"
      "\"members\":[\"..\\\\images\\\\a.img\", \"D:/pool//b.img\", "
      "\"\\\\\\\\server\\\\share\\\\c.img\"],\"dr\\u0069ve\":\"Q:\",\"schema_version\":1}\n");
  EXPECT_EQ(config.drive, u'Q');
  EXPECT_EQ(config.name, u"Pool .One");
  EXPECT_FALSE(config.require_encrypted);
  EXPECT_EQ(config.members,
            (std::vector<std::u16string>{u"D:\\work\\images\\a.img", u"D:\\pool\\b.img",
                                         u"\\\\server\\share\\c.img"}));
}

TEST(MountConfig, RelativePathsThatFoldIntoADriveLikeNameStayInTheFolder) {
  const MountConfig config =
      Parse(R"({"schema_version":1,"drive":"P:","members":[".\\C:\\m0.img","a\\..\\Z:m1.img"]})");
  EXPECT_EQ(config.members, (std::vector<std::u16string>{u"D:\\work\\cfg\\C:\\m0.img",
                                                         u"D:\\work\\cfg\\Z:m1.img"}));
}

TEST(MountConfig, SchemaFaultsAndTheirPositions) {
  const struct {
    std::string_view document;
    std::string expected;
  } cases[] = {
      {"", At(0, "unexpected JSON token")},
      {"  ", At(2, "unexpected JSON token")},
      {"{}", At(2, "schema_version, drive, and members are required")},
      {"{} \n", At(4, "schema_version, drive, and members are required")},
      {"{} x", At(3, "trailing content")},
      {"{},{}", At(2, "trailing content")},
      {R"({"schema_version":1,})", At(20, "unexpected JSON token")},
      {R"({"schema_version":1 "drive":"P:"})", At(20, "unexpected JSON token")},
      {R"({"schema_version":1)", At(19, "unexpected JSON token")},
      {R"({"Name":"x"})", At(8, "unknown field (passwords and keys are not allowed)")},
      {R"({"password":)", At(12, "unknown field (passwords and keys are not allowed)")},
      {R"({"key":[[[}}})", At(7, "unknown field (passwords and keys are not allowed)")},
      {R"({"name":"a","name":[)", At(19, "duplicate name field")},
      {R"({"drive":"P:","drive":1)", At(22, "duplicate drive field")},
      {R"({"schema_version":1,"schema_version":1})", At(37, "duplicate schema_version field")},
      {R"({"members":["a"],"members":[)", At(27, "duplicate members field")},
      {R"({"require_encrypted":true,"require_encrypted":true})",
       At(46, "duplicate require_encrypted field")},
      {R"({"schema_version":2})", At(18, "unexpected JSON token")},
      {R"({"schema_version":"1"})", At(18, "unexpected JSON token")},
      {R"({"schema_version":-1})", At(18, "unexpected JSON token")},
      {R"({"schema_version":01})", At(18, "unexpected JSON token")},
      {R"({"schema_version":10})", At(19, "unexpected JSON token")},
      {R"({"schema_version":1.0})", At(19, "unexpected JSON token")},
      {R"({"drive":"P"})", At(12, "drive must be a letter such as P:")},
      {R"({"drive":""})", At(11, "drive must be a letter such as P:")},
      {R"({"drive":"P:\\"})", At(15, "drive must be a letter such as P:")},
      {R"({"drive":"PQ:"})", At(14, "drive must be a letter such as P:")},
      {R"({"drive":"1:"})", At(13, "drive must be a letter such as P:")},
      {"{\"drive\":\"\xC3\xA9:\"}", At(14, "drive must be a letter such as P:")},
      {R"({"drive":1})", At(9, "unexpected JSON token")},
      {R"({"drive":true})", At(9, "unexpected JSON token")},
      {R"({"require_encrypted":null})", At(21, "unexpected JSON value")},
      {R"({"require_encrypted":1})", At(21, "unexpected JSON value")},
      {R"({"require_encrypted":"true"})", At(21, "unexpected JSON value")},
      {R"({"require_encrypted":truex})", At(25, "unexpected JSON token")},
      {R"({"members":"a.img"})", At(11, "unexpected JSON token")},
      {R"({"members":[ ]})", At(14, "members must contain 1 to 16 paths")},
      {R"({"members":["a",]})", At(16, "unexpected JSON token")},
      {R"({"members":["a" "b"]})", At(16, "unexpected JSON token")},
      {R"({"members":["a")", At(15, "unexpected JSON token")},
      {R"({"members":[1]})", At(12, "unexpected JSON token")},
      {R"({"name":""})", "pool name must contain 1 to 32 UTF-16 code units"},
      {R"({"name":"a:","zzz":1})",
       "pool name contains a character not allowed in a Windows volume label"},
      {R"({"name":"ok"} x)", At(14, "trailing content")},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseError(c.document), c.expected) << c.document;
}

TEST(MountConfig, MemberPathRules) {
  const struct {
    std::string_view element;  // JSON text of the string, quotes included
    std::string_view detail;   // "" when accepted
  } cases[] = {
      {R"("")", "member path is empty"},
      {R"("a\tb.img")", "member path contains a control character"},
      {R"("a\u0000.img")", "member path contains a control character"},
      {"\"a\x7F.img\"", ""},
      {R"("\\\\.\\PhysicalDrive0")", "device namespace paths are not member image paths"},
      {R"("//?/C:/pool/a.img")", "device namespace paths are not member image paths"},
      {R"("\\/.\\x")", "device namespace paths are not member image paths"},
      {R"("\\\\server")", "UNC member path must include server, share, and image file"},
      {R"("\\\\server\\share")", "UNC member path must include server, share, and image file"},
      {R"("\\\\server\\share\\")", "UNC member path must include server, share, and image file"},
      {R"("\\\\\\server\\share\\a.img")",
       "UNC member path must include server, share, and image file"},
      {R"("\\\\server\\\\a.img")", "UNC member path must include server, share, and image file"},
      {R"("\\\\")", "UNC member path must include server, share, and image file"},
      {R"("\\\\server\\share\\a.img")", ""},
      {R"("C:a.img")", "member path has an incomplete Windows root"},
      {R"("C:")", "member path has an incomplete Windows root"},
      {R"("\\a.img")", "member path has an incomplete Windows root"},
      {R"("/a.img")", "member path has an incomplete Windows root"},
      {R"("C:\\")", "member path must name an image file"},
      {R"("C:\\images\\")", "member path must name an image file"},
      {R"("images\\.")", "member path must name an image file"},
      {R"("images\\..")", "member path must name an image file"},
      {R"("..")", "member path must name an image file"},
      {R"("C:\\..\\x.img")", ""},
      {R"("./c:xc:b")", ""},  // folds to text that looks like a drive path
  };
  for (const auto& c : cases) {
    const std::string document = R"({"members":[)" + std::string(c.element) + "]}";
    // An accepted member lets the parse run on to the check for the missing keys.
    const std::string expected =
        c.detail.empty() ? At(document.size(), "schema_version, drive, and members are required")
                         : At(12 + c.element.size(), c.detail);
    EXPECT_EQ(ParseError(document), expected) << c.element;
  }
}

TEST(MountConfig, DuplicateAndTooManyMembers) {
  const auto members = [](std::string list) {
    return R"({"schema_version":1,"drive":"P:","members":[)" + list + "]}";
  };
  const std::string prefix_size_probe = members("");
  const std::size_t list_at = prefix_size_probe.size() - 2;  // where the list begins
  const struct {
    std::string list;
    std::size_t end_of_faulty;  // offset in the list just past the faulty element
  } duplicates[] = {
      {R"("a.img","A.IMG")", 15},
      {R"("sub/a.img","sub\\a.img")", 24},
      {R"("a.img",".\\a.img")", 18},
      {"\"\xC3\xA9.img\",\"\xC3\x89.IMG\"", 17},  // Latin-1 letters compare without case too
  };
  for (const auto& c : duplicates) {
    EXPECT_EQ(ParseError(members(c.list)), At(list_at + c.end_of_faulty, "duplicate member path"))
        << c.list;
  }

  std::string sixteen;
  for (int i = 0; i < 16; ++i) sixteen += (i ? "," : "") + ("\"m" + std::to_string(i) + ".img\"");
  EXPECT_EQ(Parse(members(sixteen)).members.size(), 16u);
  EXPECT_EQ(ParseError(members(sixteen + R"(,"m16.img")")),
            At(list_at + sixteen.size() + 10, "too many members"));
  EXPECT_EQ(ParseError(members(sixteen + R"(,"M3.IMG")")),
            At(list_at + sixteen.size() + 9, "duplicate member path"));
}

TEST(MountConfig, HostileDocumentsStayLinear) {
  // A member path made of a hundred thousand "a\.." pairs, and a huge string.
  std::string hostile = R"({"schema_version":1,"drive":"P:","members":[")";
  for (int i = 0; i < 100000; ++i) hostile += "a\\\\..\\\\";
  hostile += R"(x.img"]})";
  EXPECT_EQ(Parse(hostile).members, std::vector<std::u16string>{u"D:\\work\\cfg\\x.img"});
  const std::string long_name = R"({"name":")" + std::string(1000000, 'n') + R"("})";
  EXPECT_EQ(ParseError(long_name), "pool name must contain 1 to 32 UTF-16 code units");
}

}  // namespace
}  // namespace marlox

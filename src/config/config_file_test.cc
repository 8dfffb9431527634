#include "config/config_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "config/windows_path.h"
#include "platform/platform.h"

namespace marlox {
namespace {

namespace fs = std::filesystem;

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / (std::string("marlox-config-") + info->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "sub");
  }
  void TearDown() override {
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder_);
  }
  std::u16string Write(const std::string& name, std::size_t size) {
    std::ofstream(folder_ / name, std::ios::binary) << std::string(size, '{');
    return (folder_ / name).u16string();
  }
  static std::string Error(std::u16string_view path) {
    try {
      ReadConfigFile(path);
    } catch (const std::exception& error) {
      return error.what();
    }
    return "read";
  }
  fs::path folder_;
};

TEST_F(ConfigFileTest, ReadsWholeFilesUpToTheLimit) {
  EXPECT_EQ(ReadConfigFile(Write("exact.json", kMaxConfigBytes)).bytes.size(), kMaxConfigBytes);
  EXPECT_TRUE(ReadConfigFile(Write("empty.json", 0)).bytes.empty());
  EXPECT_EQ(Error(Write("over.json", kMaxConfigBytes + 1)),
            "Marlox mount config exceeds 1 MiB limit");
}

TEST_F(ConfigFileTest, BytesStayAsStored) {
  const std::string content = "\xEF\xBB\xBF{\r\n\"a\":\"\xC3\xA9\"}\r\n";
  std::ofstream(folder_ / "raw.json", std::ios::binary) << content;
  const LoadedConfigFile loaded = ReadConfigFile((folder_ / "raw.json").u16string());
  EXPECT_EQ(std::string(loaded.bytes.begin(), loaded.bytes.end()), content);
}

TEST_F(ConfigFileTest, RelativePathsResolveAgainstTheCurrentDirectory) {
  Write("cfg.json", 2);
  fs::current_path(folder_);
  const std::u16string here = platform::CurrentDirectory();
  const LoadedConfigFile loaded = ReadConfigFile(u"sub\\.\\..\\sub/..//cfg.json");
  EXPECT_EQ(loaded.bytes.size(), 2u);
  EXPECT_EQ(loaded.directory, here);
  EXPECT_TRUE(IsAbsolutePath(loaded.directory));
}

TEST_F(ConfigFileTest, Failures) {
  EXPECT_EQ(Error((folder_ / "missing.json").u16string()), "cannot open Marlox mount config");
  EXPECT_EQ(Error((folder_ / "sub").u16string()), "cannot open Marlox mount config");
  EXPECT_THROW(ReadConfigFile(u""), std::invalid_argument);
  EXPECT_EQ(Error(u""), "Marlox mount config path is empty");
}

}  // namespace
}  // namespace marlox

#include "config/config_file.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A file whose size and reads follow a script, to stand in for one that another
// process changes while it is read.
class ScriptedInput final : public ConfigInput {
 public:
  std::optional<std::uint64_t> size = 4;
  bool seek_to_start = true;
  std::vector<ReadOutcome> outcomes;  // one per read; kData delivers `chunk` bytes
  std::size_t chunk = 4;

  std::optional<std::uint64_t> SeekToEnd() override { return size; }
  bool SeekToStart() override { return seek_to_start; }
  ReadOutcome ReadSome(void* buffer, std::size_t count, std::size_t* read) override {
    const ReadOutcome outcome = next_ < outcomes.size() ? outcomes[next_++] : ReadOutcome::kEnd;
    *read = outcome == ReadOutcome::kData ? std::min(chunk, count) : 0;
    std::fill_n(static_cast<std::uint8_t*>(buffer), *read, std::uint8_t{'x'});
    return outcome;
  }

 private:
  std::size_t next_ = 0;
};

TEST(ReadWholeConfig, EachWayAFileCanFailHasItsMessage) {
  using Outcome = ConfigInput::ReadOutcome;
  const struct {
    const char* name;
    std::optional<std::uint64_t> size;
    bool seek_to_start;
    std::size_t chunk;  // bytes each successful read delivers
    std::vector<Outcome> outcomes;
    std::string expected;
  } cases[] = {
      {"whole", 4, true, 4, {Outcome::kData, Outcome::kEnd}, "read"},
      {"in pieces", 4, true, 2, {Outcome::kData, Outcome::kData, Outcome::kEnd}, "read"},
      {"size unknown", std::nullopt, true, 4, {}, "cannot open Marlox mount config"},
      {"too large", kMaxConfigBytes + 1, true, 4, {}, "Marlox mount config exceeds 1 MiB limit"},
      {"cannot rewind", 4, false, 4, {}, "cannot read Marlox mount config"},
      {"shrank", 8, true, 4, {Outcome::kData, Outcome::kEnd}, "cannot read Marlox mount config"},
      {"read fails", 4, true, 4, {Outcome::kError}, "cannot read Marlox mount config"},
      {"grew",
       4,
       true,
       4,
       {Outcome::kData, Outcome::kData},
       "Marlox mount config changed while reading"},
      {"last read fails",
       4,
       true,
       4,
       {Outcome::kData, Outcome::kError},
       "cannot finish reading Marlox mount config"},
  };
  for (const auto& c : cases) {
    ScriptedInput input;
    input.size = c.size;
    input.seek_to_start = c.seek_to_start;
    input.outcomes = c.outcomes;
    input.chunk = c.chunk;
    std::string outcome = "read";
    try {
      const std::vector<std::uint8_t> bytes = ReadWholeConfig(input);
      EXPECT_EQ(bytes.size(), c.size.value_or(~std::uint64_t{0})) << c.name;
    } catch (const std::runtime_error& error) {
      outcome = error.what();
    }
    EXPECT_EQ(outcome, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace marlox

#include "config/config_file.h"

#include <stdexcept>

#include "config/windows_path.h"
#include "platform/platform.h"

namespace marlox {

namespace {

class PlatformConfigInput final : public ConfigInput {
 public:
  explicit PlatformConfigInput(platform::InputFile& file) : file_(file) {}
  std::optional<std::uint64_t> SeekToEnd() override { return file_.SeekToEnd(); }
  bool SeekToStart() override { return file_.SeekToStart(); }
  ReadOutcome ReadSome(void* buffer, std::size_t count, std::size_t* read) override {
    return file_.ReadSome(buffer, count, read);
  }

 private:
  platform::InputFile& file_;
};

}  // namespace

std::vector<std::uint8_t> ReadWholeConfig(ConfigInput& input) {
  const std::optional<std::uint64_t> size = input.SeekToEnd();
  if (!size) throw std::runtime_error("cannot open Marlox mount config");
  if (*size > kMaxConfigBytes) throw std::runtime_error("Marlox mount config exceeds 1 MiB limit");

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*size));
  if (!input.SeekToStart()) throw std::runtime_error("cannot read Marlox mount config");
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    std::size_t read = 0;
    if (input.ReadSome(bytes.data() + filled, bytes.size() - filled, &read) !=
        ConfigInput::ReadOutcome::kData) {
      throw std::runtime_error("cannot read Marlox mount config");  // failed or shrank
    }
    filled += read;
  }
  // One more byte means the file grew after it was measured.
  std::uint8_t extra = 0;
  std::size_t read = 0;
  switch (input.ReadSome(&extra, 1, &read)) {
    case ConfigInput::ReadOutcome::kData:
      throw std::runtime_error("Marlox mount config changed while reading");
    case ConfigInput::ReadOutcome::kError:
      throw std::runtime_error("cannot finish reading Marlox mount config");
    case ConfigInput::ReadOutcome::kEnd:
      break;
  }
  return bytes;
}

LoadedConfigFile ReadConfigFile(std::u16string_view path) {
  if (path.empty()) throw std::invalid_argument("Marlox mount config path is empty");
  const std::u16string normalized = LexicallyNormal(MakeAbsolutePath(path));
  std::optional<platform::InputFile> file = platform::InputFile::Open(normalized);
  if (!file) throw std::runtime_error("cannot open Marlox mount config");
  PlatformConfigInput input(*file);
  LoadedConfigFile loaded;
  loaded.bytes = ReadWholeConfig(input);
  loaded.directory = ParentPath(normalized);
  return loaded;
}

}  // namespace marlox

#include "config/config_file.h"

#include <stdexcept>

#include "config/windows_path.h"
#include "platform/platform.h"

namespace marlox {

LoadedConfigFile ReadConfigFile(std::u16string_view path) {
  if (path.empty()) throw std::invalid_argument("Marlox mount config path is empty");
  const std::u16string normalized = LexicallyNormal(MakeAbsolutePath(path));

  std::optional<platform::InputFile> file = platform::InputFile::Open(normalized);
  if (!file) throw std::runtime_error("cannot open Marlox mount config");
  const std::optional<std::uint64_t> size = file->SeekToEnd();
  if (!size) throw std::runtime_error("cannot open Marlox mount config");
  if (*size > kMaxConfigBytes) throw std::runtime_error("Marlox mount config exceeds 1 MiB limit");

  LoadedConfigFile loaded;
  loaded.bytes.resize(static_cast<std::size_t>(*size));
  if (!file->SeekToStart()) throw std::runtime_error("cannot read Marlox mount config");
  std::size_t filled = 0;
  while (filled < loaded.bytes.size()) {
    std::size_t read = 0;
    if (file->ReadSome(loaded.bytes.data() + filled, loaded.bytes.size() - filled, &read) !=
        platform::InputFile::ReadOutcome::kData) {
      throw std::runtime_error("cannot read Marlox mount config");  // failed or shrank
    }
    filled += read;
  }
  // One more byte means the file grew after it was measured.
  std::uint8_t extra = 0;
  std::size_t read = 0;
  switch (file->ReadSome(&extra, 1, &read)) {
    case platform::InputFile::ReadOutcome::kData:
      throw std::runtime_error("Marlox mount config changed while reading");
    case platform::InputFile::ReadOutcome::kError:
      throw std::runtime_error("cannot finish reading Marlox mount config");
    case platform::InputFile::ReadOutcome::kEnd:
      break;
  }
  loaded.directory = ParentPath(normalized);
  return loaded;
}

}  // namespace marlox

// Timings of the configuration parser on 1 MiB documents built to be hostile (deep
// dot-dot chains, one huge string, long separator runs) and on an ordinary one.
// Every document must be loaded or refused well within a few milliseconds.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/mount_config.h"

namespace marlox {
namespace {

constexpr std::size_t kTarget = kMaxConfigBytes;

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// A document whose one member path repeats `unit` until the file is about 1 MiB.
std::vector<std::uint8_t> MemberPathOf(const std::string& unit, const std::string& tail) {
  const std::string head = R"({"schema_version":1,"drive":"P:","members":[")";
  const std::string end = tail + R"("]})";
  std::string text = head;
  while (text.size() + unit.size() + end.size() <= kTarget) text += unit;
  return Bytes(text + end);
}

std::vector<std::uint8_t> Ordinary() {
  return Bytes(R"({
  "schema_version": 1,
  "drive": "P:",
  "name": "Archive pool",
  "require_encrypted": true,
  "members": ["disk0.img", "disk1.img", "..\\more\\disk2.img", "D:\\pools\\disk3.img"]
})");
}

void Run(benchmark::State& state, const std::vector<std::uint8_t>& document) {
  for (auto _ : state) {
    try {
      MountConfig config = ParseMountConfig(document, u"D:\\work\\cfg");
      benchmark::DoNotOptimize(config);
    } catch (const std::exception& error) {
      benchmark::DoNotOptimize(error.what());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(document.size()));
}

void BM_Ordinary(benchmark::State& state) { Run(state, Ordinary()); }
void BM_DotDotPairs(benchmark::State& state) { Run(state, MemberPathOf("a\\\\..\\\\", "x.img")); }
void BM_SeparatorRuns(benchmark::State& state) { Run(state, MemberPathOf("//", "x.img")); }
void BM_OneLongPath(benchmark::State& state) { Run(state, MemberPathOf("a", ".img")); }
void BM_LongEscapedPath(benchmark::State& state) { Run(state, MemberPathOf("\\u00e9", ".img")); }
void BM_LongName(benchmark::State& state) {
  std::string text = R"({"name":")";
  while (text.size() + 2 < kTarget) text += 'n';
  Run(state, Bytes(text + "\"}"));
}
void BM_ManyWhitespaceBytes(benchmark::State& state) {
  std::string text = "{";
  text.append(kTarget - 2, ' ');
  Run(state, Bytes(text + "}"));
}

// The whole load, file reading included.
void Load(benchmark::State& state, const std::vector<std::uint8_t>& document) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "marlox-config-perf.json";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(document.data()),
             static_cast<std::streamsize>(document.size()));
  for (auto _ : state) {
    try {
      MountConfig config = LoadMountConfig(path.u16string());
      benchmark::DoNotOptimize(config);
    } catch (const std::exception& error) {
      benchmark::DoNotOptimize(error.what());
    }
  }
  std::filesystem::remove(path);
}

void BM_LoadDotDotPairs(benchmark::State& state) {
  Load(state, MemberPathOf("a\\\\..\\\\", "x.img"));
}
void BM_LoadOneLongPath(benchmark::State& state) { Load(state, MemberPathOf("a", ".img")); }
void BM_LoadLongName(benchmark::State& state) {
  std::string text = R"({"name":")";
  while (text.size() + 2 < kTarget) text += 'n';
  Load(state, Bytes(text + "\"}"));
}

BENCHMARK(BM_Ordinary);
BENCHMARK(BM_LoadDotDotPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOneLongPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLongName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DotDotPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeparatorRuns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneLongPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongEscapedPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyWhitespaceBytes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlox

BENCHMARK_MAIN();

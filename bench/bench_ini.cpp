// Settings-file parsing and writing beside a baseline that only splits the same text
// into lines: the ratio shows what the INI rules cost over bare line handling.
#include <benchmark/benchmark.h>

#include <string>

#include "settings/ini_document.h"

namespace {

std::string LanguageFileLike(int sections, int keys) {
  std::string s;
  for (int i = 0; i < sections; ++i) {
    s += "[Form" + std::to_string(i) + "]\r\n";
    for (int k = 0; k < keys; ++k)
      s += "Form" + std::to_string(i) + ".Component" + std::to_string(k) + ".Caption=Text " + std::to_string(k) + "\r\n";
  }
  return s;
}

const std::string& Input() {
  static const std::string text = LanguageFileLike(6, 150);
  return text;
}

void BM_BaselineSplitLines(benchmark::State& state) {
  for (auto _ : state) {
    size_t lines = 0;
    const std::string& s = Input();
    for (size_t pos = 0; pos < s.size();) {
      size_t end = s.find_first_of("\r\n", pos);
      if (end == std::string::npos) end = s.size();
      std::string line = s.substr(pos, end - pos);
      benchmark::DoNotOptimize(line);
      ++lines;
      pos = end + 2;
    }
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_BaselineSplitLines);

void BM_IniParse(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(settings::IniDocument::Parse(Input()));
}
BENCHMARK(BM_IniParse);

void BM_IniParseSerialize(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(settings::IniDocument::Parse(Input()).Serialize());
}
BENCHMARK(BM_IniParseSerialize);

void BM_IniLookupEveryKey(benchmark::State& state) {
  const auto doc = settings::IniDocument::Parse(Input());
  for (auto _ : state)
    for (int k = 0; k < 150; k += 7)
      benchmark::DoNotOptimize(doc.Find("form5", "Form5.Component" + std::to_string(k) + ".Caption"));
}
BENCHMARK(BM_IniLookupEveryKey);

}  // namespace

BENCHMARK_MAIN();

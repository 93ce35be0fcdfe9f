// Every resize of a text object breaks or renders its text again, so dragging an object's size
// must stay smooth. Goal on the build machine: a 64 KB text file broken at 512 pixels in under
// 20 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/objects/Texts.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace {

// About 64 KB of GBK text as people write it: Chinese with some Latin words and numbers, in
// lines of varied length.
std::string MixedText(size_t size) {
  const std::string phrases[] = {
      platform::Utf8ToGbk("欢迎光临本店，今日特价商品八折优惠。"),
      platform::Utf8ToGbk("Welcome 2024 "),
      platform::Utf8ToGbk("显示屏控制卡文本文件内码测试，"),
      platform::Utf8ToGbk("LED display 第"),
      platform::Utf8ToGbk("号窗口请取号。\r\n")};
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) text += phrases[(i * 7) % 5];
  return text;
}

void BM_BreakTextFile(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / "objects-bench";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "mixed64k.txt").string();
  const std::string text = MixedText(64 * 1024);
  std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));

  model::TStringFile file(nullptr);
  file.SetBounds(0, 0, 512, 256);
  file.SetFileName(platform::GbkPathFromOs(path));
  int width = 512;
  for (auto _ : state) {
    width = width == 512 ? 511 : 512;  // a drag: every step breaks the file again
    file.SetWidth(width);
    benchmark::DoNotOptimize(file.Lines().Count());
  }
  state.counters["lines"] = file.Lines().Count();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_BreakTextFile)->Unit(benchmark::kMillisecond);

}  // namespace

// Every resize of a text object breaks or renders its text again, so dragging an object's size
// must stay smooth. Goals on the build machine, at 512 pixels: a 64 KB text file broken in
// under 20 ms, a 64 KB rich-text document rendered in under 50 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/objects/Texts.h"
#include "model/objects/rtf.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/media/RtfWriter.h"

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

// A scratch file that is gone with the benchmark.
class TScratchFile {
 public:
  TScratchFile(const char* name, const std::string& bytes)
      : dir_(std::filesystem::temp_directory_path() / "objects-bench") {
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / name).string();
    std::ofstream(path_, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }
  ~TScratchFile() { std::filesystem::remove_all(dir_); }
  // The name as the model holds it.
  std::string GbkName() const { return platform::GbkPathFromOs(path_); }

 private:
  std::filesystem::path dir_;
  std::string path_;
};

// A resize drag over an object of class T showing the file: every step breaks or renders its
// text again. `report` sets the counters from the object afterwards.
template <class T, class F>
void Drag(benchmark::State& state, const char* name, const std::string& content, F report) {
  const TScratchFile file(name, content);
  T object(nullptr);
  object.SetBounds(0, 0, 512, 256);
  object.SetFileName(file.GbkName());
  int width = 512;
  for (auto _ : state) {
    width = width == 512 ? 511 : 512;
    object.SetWidth(width);
  }
  report(object);
}

void BM_BreakTextFile(benchmark::State& state) {
  Drag<model::TStringFile>(state, "mixed64k.txt", MixedText(64 * 1024),
                           [&](const model::TStringFile& o) {
                             state.counters["lines"] = o.Lines().Count();
                           });
}
BENCHMARK(BM_BreakTextFile)->Unit(benchmark::kMillisecond);

// The same text as RTF in the editor's form, each phrase a run of its own look: two faces,
// sizes from 9 to 24 pt, LED colours, some bold, paragraphs aligned three ways.
std::string MixedRtf() {
  const platform::TRichDocument plain = platform::PlainTextDocument(MixedText(64 * 1024));
  const char* faces[] = {"宋体", "黑体"};
  const int halfPoints[] = {24, 18, 32, 48, 24};
  const platform::TColor colors[] = {platform::clRed, platform::clLime, platform::clYellow};
  platform::TRichDocument rich;
  size_t k = 0;
  for (const platform::TRichParagraph& p : plain.Paragraphs) {
    platform::TRichParagraph& out = rich.Paragraphs.emplace_back();
    out.Alignment = platform::TParaAlignment(k % 3);
    for (const platform::TRichRun& run : p.Runs)
      for (size_t at = 0; at < run.Text.size(); at += 7, ++k) {
        platform::TRichFormat f;
        f.FaceName = faces[k % 2];
        f.HalfPoints = halfPoints[k % 5];
        f.Color = colors[k % 3];
        f.Style = k % 4 == 0 ? platform::FontStyleBit(platform::fsBold) : 0;
        out.Append(f, std::u32string_view(run.Text).substr(at, 7));
      }
  }
  return platform::WriteRtf(rich);
}

void ReportPicture(benchmark::State& state, const model::TMultiText& object) {
  state.counters["height"] = object.Picture().Height();
  state.counters["paragraphs"] = double(object.Document().Paragraphs.size());
}

void BM_RenderPlainText(benchmark::State& state) {
  Drag<model::TMultiText>(state, "mixed64k.txt", MixedText(64 * 1024),
                          [&](const model::TMultiText& o) { ReportPicture(state, o); });
}
BENCHMARK(BM_RenderPlainText)->Unit(benchmark::kMillisecond);

void BM_RenderRichText(benchmark::State& state) {
  Drag<model::TMultiText>(state, "mixed64k.rtf", MixedRtf(),
                          [&](const model::TMultiText& o) { ReportPicture(state, o); });
}
BENCHMARK(BM_RenderRichText)->Unit(benchmark::kMillisecond);

}  // namespace

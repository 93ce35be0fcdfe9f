// Rich text at the multi-line text object's pace: every resize of the object lays its document
// out and draws it again, so a 64 KB document of mixed Chinese and Latin text (GBK) must be laid
// out and drawn at 512 pixels in well under 50 ms for dragging to stay smooth.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "platform/base/GbkText.h"
#include "platform/gfx/Canvas.h"
#include "platform/media/RichTextLayout.h"
#include "platform/media/RtfReader.h"
#include "platform/media/RtfWriter.h"

namespace {

using namespace platform;

constexpr size_t kDocumentBytes = 64 * 1024;
constexpr int kWidth = 512;
constexpr int kMaxHeight = 60000;  // the tallest picture the object sends

// About 64 KB of GBK text: Chinese sentences with Latin words and numbers, paragraphs of a few
// hundred bytes.
std::string MixedGbkText() {
  const char* pieces[] = {"显示屏", "控制卡", "欢迎光临", "，", "。", "LED ", "display ",
                          "2024 ", "节目", "发送", "亮度", "时间", "text ", "温度", "：",
                          "RS-485 ", "网络", "字幕"};
  std::mt19937 random(7);
  std::string gbk;
  while (gbk.size() < kDocumentBytes) {
    const char* piece = pieces[random() % std::size(pieces)];
    gbk += Utf8ToGbk(piece);
    if (random() % 40 == 0) gbk += "\r\n";
  }
  return gbk;
}

// The same text as the editor's rich text with a few fonts, sizes and colours mixed in.
TRichDocument MixedDocument() {
  TRichDocument plain = PlainTextDocument(MixedGbkText());
  TRichDocument rich;
  std::mt19937 random(11);
  const char* faces[] = {"宋体", "黑体"};
  const int sizes[] = {24, 24, 18, 32, 48};
  for (const TRichParagraph& p : plain.Paragraphs) {
    TRichParagraph& out = rich.Paragraphs.emplace_back();
    out.Alignment = TParaAlignment(random() % 3);
    const std::u32string& text = p.Runs.empty() ? std::u32string() : p.Runs[0].Text;
    for (size_t at = 0; at < text.size();) {
      const size_t n = std::min<size_t>(text.size() - at, 20 + random() % 60);
      TRichFormat f;
      f.FaceName = faces[random() % 2];
      f.HalfPoints = sizes[random() % std::size(sizes)];
      if (random() % 2) f.Color = random() % 2 ? clLime : clYellow;
      if (random() % 4 == 0) f.Style = FontStyleBit(fsBold);
      out.Append(f, std::u32string_view(text).substr(at, n));
      at += n;
    }
  }
  return rich;
}

// What the object does on a resize: lay out, make the picture as tall as the whole lines
// that fit, fill it black and draw them.
void LayOutAndDraw(const TRichDocument& document, TBitmap& picture) {
  TRunLayout layout = LayoutRichText(document, kWidth);
  size_t lines = 0;
  int64_t height = 0;
  for (const TRunLayout::TLine& line : layout.Lines()) {
    if (height + line.Height() > kMaxHeight) break;
    height += line.Height();
    ++lines;
  }
  picture.SetSize(kWidth, int(height));
  TCanvas canvas(picture);
  canvas.Brush.Color = clBlack;
  canvas.FillRect({0, 0, kWidth, int(height)});
  layout.Draw(canvas, 0, lines, 0, 0);
}

void BM_LayOutAndDrawPlainText(benchmark::State& state) {
  const TRichDocument document = PlainTextDocument(MixedGbkText());
  TBitmap picture;
  for (auto _ : state) {
    LayOutAndDraw(document, picture);
    benchmark::DoNotOptimize(picture.Bits());
  }
  state.counters["height_px"] = picture.Height();
}

void BM_LayOutAndDrawMixedFonts(benchmark::State& state) {
  const TRichDocument document = MixedDocument();
  TBitmap picture;
  for (auto _ : state) {
    LayOutAndDraw(document, picture);
    benchmark::DoNotOptimize(picture.Bits());
  }
  state.counters["height_px"] = picture.Height();
}

void BM_LayOutOnly(benchmark::State& state) {
  const TRichDocument document = MixedDocument();
  for (auto _ : state) {
    TRunLayout layout = LayoutRichText(document, kWidth);
    benchmark::DoNotOptimize(layout.Height());
  }
}

void BM_ReadRtf(benchmark::State& state) {
  const std::string rtf = WriteRtf(MixedDocument());
  for (auto _ : state) {
    std::optional<TRichDocument> d = ReadRtf(rtf);
    benchmark::DoNotOptimize(d);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rtf.size()));
}

}  // namespace

BENCHMARK(BM_LayOutAndDrawPlainText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayOutAndDrawMixedFonts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayOutOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

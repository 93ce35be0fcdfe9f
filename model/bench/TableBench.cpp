// The table editor lays the table out again at every keystroke in a cell, so typing must stay
// smooth in a big table. Goals on the build machine, for a 60 x 40 table of short Chinese
// texts: one text change (measure, arrange, repaint what moved in a 1280 x 800 view) within
// 16 ms, also when the change makes its line taller; the whole table rendered within 100 ms.
// A table file of cell fonts 2048 pixels high (as large as fonts get) loads within 100 ms: a
// load lays the table out, which costs what its text costs, not what its font size would.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/objects/TableReport.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"
#include "platform/base/MemoryStream.h"
#include "platform/gfx/Canvas.h"

namespace {

// Collects what the table asks to repaint, as the view would.
class TDirtyHost : public model::TTableHost {
 public:
  void InvalidateTableRect(const platform::TRect& r) override {
    dirty = dirty.IsEmpty() ? r
                            : platform::TRect{std::min(dirty.Left, r.Left), std::min(dirty.Top, r.Top),
                                              std::max(dirty.Right, r.Right), std::max(dirty.Bottom, r.Bottom)};
  }
  void ExtentChanged() override {}
  void EditorChanged() override {}
  void ScrollTo(int, int) override {}
  platform::TSize ViewportSize() const override { return {1280, 800}; }
  platform::TRect dirty;
};

void Fill(model::TTableReport& t) {
  t.Clear();
  t.NewTable(60, 40, 48, 0);
  const std::string words[] = {platform::Utf8ToGbk("表格"), platform::Utf8ToGbk("显示屏"),
                               platform::Utf8ToGbk("第12号"), platform::Utf8ToGbk("控制卡")};
  for (int l = 0; l < 40; ++l)
    for (int c = 0; c < 60; ++c) t.GetLine(l)->Cell(c)->SetText(words[(l * 7 + c) % 4]);
}

// Types into the cell at line 20, column 10, switching between two texts; `grow` makes the
// second one wrap onto a second line, so every line below moves.
void Typing(benchmark::State& state, bool grow) {
  model::TTableReport table(nullptr);
  Fill(table);
  TDirtyHost host;
  table.SetHost(&host);
  table.OpenEditor(table.GetLine(20)->Cell(10));
  const std::string a = platform::Utf8ToGbk("表格");
  const std::string b = platform::Utf8ToGbk(grow ? "表格显示屏" : "表格1");
  // The view shows the cell 100 pixels below its top, so what moves below it fills the view.
  const int top = table.GetLine(20)->Top() - 100;
  platform::TBitmap view(1280, 800);
  platform::TCanvas canvas(view);
  canvas.SetOrigin(0, -top);
  const platform::TRect viewport{0, top, 1280, top + 800};
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    host.dirty = {};
    table.SetEditorText(flip ? b : a);
    const platform::TRect area = platform::Intersect(host.dirty, viewport);
    if (!area.IsEmpty()) table.PaintArea(canvas, area);
    benchmark::DoNotOptimize(view.Bits());
  }
}

void BM_TableKeystroke(benchmark::State& state) { Typing(state, false); }
void BM_TableKeystrokeLineGrows(benchmark::State& state) { Typing(state, true); }

void BM_TableRenderToBitmap(benchmark::State& state) {
  model::TTableReport table(nullptr);
  Fill(table);
  platform::TBitmap out;
  for (auto _ : state) {
    table.RenderToBitmap(out);
    benchmark::DoNotOptimize(out.Bits());
  }
  state.counters["width"] = out.Width();
  state.counters["height"] = out.Height();
}

// Loads a table file of the tests' fixtures (laying it out). Fonts once realized stay, so each
// round first gives every cell font a size not used before, of the same order (up to half the
// fixture's): every load is a first one, as opening the file in the editor is. "first_ms" is the
// fixture's own first load.
void BM_TableLoad(benchmark::State& state, const char* name) {
  std::string bytes;
  platform::TMemoryStream fixture;
  model::TTableReport table(nullptr);
  if (!platform::ReadWholeFile(std::string(TABLE_FIXTURES) + "/" + name, bytes) ||
      !fixture.Write(bytes.data(), bytes.size())) {
    state.SkipWithError("fixture missing");
    return;
  }
  fixture.SetPosition(0);
  const auto start = std::chrono::steady_clock::now();
  if (table.LoadFromStream(fixture) != model::TTableLoad::Loaded) {
    state.SkipWithError("the table does not load");
    return;
  }
  state.counters["first_ms"] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  state.counters["line0_height"] = table.GetLine(0)->Height();
  // The fixture's sizes, and a count of rounds over every run of the benchmark.
  std::vector<platform::TLogFont> fonts;
  for (int l = 0; l < table.GetLineCount(); ++l)
    for (int c = 0; c < table.GetLine(l)->CellCount(); ++c) fonts.push_back(table.GetLine(l)->Cell(c)->Font());
  static int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++round;
    size_t k = 0;
    for (int l = 0; l < table.GetLineCount(); ++l)
      for (int c = 0; c < table.GetLine(l)->CellCount(); ++c) {
        platform::TLogFont font = fonts[k++];
        const int32_t size = std::abs(font.Height);
        font.Height = (font.Height < 0 ? -1 : 1) * (size - round % std::max(1, size / 2));
        table.GetLine(l)->Cell(c)->SetFont(font);
      }
    platform::TMemoryStream stream;
    table.SaveToStream(stream);
    stream.SetPosition(0);
    model::TTableReport loaded(nullptr);
    state.ResumeTiming();
    if (loaded.LoadFromStream(stream) != model::TTableLoad::Loaded) {
      state.SkipWithError("the table does not load");
      return;
    }
    benchmark::DoNotOptimize(loaded.GetLineCount());
  }
}
BENCHMARK_CAPTURE(BM_TableLoad, Font2048, "table_font2048.Tab")->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TableLoad, LongText, "table_long_text.Tab")->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TableLoad, LongTextFont2048, "table_long_text_font2048.Tab")->Iterations(200)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_TableKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableKeystrokeLineGrows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableRenderToBitmap)->Unit(benchmark::kMillisecond);

}  // namespace

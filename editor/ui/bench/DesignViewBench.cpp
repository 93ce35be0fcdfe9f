// One full repaint of the design surface: a 1024 x 256 page with 50 display objects, one of
// them selected (its grab drawn over the page). The page is marked changed before each repaint,
// so every object paints again. Measured twice: the drawing alone (page, objects and overlay
// into a bitmap) and the view's synchronous repaint offscreen (that, plus the copy to Qt).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QWindow>
#include <memory>
#include <vector>

#include "editor/core/Design.h"
#include "editor/core/DesignPaint.h"
#include "editor/ui/bench/BenchApplication.h"
#include "editor/ui/DesignView.h"
#include "model/FormConstructEx.h"
#include "model/objects/Texts.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/Canvas.h"

namespace {


// The page: five rows of ten objects, single-line texts and code texts in turn.
struct TPageFixture {
  model::TLeaf Page{nullptr};
  editor::TDesign Design{nullptr};

  TPageFixture() {
    Page.SetBounds(0, 0, 1024, 256);
    for (int i = 0; i < 50; ++i) {
      platform::TControl* object;
      if (i % 2 == 0) {
        auto* text = new model::TText(&Page);
        platform::TStringList lines;
        lines.Add(platform::Utf8ToGbk("欢迎光临 Welcome " + std::to_string(i)));
        text->SetLines(&lines);
        text->SetTransparent(i % 4 == 0);
        object = text;
      } else {
        auto* code = new model::TMultiString(&Page);
        platform::TStringList lines;
        lines.Add(platform::Utf8ToGbk("内码文本"));
        lines.Add(platform::Utf8ToGbk("第二行 " + std::to_string(i)));
        code->SetLines(&lines);
        code->SetTransparent(i % 3 == 0);
        object = code;
      }
      object->SetParent(&Page);
      object->SetBounds((i % 10) * 102, (i / 10) * 51, 100, 48);
    }
    Design.SetContainer(&Page);
    Design.SetActivate(true);
    Design.Select(Page.Controls(12));
  }
};

void PaintSurface(benchmark::State& state) {
  TPageFixture fixture;
  platform::TBitmap frame(1024, 256);
  for (auto _ : state) {
    platform::TCanvas canvas(frame);
    editor::PaintPage(fixture.Page, canvas);
    editor::PaintDesignOverlay(fixture.Design, canvas);
    benchmark::DoNotOptimize(frame.Bits());
  }
}
BENCHMARK(PaintSurface)->Unit(benchmark::kMillisecond);

void RepaintDesignView(benchmark::State& state) {
  editor::ui::EnsureBenchApplication();
  TPageFixture fixture;
  editor::ui::TDesignView view(fixture.Design);
  view.show();
  // Painting waits for the window to be exposed.
  for (int i = 0; i < 1000 && !(view.windowHandle() && view.windowHandle()->isExposed()); ++i)
    QCoreApplication::processEvents();
  if (!view.windowHandle() || !view.windowHandle()->isExposed()) {
    state.SkipWithError("the view was never exposed");
    return;
  }
  for (auto _ : state) {
    fixture.Page.Invalidate();
    view.repaint();
  }
}
BENCHMARK(RepaintDesignView)->Unit(benchmark::kMillisecond);

}  // namespace

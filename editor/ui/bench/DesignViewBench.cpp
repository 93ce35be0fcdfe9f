// One full repaint of the design surface: a 1024 x 256 page with 50 display objects, one of
// them selected (its grab drawn over the page). The page is marked changed before each repaint,
// so every object paints again. Measured twice: the drawing alone (page, objects and overlay
// into a bitmap) and the view's synchronous repaint offscreen (that, plus the copy to Qt).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/Design.h"
#include "editor/core/DesignPaint.h"
#include "editor/ui/bench/BenchApplication.h"
#include "editor/ui/DesignView.h"
#include "model/FormConstructEx.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/Texts.h"
#include "model/objects/TimeComps.h"
#include "platform/base/AppPaths.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/Canvas.h"

namespace {

// A 64 x 32 colour gradient as a BMP file, which the picture objects stretch onto themselves.
class TPictureFile {
 public:
  TPictureFile() : path_(platform::TempDir() + "design_view_bench.bmp") {
    platform::TBitmapGraphic picture;
    picture.Bitmap() = platform::TBitmap(64, 32, platform::pf24bit);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x) picture.Bitmap().SetPixel(x, y, platform::RGB(uint8_t(x * 4), uint8_t(y * 8), 128));
    picture.SaveToFile(path_);
  }
  ~TPictureFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The page: five rows of ten objects, in turn a single-line text, a code text, a date-time, an
// analog clock and a picture.
struct TPageFixture {
  TPictureFile PictureFile;
  model::TLeaf Page{nullptr};
  editor::TDesign Design{nullptr};
  bool PictureMissing = false;

  TPageFixture() {
    Page.SetBounds(0, 0, 1024, 256);
    for (int i = 0; i < 50; ++i) {
      platform::TControl* object;
      switch (i % 5) {
        case 0: {
          auto* text = new model::TText(&Page);
          platform::TStringList lines;
          lines.Add(platform::Utf8ToGbk("欢迎光临 Welcome " + std::to_string(i)));
          text->SetLines(&lines);
          text->SetTransparent(i % 2 == 0);
          object = text;
          break;
        }
        case 1: {
          auto* code = new model::TMultiString(&Page);
          platform::TStringList lines;
          lines.Add(platform::Utf8ToGbk("内码文本"));
          lines.Add(platform::Utf8ToGbk("第二行 " + std::to_string(i)));
          code->SetLines(&lines);
          code->SetTransparent(i % 3 == 0);
          object = code;
          break;
        }
        case 2: {
          auto* clock = new model::TDateTimeComponent(&Page);
          clock->SetTransparent(i % 2 == 0);
          object = clock;
          break;
        }
        case 3:
          object = new model::TAnalogClock(&Page);
          break;
        default: {
          auto* photo = new model::TPhoto(&Page);
          photo->SetFileName(PictureFile.Path());
          if (photo->FileName().empty()) PictureMissing = true;
          object = photo;
          break;
        }
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
  if (fixture.PictureMissing) {
    state.SkipWithError("the picture did not load");
    return;
  }
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
  if (fixture.PictureMissing) {
    state.SkipWithError("the picture did not load");
    return;
  }
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

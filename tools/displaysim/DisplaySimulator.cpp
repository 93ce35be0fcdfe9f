#include "DisplaySimulator.h"

#include <algorithm>

namespace displaysim {

namespace {

bool IsColorMode(int mode) { return mode >= 1 && mode <= 4; }

std::vector<uint32_t> DisplayTimes(const TProgramView& program) {
  std::vector<uint32_t> times;
  for (const TPageView& page : program.Pages) times.push_back(page.DisplayTimeMs);
  return times;
}

}  // namespace

TDisplaySimulator::TDisplaySimulator(TSimulatorSetup setup)
    : setup_(std::move(setup)),
      program_(ReadProgram(TBytes(setup_.Program.data(), setup_.Program.size()))),
      stepMs_(StepTimeOfBlock(setup_.ParamBlock.data(), setup_.ParamBlock.size())),
      clock_(DisplayTimes(program_), stepMs_) {
  const int header = program_.ColorMode;
  itemSetup_.ColorMode = IsColorMode(header) ? header : IsColorMode(setup_.ColorMode) ? setup_.ColorMode : 1;
  // Full-colour pixels are mode 3 or 4 as the header says, else as the screen is.
  const bool headerWords = header == 3 || header == 4;
  itemSetup_.RedGreenWords = headerWords ? header == 4 : setup_.ColorMode == 4;
  itemSetup_.ScreenWidth = std::max(setup_.Width, 0);
  itemSetup_.ScreenHeight = std::max(setup_.Height, 0);
  if (!setup_.Clock) setup_.Clock = &platform::WallClock();
}

bool TDisplaySimulator::Usable(const TDisplaySurface& surface) {
  return surface.Pixels && surface.Width > 0 && surface.Height > 0 && surface.Stride % 4 == 0 &&
         int64_t(surface.Stride) >= int64_t(surface.Width) * 4;
}

void TDisplaySimulator::PaintBlack(const TDisplaySurface& surface) {
  if (!Usable(surface)) return;
  for (int y = 0; y < surface.Height; ++y) {
    TPixel* row = surface.Pixels + size_t(y) * size_t(surface.Stride / 4);
    std::fill(row, row + surface.Width, pxBlack);
  }
}

void TDisplaySimulator::MakeItems() {
  items_.clear();
  if (clock_.Page() < program_.Pages.size())
    for (const TRecordView& record : program_.Pages[clock_.Page()].Records)
      if (auto item = MakeItem(record, itemSetup_)) items_.push_back(std::move(item));
  itemsMade_ = true;
}

void TDisplaySimulator::Step(const TDisplaySurface& surface) {
  if (Usable(surface)) {
    PaintBlack(surface);
    if (!itemsMade_) MakeItems();
    TScreen screen(surface.Pixels, std::min(itemSetup_.ScreenWidth, int(surface.Width)),
                   std::min(itemSetup_.ScreenHeight, int(surface.Height)), size_t(surface.Stride / 4));
    const TStepState state{clock_.PageStep(), setup_.Clock->Now()};
    for (const auto& item : items_) item->Paint(screen, state);
  }
  if (clock_.Advance()) itemsMade_ = false;
}

}  // namespace displaysim

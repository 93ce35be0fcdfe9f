// libdisplaysim.so as the preview uses it: loaded by name, its three calls looked up, one
// simulation at a time painting the caller's surface.
#include <dlfcn.h>
#include <stdio.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SimTestSupport.h"
#include "displaysim.h"

namespace displaysim::test {
namespace {

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = dlopen(DISPLAYSIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(handle) << dlerror();
    create = reinterpret_cast<TDisplayCreateProc>(dlsym(handle, "Display_Create"));
    step = reinterpret_cast<TDisplayStepProc>(dlsym(handle, "Display_Step"));
    destroy = reinterpret_cast<TDisplayDestroyProc>(dlsym(handle, "Display_Destroy"));
    ASSERT_TRUE(create && step && destroy);
  }
  void TearDown() override {
    if (destroy) destroy();
    if (handle) dlclose(handle);
  }

  // A surface of w x h with a spare column, marked.
  struct TSurface {
    std::vector<uint32_t> Pixels;
    TDisplaySurface Surface;
    TSurface(int w, int h) : Pixels(size_t(w + 1) * size_t(h), 0x123456), Surface{Pixels.data(), w, h, (w + 1) * 4} {}
    uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Surface.Width + 1) + size_t(x)]; }
  };

  void* handle = nullptr;
  TDisplayCreateProc create = nullptr;
  TDisplayStepProc step = nullptr;
  TDisplayDestroyProc destroy = nullptr;
};

platform::TBitmap RedDot(int x, int y) {
  platform::TBitmap b(x + 1, y + 1);
  b.SetPixel(x, y, platform::clRed);
  return b;
}

TEST(Exports, AreExactlyTheThreeCalls) {
  FILE* nm = popen("nm -D --defined-only '" DISPLAYSIM_LIBRARY "'", "r");
  ASSERT_TRUE(nm);
  std::set<std::string> names;
  char line[512];
  while (fgets(line, sizeof line, nm)) {
    char address[64], type[8], name[400];
    if (sscanf(line, "%63s %7s %399s", address, type, name) == 3 && std::string(type) != "A")
      names.insert(std::string(name).substr(0, std::string(name).find('@')));
  }
  EXPECT_EQ(0, pclose(nm));
  EXPECT_EQ((std::set<std::string>{"Display_Create", "Display_Destroy", "Display_Step"}), names);
}

TEST_F(Library, CreatePaintsBlackAndEachStepPaintsTheScreen) {
  const TProgram program = WriteProgram(1, {{1000, {PictureWindow(0, 0, RedDot(3, 2))}}});
  const auto block = ParamBlock(8, 4, 1, 50);
  TSurface s(10, 6);  // larger than the screen: the rest is black too
  ASSERT_EQ(1, create("/nowhere/SoftScanFont.Dat", 1, 8, 4, &s.Surface, program.data(), block.data(),
                      uint32_t(program.size())));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(0u, s.At(x, y));
  EXPECT_EQ(0x123456u, s.At(10, 0)) << "past the row";
  ASSERT_EQ(1, step(&s.Surface));
  EXPECT_EQ(0xFF0000u, s.At(3, 2));
  EXPECT_EQ(0x123456u, s.At(10, 5));
  // The screen is 8 x 4: a surface smaller than it shows its top-left part.
  TSurface small(2, 2);
  EXPECT_EQ(1, step(&small.Surface));
  EXPECT_EQ(0u, small.At(1, 1));
}

TEST_F(Library, SimulationKeepsItsOwnCopyOfTheProgram) {
  TProgram program = WriteProgram(1, {{1000, {PictureWindow(0, 0, RedDot(1, 1))}}});
  TSurface s(4, 4);
  ASSERT_EQ(1, create("", 1, 4, 4, &s.Surface, program.data(), nullptr, uint32_t(program.size())));
  std::fill(program.begin(), program.end(), 0);  // the caller's stream is cleared and refilled
  program.clear();
  program.shrink_to_fit();
  ASSERT_EQ(1, step(&s.Surface));
  EXPECT_EQ(0xFF0000u, s.At(1, 1));
}

TEST_F(Library, SecondCreateReplacesTheFirst) {
  const TProgram first = WriteProgram(1, {{1000, {PictureWindow(0, 0, RedDot(0, 0))}}});
  const TProgram second = WriteProgram(1, {{1000, {PictureWindow(0, 0, RedDot(2, 2))}}});
  TSurface s(4, 4);
  ASSERT_EQ(1, create("", 1, 4, 4, &s.Surface, first.data(), nullptr, uint32_t(first.size())));
  ASSERT_EQ(1, create("", 1, 4, 4, &s.Surface, second.data(), nullptr, uint32_t(second.size())));
  ASSERT_EQ(1, step(&s.Surface));
  EXPECT_EQ(0u, s.At(0, 0));
  EXPECT_EQ(0xFF0000u, s.At(2, 2));
  destroy();
  EXPECT_EQ(0, step(&s.Surface)) << "no simulation after destroy";
  destroy();  // twice is harmless
}

TEST_F(Library, RefusesWhatItCannotPaint) {
  const TProgram program = WriteProgram(1, {{1000, {PictureWindow(0, 0, RedDot(0, 0))}}});
  TSurface s(4, 4);
  EXPECT_EQ(0, create("", 1, 4, 4, nullptr, program.data(), nullptr, uint32_t(program.size())));
  EXPECT_EQ(0, step(&s.Surface));
  EXPECT_EQ(0, create("", 1, 70000, 4, &s.Surface, program.data(), nullptr, uint32_t(program.size())));
  // No program at all: a black screen that steps.
  ASSERT_EQ(1, create("", 1, 4, 4, &s.Surface, nullptr, nullptr, 1000));
  EXPECT_EQ(1, step(&s.Surface));
  EXPECT_EQ(0u, s.At(0, 0));
  // A surface whose stride does not hold a row, or with no pixels, is not painted.
  ASSERT_EQ(1, create("", 1, 4, 4, &s.Surface, program.data(), nullptr, uint32_t(program.size())));
  TDisplaySurface narrow = s.Surface;
  narrow.Stride = 8;
  s.Pixels[0] = 0x777777;
  EXPECT_EQ(1, step(&narrow));
  EXPECT_EQ(0x777777u, s.At(0, 0));
  TDisplaySurface none{nullptr, 4, 4, 16};
  EXPECT_EQ(1, step(&none));
  EXPECT_EQ(0, step(nullptr));
}

TEST_F(Library, StepTimeComesFromTheBlockWithinItsRange) {
  // Pages of 1 s: at 20 ms a page lasts 50 steps; a block saying 0 is 20 ms as well, one
  // saying 5000 is 2000 ms, so every step shows the next page.
  const TProgram program = WriteProgram(1, {{1000, {PictureWindow(0, 0, RedDot(0, 0))}},
                                            {1000, {PictureWindow(0, 0, RedDot(1, 0))}}});
  struct TCase {
    int Block, StepsPerPage;
  };
  for (const TCase& c : {TCase{20, 50}, {0, 50}, {5000, 1}, {250, 4}}) {
    const auto block = ParamBlock(2, 1, 1, c.Block);
    TSurface s(2, 1);
    ASSERT_EQ(1, create("", 1, 2, 1, &s.Surface, program.data(), block.data(), uint32_t(program.size())));
    int steps = 0;
    do {
      step(&s.Surface);
      ++steps;
    } while (s.At(0, 0) != 0 && steps < 100);
    EXPECT_EQ(c.StepsPerPage + 1, steps) << c.Block;
  }
}

}  // namespace
}  // namespace displaysim::test

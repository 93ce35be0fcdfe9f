#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "model/stream/LevelTable.h"
#include "model/stream/PageRecord.h"
#include "model/stream/PixelBlock.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "platform/base/AtomicFile.h"

namespace displaysim::test {

std::vector<std::pair<int, int>> TShot::Lit() const {
  std::vector<std::pair<int, int>> lit;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      if (At(x, y) != 0) lit.emplace_back(x, y);
  return lit;
}

std::vector<uint8_t> ParamBlock(int width, int height, int mode, int stepMs) {
  std::vector<uint8_t> block(112, 0);
  platform::StoreU16(&block[0], uint16_t(width));
  platform::StoreU16(&block[2], uint16_t(height));
  platform::StoreU16(&block[4], uint16_t(mode));
  platform::StoreU16(&block[6], uint16_t(stepMs));
  return block;
}

TPlayer::TPlayer(TProgram program, int width, int height, int colorMode, int stepMs,
                 const platform::TWallClock* clock)
    : width_(width), height_(height) {
  TSimulatorSetup setup;
  setup.ColorMode = colorMode;
  setup.Width = width;
  setup.Height = height;
  setup.Program = std::move(program);
  setup.ParamBlock = ParamBlock(width, height, colorMode, stepMs);
  setup.Clock = clock;
  sim_ = std::make_unique<TDisplaySimulator>(std::move(setup));
}

TShot TPlayer::Step() {
  TShot shot;
  shot.Width = width_;
  shot.Height = height_;
  // A surface with a wider stride than the screen, its spare pixels marked, so a step that
  // paints outside the screen's rows shows.
  const int stride = width_ + 3;
  std::vector<uint32_t> surface(size_t(stride) * size_t(height_), 0xABCDEF);
  TDisplaySurface s{surface.data(), width_, height_, stride * 4};
  sim_->Step(s);
  for (int y = 0; y < height_; ++y) {
    for (int x = width_; x < stride; ++x)
      EXPECT_EQ(0xABCDEFu, surface[size_t(y) * size_t(stride) + size_t(x)]) << "past the row";
    shot.Pixels.insert(shot.Pixels.end(), surface.begin() + y * stride,
                       surface.begin() + y * stride + width_);
  }
  return shot;
}

std::vector<TShot> TPlayer::Steps(int count) {
  std::vector<TShot> shots;
  for (int i = 0; i < count; ++i) shots.push_back(Step());
  return shots;
}

TShot PlayOnce(const TProgram& program, int width, int height, int colorMode,
               const platform::TWallClock* clock) {
  return TPlayer(program, width, height, colorMode, 50, clock).Step();
}

void SaveSeed(const TProgram& program) {
  const char* folder = std::getenv("DISPLAYSIM_SEED_DIR");
  if (!folder || !*folder) return;
  const size_t hash = std::hash<std::string_view>()(
      std::string_view(reinterpret_cast<const char*>(program.data()), program.size()));
  std::ofstream(std::filesystem::path(folder) / ("program-" + std::to_string(hash) + ".bin"),
                std::ios::binary)
      .write(reinterpret_cast<const char*>(program.data()), std::streamsize(program.size()));
}

TProgram WriteProgram(int mode, const std::vector<TPageSpec>& pages, uint16_t kind) {
  std::vector<model::TRecordWriter> writers;
  for (const TPageSpec& page : pages)
    writers.push_back([&page](model::TProgramStream& s) {
      model::WritePageRecord(page.DisplayMs, page.Objects, s);
    });
  model::TProgramStream stream;
  model::WriteProgramHeader(kind, mode, writers, stream);
  TProgram program = stream.Bytes();
  SaveSeed(program);
  return program;
}

TProgram WritePagePreview(int mode, const TPageSpec& page) {
  model::TProgramStream stream;
  model::StreamContext().SetColorMode(mode);
  model::WriteProgramHead(stream, 17, mode, 1, 0);
  model::WritePageRecord(page.DisplayMs, page.Objects, stream);
  TProgram program = stream.Bytes();
  SaveSeed(program);
  return program;
}

model::TRecordWriter PictureWindow(int left, int top, const platform::TBitmap& picture,
                                   bool transparent, int effect, int speed) {
  return [=](model::TProgramStream& s) {
    model::WritePictureWindow(model::RecordRect(left, top, picture.Width(), picture.Height()),
                              picture, uint16_t(effect), uint16_t(speed), transparent, s);
  };
}

model::TRecordWriter RawRecord(std::vector<uint8_t> bytes) {
  return [bytes = std::move(bytes)](model::TProgramStream& s) { s.Write(bytes.data(), bytes.size()); };
}

platform::TBitmap FixturePicture(const std::string& name, int width, int height) {
  std::string rgb;
  EXPECT_TRUE(platform::ReadWholeFile(std::string(CORVANE_FIXTURES) + "/" + name + ".rgb", rgb));
  EXPECT_EQ(size_t(width) * size_t(height) * 3, rgb.size()) << name;
  platform::TBitmap picture(width, height);
  for (int y = 0; y < height && rgb.size() == size_t(width * height * 3); ++y)
    for (int x = 0; x < width; ++x) {
      const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (size_t(y) * width + x) * 3;
      picture.SetPixel(x, y, platform::RGB(p[0], p[1], p[2]));
    }
  return picture;
}

platform::TBitmap ShotPicture(const TShot& shot, int left, int top, int width, int height) {
  platform::TBitmap picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t p = shot.At(left + x, top + y);
      picture.SetPixel(x, y, platform::RGB(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)));
    }
  return picture;
}

std::vector<uint8_t> BlockBytes(const platform::TBitmap& picture, int mode) {
  model::TProgramStream s;
  model::WritePictureBits(picture, mode, s);
  return s.Bytes();
}

void ExpectShowsByMode(const TShot& shot, int left, int top, const platform::TBitmap& source,
                       int mode) {
  const auto& T = model::LevelTable;
  int wrong = 0;
  for (int y = 0; y < source.Height(); ++y) {
    for (int x = 0; x < source.Width(); ++x) {
      const platform::TColor c = source.GetPixel(x, y);
      const int r = platform::GetRValue(c), g = platform::GetGValue(c), b = platform::GetBValue(c);
      const uint32_t shown = shot.At(left + x, top + y);
      const int sr = int(shown >> 16) & 0xFF, sg = int(shown >> 8) & 0xFF, sb = int(shown) & 0xFF;
      bool ok;
      if (mode == 1) {
        ok = shown == (r > 96 ? kRed : 0u);
      } else if (mode == 2) {
        ok = shown == ((r > 96 ? kRed : 0u) | (g > 96 ? kGreen : 0u));
      } else if (mode == 3) {
        ok = sr <= r && sg <= g && sb <= b && T[size_t(sr)] >> 3 == T[size_t(r)] >> 3 &&
             T[size_t(sg)] >> 2 == T[size_t(g)] >> 2 && T[size_t(sb)] >> 3 == T[size_t(b)] >> 3;
      } else {
        ok = sb == 0 && sr <= r && sg <= g && T[size_t(sr)] == T[size_t(r)] &&
             T[size_t(sg)] == T[size_t(g)];
      }
      if (!ok && ++wrong <= 5)
        ADD_FAILURE() << "mode " << mode << " pixel (" << x << ", " << y << ") of " << std::hex
                      << c << " shows " << shown;
    }
  }
  if (mode >= 3) {
    const platform::TBitmap shownPicture = ShotPicture(shot, left, top, source.Width(), source.Height());
    EXPECT_EQ(BlockBytes(source, mode), BlockBytes(shownPicture, mode)) << "mode " << mode;
  }
}

platform::TDateTime At(int year, int month, int day, int hour, int minute, int second) {
  return *platform::EncodeDateTime({year, month, day, hour, minute, second, 0});
}

}  // namespace displaysim::test

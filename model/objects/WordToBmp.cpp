#include "WordToBmp.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "model/objects/PageflatClient.h"
#include "platform/base/AppPaths.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ChildProcess.h"
#include "platform/base/FilePath.h"
#include "platform/gfx/Blit.h"
#include "platform/gfx/BmpImage.h"

namespace model {
namespace {

constexpr int StripPixels = 8388608;

}  // namespace

int StripHeight(int width, int height) {
  if (width < 1 || height < 1) return 0;
  const int rows = std::min(StripPixels / width, platform::TBitmap::MaxDimension);
  return rows / height * height;
}

bool CopyPageToStrip(void*, const platform::TBitmap& page, int index, platform::TBitmap& strip,
                     bool reverse, int pageHeight, int pageWidth) {
  const int64_t y = int64_t(index - 1) * pageHeight;
  if (strip.Height() <= y) return false;
  const platform::TCopyMode mode = reverse ? platform::cmNotSrcCopy : platform::cmSrcCopy;
  platform::CopyBits(strip, {0, 0, strip.Width(), strip.Height()}, 0, int(y), pageWidth,
                     pageHeight, page, 0, 0, mode);
  return true;
}

int WordToBitmap(std::string_view document, int width, int height, TStripCallback callback,
                 void* context, platform::TBitmap& strip, bool reverse, int timeLimitMs) {
  if (width < 1 || height < 1) return -2;
  const std::string program = PageflatProgram();
  if (program.empty()) return -1;
  const std::string folder = platform::MakePrivateTempFolder("corvane-pages-");
  if (folder.empty()) return -2;
  struct TRemove {
    std::string Path;
    ~TRemove() {
      std::error_code ec;
      std::filesystem::remove_all(Path, ec);
    }
  } remove{folder};

  platform::TChildProcess converter;
  platform::TSpawnOptions options;
  options.NewProcessGroup = true;  // a time-out stops LibreOffice with it
  const std::string source = platform::AbsolutePath(platform::OsPathFromGbk(document));
  if (!converter.Start(
          {program, "--pages", source, std::to_string(width), std::to_string(height), folder},
          options))
    return -1;
  if (!converter.WaitExit(timeLimitMs)) {
    converter.SignalGroup(SIGKILL);
    converter.Reap();
    return -2;
  }
  // Whatever it left running in its group goes with it.
  converter.SignalGroup(SIGKILL);
  switch (converter.Reap()) {
    case 0:
      break;
    case 2:
      return -1;
    case 4:
      return -4;
    default:
      return -2;
  }

  int index = 1;
  for (;; ++index) {
    char name[32];
    std::snprintf(name, sizeof name, "page-%04d.bmp", index);
    const std::string path = folder + name;
    if (!platform::RegularFileExists(path)) break;  // after the last page
    std::string bytes;
    if (!platform::ReadWholeFile(path, bytes)) return -4;
    platform::TBitmap page;
    try {
      page = platform::ReadBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      page.SetPixelFormat(platform::pf16bit);
    } catch (const std::exception&) {
      return -4;
    }
    if (page.Width() != width || page.Height() != height) return -4;
    if (callback && !callback(context, page, index, strip, reverse, height, width)) break;
  }
  return index;
}

}  // namespace model

#pragma once
// The preview (`PreView`): how a card would play a program. The window hands the program, the
// screen's size and its parameter block to the display simulator, a library loaded by name for
// each showing ("libdisplaysim.so", tools/displaysim/displaysim.h), and steps it with a timer at
// the block's step time; each step paints the whole screen into a surface the window shows.
//
// Here, without a window: the callers ("Preview page", "Preview all", a card's read-back), the
// queue that keeps one preview open at a time, and the player that loads the library, starts
// the simulation, steps it and ends it. The Qt window (editor/ui/PreView.h) shows the player's
// surface.
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "editor/core/Dialogs.h"
#include "platform/base/Clock.h"
#include "platform/base/Timer.h"
#include "tools/displaysim/displaysim.h"

namespace model {
class TLEDScreen;
class TLeaf;
class TProgramStream;
}  // namespace model

namespace editor {

class TDesignForm;

// The simulator's name as the loader searches for it: the program's RUNPATH holds the program's
// own folder, where the build and the installation put it.
inline constexpr const char* DisplayLibraryName = "libdisplaysim.so";
// The card font file the simulator is told of, in the program directory.
inline constexpr const char* DisplayFontFile = "SoftScanFont.Dat";
// The step times the card-settings dialog allows. A block with anything else (a zeroed block, a
// card's read-back) would give a timer that spins or stands still.
inline constexpr uint32_t MinStepTime = 20;
inline constexpr uint32_t MaxStepTime = 2000;

// The step time of a parameter block (u16 at offset 6) as the timer and the simulator use it:
// kept within MinStepTime..MaxStepTime.
uint32_t PreviewInterval(int stepTime);
// The colour mode (u16 at offset 4) and the step time (u16 at offset 6) of a request's block.
int PreviewColorMode(const TPreviewRequest& request);
int PreviewStepTime(const TPreviewRequest& request);

// What a preview of `program` on `screen` plays: the screen's size (as the card's 16-bit values),
// a copy of the program and of the screen's parameter block.
TPreviewRequest PreviewRequest(const model::TLEDScreen& screen, std::span<const uint8_t> program);

// The program "Preview page" plays, appended to `stream`: the screen's colour mode becomes the
// current one, then a header of kind 17 with one page and size 0, then the page's record.
void WritePagePreview(const model::TLEDScreen& screen, model::TLeaf& page, model::TProgramStream& stream);

// "Preview page": panel 3 says "正在形成预览数据..." at once; the preview stream is cleared and
// gets the page's program (WritePagePreview); the page is made inactive while the preview plays
// a copy of it with the screen's size and block; then the stream is cleared and the page made
// active again.
void PreviewPage(TDesignForm& form, TDialogs& dialogs, model::TLEDScreen& screen, model::TLeaf& page);
// "Preview all": the preview stream is cleared and gets the screen's whole program (kind 17, the
// screen's colour mode); the preview plays a copy of it with the screen's size and a copy of its
// block whose flags (the u32 at offset 8) are 0; the screen's own block stays as it is. Then the
// stream is cleared.
void PreviewAll(TDialogs& dialogs, model::TLEDScreen& screen);
// The two commands on the main window's current screen and page; nothing when there is none.
void PreviewPage(TDesignForm& form, TDialogs& dialogs);
void PreviewAll(TDesignForm& form, TDialogs& dialogs);
// A program the card of `source` sent back, with that screen's size and block.
void ShowReadBackPreview(TDialogs& dialogs, const model::TLEDScreen& source, std::span<const uint8_t> program);

// One preview at a time. A preview asked for while one is open (a card's read-back handled
// inside the open one's modal loop) waits and opens once the open one has closed, in the order
// they were asked for.
class TPreviewQueue {
 public:
  // `run` shows one preview modally and returns when it has closed.
  explicit TPreviewQueue(std::function<void(const TPreviewRequest&)> run) : run_(std::move(run)) {}
  // Runs `request`, then every request that came meanwhile; returns at once, leaving `request`
  // waiting, when a preview is open.
  void Show(TPreviewRequest request);
  bool Open() const { return open_; }
  size_t Waiting() const { return waiting_.size(); }

 private:
  std::function<void(const TPreviewRequest&)> run_;
  std::deque<TPreviewRequest> waiting_;
  bool open_ = false;
};

// The display simulator's three calls, from a library loaded by name.
class TDisplayLibrary {
 public:
  TDisplayLibrary() = default;
  ~TDisplayLibrary() { Unload(); }
  TDisplayLibrary(const TDisplayLibrary&) = delete;
  TDisplayLibrary& operator=(const TDisplayLibrary&) = delete;

  // Loads `name` (a bare name goes through the loader's search, a path is taken as it is) and
  // looks up the three calls. False when the library or one of its calls is missing; a library
  // without its calls is unloaded at once.
  bool Load(const std::string& name);
  void Unload();
  bool Loaded() const { return handle_ != nullptr; }

  TDisplayCreateProc Create = nullptr;
  TDisplayStepProc Step = nullptr;
  TDisplayDestroyProc Destroy = nullptr;

 private:
  void* handle_ = nullptr;
};

struct TPreviewOptions {
  // What the loader is given; tests name a stub by its path.
  std::string Library = DisplayLibraryName;
  // The program directory in the OS's bytes, ending in "/"; empty: platform::ProgramDir().
  std::string ProgramDir;
  // The clock of `Timer1`.
  platform::TClock* Clock = &platform::SteadyClock();
};

// The preview window's part without the window: show, tick and close.
class TPreviewPlayer {
 public:
  explicit TPreviewPlayer(TDialogs& dialogs, TPreviewOptions options = {});
  ~TPreviewPlayer();
  TPreviewPlayer(const TPreviewPlayer&) = delete;
  TPreviewPlayer& operator=(const TPreviewPlayer&) = delete;

  // Show: the surface is made black at the request's size, the library loaded and its calls
  // looked up. Missing: the box "错误信息" says the software is incomplete, and nothing more
  // happens (the window stays empty). Else Display_Create gets the font path, the colour mode,
  // the size, the surface, the player's own copy of the program and the block, and the program's
  // length; `Timer1` starts at the clamped step time.
  void Start(const TPreviewRequest& request);
  // A tick of `Timer1`: one Display_Step, then OnPainted.
  void Step();
  // Close: when `Timer1` is running it stops, Display_Destroy is called and the library
  // unloaded; otherwise nothing is called.
  void Stop();
  bool Running() const { return timer_.Enabled(); }

  // What the window shows: 32-bit 0x00RRGGBB pixels, rows of Surface().Stride bytes.
  const TDisplaySurface& Surface() const { return surface_; }
  // What the simulator was given, kept until the next show.
  const TPreviewRequest& Request() const { return request_; }
  std::string FontPath() const;
  platform::TTimer& Timer1() { return timer_; }

  // After every step; the window repaints.
  std::function<void()> OnPainted;

 private:
  TDialogs& dialogs_;
  TPreviewOptions options_;
  TDisplayLibrary library_;
  TPreviewRequest request_;
  std::vector<uint32_t> pixels_;
  TDisplaySurface surface_{};
  platform::TTimer timer_;
};

}  // namespace editor

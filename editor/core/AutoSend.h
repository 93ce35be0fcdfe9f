#pragma once
// Automatic sending: a list of up to 19 display-content files ("*.fmt") that, while started,
// are sent one after another at a fixed interval. Every interval the next enabled file is
// loaded into a project root of its own (made here, separate from the editor's, with no status
// handler: its outcomes are not shown) and sent to all its screens.
//
// The list and the interval live in "AutoSend.Lst" (5433 bytes) in the program directory. The
// application object owns the one TAutoSend from start-up to exit, so sending goes on whether
// its dialog (TAutoSendForm) is open or not; the dialog is a view of it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "editor/core/Dialogs.h"
#include "platform/base/Clock.h"
#include "platform/base/Timer.h"

namespace model {
class TConstructer;
}

namespace editor {

// ---- "AutoSend.Lst" ------------------------------------------------------------------------

inline constexpr size_t AutoSendListSize = 5433;
inline constexpr int AutoSendEntries = 19;
inline constexpr size_t AutoSendPathField = 261;
// The longest path a field holds (GBK bytes), its zero after it.
inline constexpr size_t AutoSendPathMax = AutoSendPathField - 1;
// The interval in ticks of 1 s, as the time dialog's spin takes it.
inline constexpr uint32_t AutoSendMinInterval = 10;
inline constexpr uint32_t AutoSendMaxInterval = 65535;

struct TAutoSendEntry {
  bool Enabled = false;
  std::string Path;  // GBK
  bool operator==(const TAutoSendEntry&) const = default;
};

struct TAutoSendList {
  uint32_t Interval = AutoSendMinInterval;
  uint32_t NextIndex = 0;
  bool Running = false;  // informational: whether sending ran when the list was saved
  std::array<TAutoSendEntry, AutoSendEntries> Entries;
  bool operator==(const TAutoSendList&) const = default;
};

// The list block's first 5433 bytes; nothing for fewer (a short file would mix two lists). The
// interval is clamped to 10..65535 and the next index read as it stands; a path field is read
// within its 261 bytes, and one without a zero is an empty entry.
std::optional<TAutoSendList> DecodeAutoSendList(std::span<const uint8_t> bytes);
// The whole block. Paths longer than 260 bytes have no place in it and give an empty entry.
std::array<uint8_t, AutoSendListSize> EncodeAutoSendList(const TAutoSendList& list);

// ---- The sender ----------------------------------------------------------------------------

// Screen statuses of a send in progress (parameters being read, waiting, building, sending):
// the next file is not loaded into the root while one of its screens is in one of them.
bool IsSendingStatus(int32_t status);

// What the dialog's view does for the sender.
class TAutoSendView {
 public:
  virtual ~TAutoSendView() = default;
  // The grid, the start button's caption or the running state changed.
  virtual void Changed() = 0;
  // The interval dialog (TAutoSendTimeForm), modally, with its spin at `value`; gives the spin's
  // value when it closes, whichever button closed it.
  virtual int RunIntervalDialog(int value) = 0;
};

struct TAutoSendOptions {
  // "AutoSend.Lst" as an OS path; empty: the program directory's.
  std::string ListPath;
  // Timer1's clock.
  platform::TClock* Clock = &platform::SteadyClock();
  // Sends a loaded root to all its screens; empty: its card operation SendScreens("").
  std::function<void(model::TConstructer&)> Send;
};

class TAutoSend {
 public:
  static constexpr uint32_t Timer1Interval = 1000;  // ms: one tick of the interval
  static constexpr int Cols = 2, Rows = AutoSendEntries + 1;

  TAutoSend(TDialogs& dialogs, TAutoSendOptions options = {});
  ~TAutoSend();
  TAutoSend(const TAutoSend&) = delete;
  TAutoSend& operator=(const TAutoSend&) = delete;

  // Null while the dialog does not exist.
  void SetView(TAutoSendView* view) { view_ = view; }

  // The dialog's show: headings, and the list read.
  void Show();
  // "AutoSend.Lst" into the block and the grid (next index 0, the time dialog's spin := the
  // interval). False, changing nothing, when it is missing, not a regular file or too short.
  bool ReadList();
  // "保 存": the grid's rows whose files exist, packed from entry 0, with the running state and
  // the time dialog's value, written whole. False (after a message box) when it cannot be
  // written; the old file then stays.
  bool Save();
  // "设定间隔时间": the time dialog; the interval := its value.
  void SetInterval();
  // "启 动" / "停 止".
  void StartStop();
  // Timer1: one second.
  void Tick();

  // A mouse-down in column 0 toggles the row's mark; other cells do nothing.
  void MouseDown(int col, int row);
  // The picker button: an open dialog for the row's file.
  void PickFile(int row);
  // The row's file. A path longer than 260 bytes is refused with a message box: false.
  bool SetFile(int row, std::string gbkPath);

  // The grid: row 0 the headings, rows 1..19 the entries ("   √" or "", the path).
  const std::string& Cell(int col, int row) const;
  static const std::string& Mark();  // "   √"
  // The start button's caption: "启 动" stopped, "停 止" running.
  std::string StartCaption() const;
  bool Running() const;

  const TAutoSendList& List() const { return list_; }
  uint32_t Interval() const { return list_.Interval; }
  uint32_t NextIndex() const { return list_.NextIndex; }
  // The time dialog's spin.
  int TimeValue() const { return timeValue_; }
  void SetTimeValue(int value);  // kept within 10..65535
  // Seconds since the last round (Timer1's Tag).
  uint32_t Tag() const { return tag_; }

  model::TConstructer& Root() { return *root_; }
  platform::TTimer& Timer1() { return timer1_; }
  const std::string& ListPath() const { return listPath_; }

 private:
  bool RootBusy() const;
  void SendNext();
  void Changed();

  TDialogs& dialogs_;
  TAutoSendView* view_ = nullptr;
  std::string listPath_;
  std::function<void(model::TConstructer&)> send_;
  std::unique_ptr<model::TConstructer> root_;
  TAutoSendList list_;
  std::array<std::array<std::string, Rows>, Cols> cells_;
  int timeValue_ = int(AutoSendMinInterval);
  uint32_t tag_ = 0;
  platform::TTimer timer1_;
};

}  // namespace editor

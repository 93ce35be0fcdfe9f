#include "AutoSend.h"

#include <algorithm>
#include <cstring>

#include "editor/core/BlockFiles.h"
#include "model/FormConstructEx.h"
#include "model/ScreenStatus.h"
#include "platform/base/AppPaths.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr size_t IntervalAt = 0;
constexpr size_t NextIndexAt = 4;
constexpr size_t RunningAt = 12;
constexpr size_t EntriesAt = 21;
constexpr size_t EntrySize = 271;
constexpr size_t EnabledAt = 0;  // within an entry
constexpr size_t PathAt = 2;

uint32_t ClampInterval(int64_t value) {
  return uint32_t(std::clamp<int64_t>(value, AutoSendMinInterval, AutoSendMaxInterval));
}

}  // namespace

std::optional<TAutoSendList> DecodeAutoSendList(std::span<const uint8_t> bytes) {
  if (bytes.size() < AutoSendListSize) return std::nullopt;
  TAutoSendList list;
  list.Interval = ClampInterval(platform::LoadU32(bytes.data() + IntervalAt));
  list.NextIndex = platform::LoadU32(bytes.data() + NextIndexAt);
  list.Running = bytes[RunningAt] != 0;
  for (size_t i = 0; i < size_t(AutoSendEntries); ++i) {
    const uint8_t* entry = bytes.data() + EntriesAt + EntrySize * i;
    const char* field = reinterpret_cast<const char*>(entry + PathAt);
    const void* end = std::memchr(field, 0, AutoSendPathField);
    // A field without its zero holds no path we could trust to be whole.
    if (!end) continue;
    list.Entries[i].Path.assign(field, static_cast<const char*>(end));
    list.Entries[i].Enabled = entry[EnabledAt] != 0;
  }
  return list;
}

std::array<uint8_t, AutoSendListSize> EncodeAutoSendList(const TAutoSendList& list) {
  std::array<uint8_t, AutoSendListSize> block{};
  platform::StoreU32(block.data() + IntervalAt, list.Interval);
  platform::StoreU32(block.data() + NextIndexAt, list.NextIndex);
  block[RunningAt] = list.Running ? 1 : 0;
  for (size_t i = 0; i < size_t(AutoSendEntries); ++i) {
    const TAutoSendEntry& e = list.Entries[i];
    if (e.Path.size() > AutoSendPathMax) continue;
    uint8_t* entry = block.data() + EntriesAt + EntrySize * i;
    entry[EnabledAt] = e.Enabled ? 1 : 0;
    std::memcpy(entry + PathAt, e.Path.data(), e.Path.size());
  }
  return block;
}

bool IsSendingStatus(int32_t status) {
  switch (status) {
    case model::ssSending:
    case model::ssReadingForSend:
    case model::ssReadingForDownload:
    case model::ssBuilding:
    case model::ssWaitingToSend:
    case model::ssWaitingToDownload:
      return true;
    default:
      return false;
  }
}

const std::string& TAutoSend::Mark() {
  static const std::string mark = platform::Utf8ToGbk("   √");
  return mark;
}

TAutoSend::TAutoSend(TDialogs& dialogs, TAutoSendOptions options)
    : dialogs_(dialogs),
      listPath_(options.ListPath.empty() ? platform::ProgramFile("AutoSend.Lst") : std::move(options.ListPath)),
      send_(options.Send ? std::move(options.Send) : [](model::TConstructer& root) { root.SendScreens(""); }),
      root_(std::make_unique<model::TConstructer>(nullptr)),
      timer1_(options.Clock ? *options.Clock : platform::SteadyClock()) {
  cells_[0][0] = platform::Utf8ToGbk("是否发送");
  cells_[1][0] = platform::Utf8ToGbk("文件名");
  // Off until started.
  timer1_.SetEnabled(false);
  timer1_.SetInterval(Timer1Interval);
  timer1_.SetOnTimer([this] { Tick(); });
}

TAutoSend::~TAutoSend() {
  timer1_.SetEnabled(false);
  root_.reset();
}

void TAutoSend::Changed() {
  if (view_) view_->Changed();
}

void TAutoSend::Show() {
  ReadList();
  Changed();
}

bool TAutoSend::ReadList() {
  std::string content;
  if (!platform::ReadWholeFile(listPath_, content)) return false;
  auto list = DecodeAutoSendList({reinterpret_cast<const uint8_t*>(content.data()), content.size()});
  if (!list) return false;
  list_ = std::move(*list);
  list_.NextIndex = 0;
  for (int r = 1; r < Rows; ++r) {
    const TAutoSendEntry& e = list_.Entries[size_t(r - 1)];
    cells_[0][size_t(r)] = e.Enabled ? Mark() : std::string();
    cells_[1][size_t(r)] = e.Path;
  }
  timeValue_ = int(list_.Interval);
  Changed();
  return true;
}

bool TAutoSend::Save() {
  TAutoSendList list;
  size_t next = 0;
  for (int r = 1; r < Rows; ++r) {
    const std::string& path = cells_[1][size_t(r)];
    // A listed file that is gone leaves the list; the later ones move up.
    if (path.empty() || path.size() > AutoSendPathMax || !platform::RegularFileExists(platform::OsPathFromGbk(path)))
      continue;
    list.Entries[next++] = {cells_[0][size_t(r)] == Mark(), path};
  }
  list.Running = Running();
  list.Interval = ClampInterval(timeValue_);
  list_ = list;
  const auto block = EncodeAutoSendList(list_);
  return SaveBlockFileAt(dialogs_, listPath_, block);
}

void TAutoSend::SetInterval() {
  if (!view_) return;
  SetTimeValue(view_->RunIntervalDialog(timeValue_));
  list_.Interval = ClampInterval(timeValue_);
}

void TAutoSend::SetTimeValue(int value) { timeValue_ = int(ClampInterval(value)); }

void TAutoSend::StartStop() {
  if (timer1_.Enabled()) {
    timer1_.SetEnabled(false);
  } else {
    // The first round comes with the first tick.
    tag_ = list_.Interval;
    timer1_.SetEnabled(true);
  }
  Changed();
}

bool TAutoSend::Running() const { return timer1_.Enabled(); }

std::string TAutoSend::StartCaption() const { return platform::Utf8ToGbk(Running() ? "停 止" : "启 动"); }

bool TAutoSend::RootBusy() const {
  for (const model::TLEDScreen* screen : root_->Screens())
    if (IsSendingStatus(screen->Status())) return true;
  return false;
}

void TAutoSend::Tick() {
  if (tag_ <= list_.Interval) ++tag_;
  if (tag_ <= list_.Interval) return;
  // Loading the next file frees the screens of the previous one: wait while any of them still
  // sends. The count stays past the interval, so the first tick after the send goes on.
  if (RootBusy()) return;
  tag_ = 0;
  SendNext();
}

void TAutoSend::SendNext() {
  for (int tried = 0; tried < AutoSendEntries; ++tried) {
    const uint32_t index = list_.NextIndex % AutoSendEntries;
    list_.NextIndex = (index + 1) % AutoSendEntries;
    const TAutoSendEntry& entry = list_.Entries[index];
    if (!entry.Enabled || entry.Path.empty()) continue;
    if (!root_->LoadFromFile(entry.Path)) continue;
    send_(*root_);
    return;
  }
}

void TAutoSend::MouseDown(int col, int row) {
  if (col != 0 || row < 1 || row >= Rows) return;
  std::string& mark = cells_[0][size_t(row)];
  mark = mark == Mark() ? std::string() : Mark();
  Changed();
}

void TAutoSend::PickFile(int row) {
  if (row < 1 || row >= Rows) return;
  auto file = dialogs_.OpenFileName({{}, platform::Utf8ToGbk("显示描述文件|*.Fmt"), "*.Fmt"});
  if (file) SetFile(row, std::move(*file));
}

bool TAutoSend::SetFile(int row, std::string gbkPath) {
  if (row < 1 || row >= Rows) return false;
  if (gbkPath.size() > AutoSendPathMax) {
    dialogs_.MessageBox(platform::Utf8ToGbk("文件路径太长（最多260个字节），请选择其他位置的文件"), MessageCaption(),
                        TMessageIcon::Warning, TMessageButtons::Ok);
    return false;
  }
  cells_[1][size_t(row)] = std::move(gbkPath);
  Changed();
  return true;
}

const std::string& TAutoSend::Cell(int col, int row) const {
  static const std::string none;
  if (col < 0 || col >= Cols || row < 0 || row >= Rows) return none;
  return cells_[size_t(col)][size_t(row)];
}

}  // namespace editor

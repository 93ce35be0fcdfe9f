#include "StationModel.h"

#include <cstring>

#include "clients/quayside/NotifyTexts.h"
#include "clients/quayside/StationFiles.h"

namespace quayside {

TStationModel::TStationModel(std::string folder, const TSecondsClock& clock, TStatusSink status)
    : folder_(std::move(folder)),
      clock_(clock),
      status_(std::move(status)),
      daily_(clock.NowSeconds()) {}

TStationModel::~TStationModel() {
  if (device_ >= 0) LED_Close(device_);
  if (window_ != 0) LED_DestroyWindow(window_);
}

std::string TStationModel::CardFile() const { return folder_ + "/" + CardFileName; }
std::string TStationModel::ItemFile() const { return folder_ + "/" + ItemFileName; }

void TStationModel::Start() {
  daily_ = TDailySendRule(clock_.NowSeconds());
  if (window_ == 0) window_ = LED_CreateWindow(&TStationModel::WindowProc, this);
  TDeviceRecord record;
  std::memset(&record, 0, sizeof record);
  record.LinkKind = LED_LINK_UDP;
  record.LocalPort = LocalPort;
  device_ = LED_Open(&record, 1, window_, NotifyMessage);
  if (device_ == -1) Status("无法打开串口");

  cards_ = LoadCards(CardFile());
  items_ = LoadItems(ItemFile());
  selected_ = -1;
  if (!items_.empty()) Select(0);
}

intptr_t TStationModel::WindowProc(void* self, TLEDWindow, uint32_t message, uintptr_t wParam,
                                   intptr_t) {
  if (message != NotifyMessage || wParam == 0) return 0;
  // The library's record is reused by the next notification: copy it whole at once.
  TNotifyRecord record;
  std::memcpy(&record, reinterpret_cast<const void*>(wParam), sizeof record);
  static_cast<TStationModel*>(self)->Notify(record);
  return 0;
}

void TStationModel::Notify(const TNotifyRecord& record) {
  const std::string text = NotifyText(record);
  if (!text.empty()) Status(text);
}

void TStationModel::Status(std::string_view utf8) {
  if (status_) status_(FitStatusText(utf8));
}

std::vector<std::string> TStationModel::CardNames() const {
  std::vector<std::string> names;
  names.reserve(cards_.size());
  for (const TStationCard& card : cards_) names.push_back(card.Name);
  return names;
}

void TStationModel::Select(int index) {
  if (index < 0 || size_t(index) >= items_.size()) return;
  current_ = items_[size_t(index)];
  selected_ = index;
}

void TStationModel::Add(const TDisplayItem& form) {
  current_ = form;
  items_.push_back(current_);
  Select(int(items_.size()) - 1);
}

bool TStationModel::Modify(const TDisplayItem& form) {
  if (selected_ < 0) return false;
  current_ = form;
  items_[size_t(selected_)] = current_;
  SaveItemFile();
  return true;
}

bool TStationModel::Delete(TMessageBoxes& boxes) {
  if (selected_ < 0) return false;
  if (boxes.AskYesNoCancel("确定要删除该条记录吗!") != anYes) return false;
  const int removed = selected_;
  items_.erase(items_.begin() + removed);
  selected_ = -1;
  if (removed > 0)
    Select(removed - 1);
  else if (!items_.empty())
    Select(0);
  SaveItemFile();
  return true;
}

bool TStationModel::SendNow(const TDisplayItem& form) {
  if (selected_ < 0) return false;
  current_ = form;
  Send(current_);
  return true;
}

bool TStationModel::ReplaceCards(std::vector<TStationCard> cards) {
  cards_ = std::move(cards);
  std::string error;
  if (!SaveCards(CardFile(), cards_, &error)) {
    Status("保存显示卡配置失败: " + error);
    return false;
  }
  return true;
}

void TStationModel::Tick() {
  for (size_t index : daily_.Tick(clock_.NowSeconds(), items_))
    Send(items_[index], "定时发送第" + std::to_string(index + 1) + "条: ");
}

TSendResult TStationModel::Send(const TDisplayItem& item, const std::string& prefix) {
  const TSendResult result = SendItem(device_, item, cards_);
  // Nothing went out: without a word here the user would take the silence for a send.
  if (result != srSent) Status(prefix + RefusalText(result, item, cards_));
  return result;
}

bool TStationModel::SaveItemFile() {
  std::string error;
  if (!SaveItems(ItemFile(), items_, &error)) {
    Status("保存数据文件失败: " + error);
    return false;
  }
  return true;
}

}  // namespace quayside

#pragma once
// The station client's main view without its window: the card and item lists with their
// files, the selected and current item, the link to the cards through the sending library,
// immediate and daily sends, and what the status bar says. The Qt view reads its form into a
// TDisplayItem and hands it here; everything the buttons do happens here.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/quayside/DailySend.h"
#include "clients/quayside/ItemSender.h"
#include "clients/quayside/Questions.h"
#include "clients/quayside/StationData.h"
#include "panelcast.h"

namespace quayside {

class TStationModel {
 public:
  // Every text for the status bar's first pane, UTF-8, at most MaxStatusBytes of GBK.
  using TStatusSink = std::function<void(const std::string&)>;

  static constexpr uint32_t NotifyMessage = 0x401;
  static constexpr int32_t LocalPort = 9999;

  // `folder` holds the two files; `clock` drives the daily sends and must outlive the model.
  TStationModel(std::string folder, const TSecondsClock& clock, TStatusSink status);
  // Closes the link and the notification window.
  ~TStationModel();
  TStationModel(const TStationModel&) = delete;
  TStationModel& operator=(const TStationModel&) = delete;

  // Start-up, on the thread that will dispatch the library's notifications: makes the
  // notification window, opens the UDP link on local port 9999 ("无法打开串口" when it cannot),
  // loads the cards, then the items, and selects the first item when there is one.
  void Start();

  int32_t Device() const { return device_; }
  const std::vector<TStationCard>& Cards() const { return cards_; }
  const std::vector<TDisplayItem>& Items() const { return items_; }
  // The item the form shows.
  const TDisplayItem& Current() const { return current_; }
  // The selected item's index, -1 for none.
  int Selected() const { return selected_; }
  // The card names in card order (GBK).
  std::vector<std::string> CardNames() const;
  std::string CardFile() const;
  std::string ItemFile() const;

  // The item at `index` becomes current and selected; other indices are ignored.
  void Select(int index);
  // "添加": the form becomes the current item and a copy of it the new, selected last item.
  // Nothing is saved.
  void Add(const TDisplayItem& form);
  // "修改"/"保存": with an item selected, the form replaces it and the items are saved.
  bool Modify(const TDisplayItem& form);
  // "删除": with an item selected and the question answered yes, removes it; the previous item
  // (or the first, or none) is selected, and the items are saved.
  bool Delete(TMessageBoxes& boxes);
  // "立即发送": with an item selected, the form becomes the current item and is sent; a send
  // refused says why in the status bar.
  bool SendNow(const TDisplayItem& form);
  // The card dialog's result: the cards replace the list and are saved.
  bool ReplaceCards(std::vector<TStationCard> cards);
  // The 1000 ms timer: sends the items due; a refused one says why, after "定时发送第N条: ".
  void Tick();

  // A notification from the library: its text, if any, goes to the status bar.
  void Notify(const TNotifyRecord& record);
  void Status(std::string_view utf8);
  void SetStatusSink(TStatusSink status) { status_ = std::move(status); }

 private:
  static intptr_t WindowProc(void* self, TLEDWindow window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam);
  // A refusal goes to the status bar, after `prefix`.
  TSendResult Send(const TDisplayItem& item, const std::string& prefix = {});
  bool SaveItemFile();

  std::string folder_;
  const TSecondsClock& clock_;
  TStatusSink status_;
  TDailySendRule daily_;
  TLEDWindow window_ = 0;
  int32_t device_ = -1;
  std::vector<TStationCard> cards_;
  std::vector<TDisplayItem> items_;
  TDisplayItem current_;
  int selected_ = -1;
};

}  // namespace quayside

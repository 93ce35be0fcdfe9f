#pragma once
// `NoticePopup`: the notices about cards that cannot be reached, in the skin's popup notifier.
// It is made once and reused; a new notice replaces the text of the one shown and stands its
// full time again.
#include "editor/core/Commands.h"
#include "skin/SkinForm.h"

namespace editor::ui {

class TNoticePopup : public skin::TskPopupForm, public TNotifier {
 public:
  static constexpr int NoticeStayTime = 20000;

  explicit TNoticePopup(QObject* owner = nullptr);

  // GBK texts; the message's lines end in single CRs.
  void Notify(const std::string& title, const std::string& message) override;
};

}  // namespace editor::ui

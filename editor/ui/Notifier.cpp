#include "Notifier.h"

#include "editor/ui/QtText.h"

namespace editor::ui {

TNoticePopup::TNoticePopup(QObject* owner) : skin::TskPopupForm(owner) {
  setObjectName("NoticePopup");
  StayTime = NoticeStayTime;
  ClickHide = true;
  Title = QString::fromUtf8("提示信息");
}

void TNoticePopup::Notify(const std::string& title, const std::string& message) {
  Title = QStringFromGbk(title);
  MessageText = QStringFromGbk(message);
  Popup();
}

}  // namespace editor::ui

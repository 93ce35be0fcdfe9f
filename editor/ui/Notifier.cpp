#include "Notifier.h"

#include <QLabel>
#include <QVBoxLayout>

#include "editor/ui/QtText.h"
#include "platform/base/GbkText.h"

namespace editor::ui {

TNoticeWindow::TNoticeWindow(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("NoticePopup");
  setWindowTitle(QStringFromGbk(MessageCaption()));
  auto* column = new QVBoxLayout(this);
  title_ = new QLabel(this);
  title_->setObjectName("NoticeTitle");
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  message_ = new QLabel(this);
  message_->setObjectName("NoticeMessage");
  message_->setTextFormat(Qt::PlainText);
  column->addWidget(title_);
  column->addWidget(message_);
}

void TNoticeWindow::Notify(const std::string& title, const std::string& message) {
  title_->setText(QStringFromGbk(title));
  // A lone CR ends a line here as it did where the texts come from.
  message_->setText(QStringFromGbk(message).replace('\r', '\n'));
  adjustSize();
  show();
  raise();
}

}  // namespace editor::ui

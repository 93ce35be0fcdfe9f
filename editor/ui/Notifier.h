#pragma once
// The notices about cards that cannot be reached: a plain window with a title and a message,
// not modal, made once and reused; a new notice replaces the text of the one shown.
#include <QWidget>

#include "editor/core/Commands.h"

class QLabel;

namespace editor::ui {

class TNoticeWindow : public QWidget, public TNotifier {
 public:
  explicit TNoticeWindow(QWidget* parent = nullptr);

  // GBK texts; the message's lines end in single CRs.
  void Notify(const std::string& title, const std::string& message) override;

  QLabel* Title() const { return title_; }
  QLabel* Message() const { return message_; }

 private:
  QLabel* title_;
  QLabel* message_;
};

}  // namespace editor::ui

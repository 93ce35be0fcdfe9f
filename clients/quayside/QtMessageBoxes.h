#pragma once
// The message boxes as the program shows them: modal, over the main window.
#include <QPointer>
#include <QWidget>

#include "clients/quayside/Questions.h"

namespace quayside {

class TQtMessageBoxes final : public TMessageBoxes {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  TAnswer AskYesNoCancel(const std::string& text) override;
  void Show(const std::string& text, TBoxIcon icon) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace quayside

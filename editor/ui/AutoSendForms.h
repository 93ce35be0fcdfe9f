#pragma once
// The automatic-send dialog `AutoSendForm` ("自动发送设置") and its interval dialog
// `AutoSendTimeForm` ("自动发送时间间隔"). The dialog is a view of the application's TAutoSend
// (editor/core/AutoSend.h): closing it leaves sending running.
#include <QDialog>

#include "editor/core/AutoSend.h"

class QAction;
class QSpinBox;
class QToolButton;

namespace editor::ui {

class TGridTable;

class TAutoSendTimeForm : public QDialog {
 public:
  static constexpr int DefaultValue = 10;
  explicit TAutoSendTimeForm(QWidget* parent = nullptr);
  QSpinBox* Spin() const { return spin_; }

 private:
  QSpinBox* spin_;
};

class TAutoSendForm : public QDialog, public TAutoSendView {
 public:
  explicit TAutoSendForm(TAutoSend& sender, QWidget* parent = nullptr);
  ~TAutoSendForm() override;

  // The interval dialog, made after this one at start-up.
  void SetTimeForm(TAutoSendTimeForm* form) { timeForm_ = form; }

  TAutoSend& Sender() { return sender_; }
  TGridTable* Grid() const { return grid_; }
  QToolButton* FilePicker() const { return picker_; }
  QAction* StartAction() const { return start_; }
  // The grid row (1..19) the picker belongs to.
  int CurrentRow() const;

  // TAutoSendView
  void Changed() override;
  int RunIntervalDialog(int value) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlacePicker();

  TAutoSend& sender_;
  TAutoSendTimeForm* timeForm_ = nullptr;
  TGridTable* grid_;
  QToolButton* picker_;
  QAction* start_;
};

}  // namespace editor::ui

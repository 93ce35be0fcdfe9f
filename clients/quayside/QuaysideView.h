#pragma once
// The station client's main view: the item list and the form of the current item, thin over
// TStationModel, which does what the buttons ask. It starts the model (link, files, first item),
// dispatches the library's notifications from the Qt event loop, and ticks the daily sends
// every 1000 ms.
#include <QWidget>

#include <memory>
#include <string>

#include "clients/quayside/DailySend.h"
#include "clients/quayside/QuaysideDialogs.h"
#include "clients/quayside/Questions.h"
#include "clients/quayside/StationModel.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSocketNotifier;
class QTableWidget;
class QTimer;

namespace quayside {

class TQuaysideView final : public QWidget {
  Q_OBJECT

 public:
  // The effects and speeds of the drop-down lists, in index order.
  static const QStringList& EffectNames();
  static const QStringList& SpeedNames();

  TQuaysideView(const std::string& folder, const TSecondsClock& clock, TMessageBoxes& boxes,
                TQuaysideDialogs& dialogs, TStationModel::TStatusSink status,
                QWidget* parent = nullptr);
  ~TQuaysideView() override;

  TStationModel& Model() { return *model_; }

  // The form read into a copy of the current item (its display time untouched), and shown.
  TDisplayItem ReadForm() const;
  void ShowItem(const TDisplayItem& item);
  // What closing the main window does first: "修改".
  void SaveOnClose();

  QTableWidget* ItemList() const { return list_; }
  QPlainTextEdit* TextEdit() const { return text_; }
  QComboBox* CardBox() const { return card_; }
  QComboBox* EffectBox() const { return effect_; }
  QComboBox* SpeedBox() const { return speed_; }
  QComboBox* FontBox() const { return font_; }
  QComboBox* SizeBox() const { return size_; }
  QLineEdit* XEdit() const { return x_; }
  QLineEdit* YEdit() const { return y_; }
  QCheckBox* AutoSendBox() const { return autoSend_; }
  QDateTimeEdit* TimeEdit() const { return time_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* ModifyButton() const { return modify_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* SendButton() const { return send_; }
  QPushButton* ConfigureButton() const { return configure_; }
  QTimer* SendTimer() const { return timer_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildForm();
  void FillCardNames();
  void RefreshList();
  void SelectRow(int row);
  void ListSelectionChanged();
  void SetColumnWidths();

  void Add();
  void Modify();
  void Delete();
  void SendNow();
  void Configure();

  TMessageBoxes& boxes_;
  TQuaysideDialogs& dialogs_;
  std::unique_ptr<TStationModel> model_;
  bool selecting_ = false;

  QTableWidget* list_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QComboBox* card_ = nullptr;
  QComboBox* effect_ = nullptr;
  QComboBox* speed_ = nullptr;
  QComboBox* font_ = nullptr;
  QComboBox* size_ = nullptr;
  QLineEdit* x_ = nullptr;
  QLineEdit* y_ = nullptr;
  QCheckBox* autoSend_ = nullptr;
  QDateTimeEdit* time_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* modify_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* send_ = nullptr;
  QPushButton* configure_ = nullptr;
  QTimer* timer_ = nullptr;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quayside

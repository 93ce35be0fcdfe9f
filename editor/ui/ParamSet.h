#pragma once
// The card-settings dialog "控制卡设置" (TParamSetForm), its progress window "命令执行情况"
// (TStatusForm) and the brightness dialog "显示屏亮度调整" (TBrightSetForm). They are thin views
// over TParamSetController: every rule lives there.
#include "editor/ui/Skinning.h"
#include "skin/SkinButton.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinPageControl.h"
#include <QDialog>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "editor/core/Dialogs.h"
#include "editor/core/ParamSetController.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace editor::ui {

// A status-bar panel that draws its text centred in its own colour on the bar's face.
class TColourPanel : public QWidget {
 public:
  explicit TColourPanel(const char* name, QWidget* parent = nullptr);
  void SetText(const QString& text, uint32_t colour);
  const QString& Text() const { return text_; }
  uint32_t Colour() const { return colour_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  uint32_t colour_ = 0;
};

// The progress window. Closing it is asked of `CloseQuery` (refused while a wait runs).
class TStatusForm : public QDialog {
 public:
  explicit TStatusForm(QWidget* parent = nullptr);
  std::function<bool()> CloseQuery;

  void SetCommand(const QString& command);
  // clParamPanelFace draws the message in the panel's own face: it disappears.
  void SetMessage(const QString& message, uint32_t colour);
  QLabel* CommandPanel() const { return command_; }
  QLabel* MessagePanel() const { return message_; }

  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* command_;
  QLabel* message_;
};

// The brightness dialog: a spin of 0..7 and three buttons.
class TBrightSetForm : public QDialog {
 public:
  explicit TBrightSetForm(QWidget* parent = nullptr);
  std::function<void(int value)> OnAdjust;  // "调  节"
  std::function<void()> OnRead;             // "读  取"
  void SetValue(int value);
  int Value() const;
  TSpinEdit* Spin() const { return spin_; }

 private:
  TSpinEdit* spin_;
};

class TParamSetForm : public QDialog, public TParamSetView {
 public:
  // `dialogs` answers the questions, boxes and file dialogs; `manager` is the program's link
  // manager and `settings` its "Param.ini".
  TParamSetForm(TDialogs& dialogs, cardlink::TLEDManager& manager, const platform::TSettingsFile& settings,
                TParamSetOptions options = {}, QWidget* parent = nullptr);
  ~TParamSetForm() override;

  TParamSetController& Controller() { return *controller_; }
  TStatusForm& StatusForm() { return *status_; }
  TBrightSetForm& BrightSetForm() { return *bright_; }
  // Runs a dialog modally; tests replace it so no modal loop ever runs.
  std::function<void(QDialog&)> RunModal;

  // TParamSetView.
  void StateChanged(const TParamSetState& state) override;
  TCardLinkSettings LinkSettings() const override;
  void SetLinkSettings(const TCardLinkSettings& link) override;
  TParamControls Controls() const override;
  void SetControls(const TParamControls& controls) override;
  void RunBrightnessDialog() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildLinkArea(QWidget* area);
  QWidget* BuildBasicPage();
  QWidget* BuildNetworkPage();
  QWidget* BuildScanPage();
  QWidget* BuildCascadePage();
  QWidget* BuildButtons();
  void EnableActivePage();
  void ApplyReportEnabling();
  void ApplyCascadeEnabling();
  void ScanModeClicked(int item);
  void ScanModeNumberChanged(int number);

  std::unique_ptr<TStatusForm> status_;
  std::unique_ptr<TBrightSetForm> bright_;

  // Link settings.
  QComboBox* commType_ = nullptr;
  TSpinEdit* cardAddress_ = nullptr;
  TSpinEdit* locPort_ = nullptr;
  QLineEdit* cardIp_ = nullptr;

  skin::TskPageControl* pages_ = nullptr;
  // "基本参数"
  TSpinEdit* width_ = nullptr;
  TSpinEdit* height_ = nullptr;
  QComboBox* type_ = nullptr;
  TSpinEdit* freq_ = nullptr;
  QLineEdit* ip_ = nullptr;
  std::array<QLineEdit*, 6> mac_{};
  TSpinEdit* brightness_ = nullptr;
  QComboBox* uartSpeed_ = nullptr;
  TSpinEdit* address_ = nullptr;
  skin::TskCheckBox* displaySendFlag_ = nullptr;
  // "网络通讯参数"
  QLineEdit* remoteHost_ = nullptr;
  skin::TskCheckBox* report_ = nullptr;
  TSpinEdit* remotePort_ = nullptr;
  QLineEdit* gateIp_ = nullptr;
  QLineEdit* ipMask_ = nullptr;
  QLineEdit* cardName_ = nullptr;
  std::vector<QWidget*> reportControls_;  // enabled with the report flag, labels included
  std::vector<QLabel*> reportLabels_;
  // "扫描输出参数"
  QButtonGroup* scanMode_ = nullptr;
  TSpinEdit* scanModeIndex_ = nullptr;
  QComboBox* lineOrder_ = nullptr;
  QComboBox* oeTime_ = nullptr;
  QComboBox* shiftFrequency_ = nullptr;
  QComboBox* refreshFreq_ = nullptr;
  skin::TskCheckBox* polarity_ = nullptr;
  skin::TskCheckBox* rgReverse_ = nullptr;
  skin::TskCheckBox* scan_ = nullptr;
  skin::TskCheckBox* rowProp_ = nullptr;
  skin::TskCheckBox* en_ = nullptr;
  // "级连参数"
  QButtonGroup* linkProp_ = nullptr;
  QButtonGroup* linkMethod_ = nullptr;
  skin::TskGroupBox* linkMethodBox_ = nullptr;
  TSpinEdit* left_ = nullptr;
  TSpinEdit* top_ = nullptr;

  std::vector<QPushButton*> functionButtons_;
  TColourPanel* operationPanel_ = nullptr;
  TColourPanel* outcomePanel_ = nullptr;

  bool syncingScanMode_ = false;
  // Last, so it is made once every control exists and goes before them.
  std::unique_ptr<TParamSetController> controller_;
};

}  // namespace editor::ui

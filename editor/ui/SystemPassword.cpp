#include "SystemPassword.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/ui/FormLayout.h"
#include "editor/ui/QtText.h"
#include "editor/ui/Skinning.h"

namespace editor::ui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A password edit; the skin's style shows "*" for each character.
QLineEdit* PasswordEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setEchoMode(QLineEdit::Password);
  return edit;
}

void SetTextColor(QWidget* widget, uint32_t color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, QColorFromColorRef(color));
  widget->setPalette(palette);
}

}  // namespace

QValidator::State TGbkLengthValidator::validate(QString& input, int&) const {
  return GbkFromQString(input).size() <= limit_ ? Acceptable : Invalid;
}

// ---- Prompt -----------------------------------------------------------------------------------

TInputPassWordFormView::TInputPassWordFormView(TDialogs& dialogs, std::string passwordFile, QWidget* parent)
    : QDialog(parent) {
  setObjectName("InputPassWordForm");
  setWindowTitle(U("请输入系统密码"));
  auto* column = new QVBoxLayout(this);
  edit_ = PasswordEdit(this, "Edit1");
  column->addWidget(edit_);
  ok_ = NewButton(this, "Button1", "确  定");
  return_ = NewButton(this, "Button2", "返  回");
  column->addLayout(ButtonRow({ok_, return_}));
  controller_.reset(new TInputPassWordForm(*this, dialogs, std::move(passwordFile)));
  connect(ok_, &QPushButton::clicked, this, [this] { controller_->Confirm(); });
  connect(edit_, &QLineEdit::returnPressed, this, [this] { controller_->Confirm(); });
  connect(return_, &QPushButton::clicked, this, [this] { controller_->Return(); });
  connect(this, &QDialog::finished, this, [this] { controller_->Closed(); });
  Skinning(this);
}

TInputPassWordFormView::~TInputPassWordFormView() = default;

bool TInputPassWordFormView::Execute(const TModalRun& run) {
  controller_->Show();
  RunModal(*this, run);
  return controller_->Accepted();
}

std::string TInputPassWordFormView::Password() const { return GbkFromQString(edit_->text()); }
void TInputPassWordFormView::ClearPassword() { edit_->clear(); }
void TInputPassWordFormView::FocusPassword() { edit_->setFocus(); }
void TInputPassWordFormView::Close() { done(controller_->Accepted() ? Accepted : Rejected); }

// ---- Set-password dialog ----------------------------------------------------------------------

TPassFormView::TPassFormView(TDialogs& dialogs, std::string passwordFile, platform::TSettingsFile settings,
                             QWidget* parent)
    : QDialog(parent) {
  setObjectName("PassForm");
  setWindowTitle(U("口令设置"));
  auto* column = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  const char* captions[3] = {"旧口令：", "新口令：", "口令确认："};
  const char* names[3] = {"Edit1", "Edit2", "Edit3"};
  for (int i = 0; i < 3; ++i) {
    edits_[i] = PasswordEdit(this, names[i]);
    edits_[i]->setValidator(new TGbkLengthValidator(PasswordEditLimit, edits_[i]));
    labels_[i] = new QLabel(U(captions[i]), this);
    labels_[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    labels_[i]->setBuddy(edits_[i]);
    grid->addWidget(labels_[i], i, 0);
    grid->addWidget(edits_[i], i, 1);
  }
  column->addLayout(grid);
  check_ = NewCheckBox(U("  启动软件时是否要输入密码"), this);
  check_->setObjectName("CheckBox1");
  column->addWidget(check_);
  ok_ = NewButton(this, "Button1", "确  定");
  return_ = NewButton(this, "Button2", "返  回");
  column->addLayout(ButtonRow({ok_, return_}));
  controller_.reset(new TPassForm(*this, dialogs, std::move(passwordFile), std::move(settings)));
  connect(edits_[0], &QLineEdit::returnPressed, this, [this] { controller_->OldPasswordEntered(); });
  connect(ok_, &QPushButton::clicked, this, [this] { controller_->Confirm(); });
  connect(return_, &QPushButton::clicked, this, [this] { controller_->Return(); });
  connect(this, &QDialog::finished, this, [this] { controller_->Closed(); });
  Skinning(this);
  // Wide enough for the captions it shows: they tell which key confirms.
  for (const char* caption : {PassCaptionFirst, PassCaptionChange}) WidenForCaption(this, U(caption));
}

TPassFormView::~TPassFormView() = default;

bool TPassFormView::Execute(const TModalRun& run) {
  controller_->Show();
  RunModal(*this, run);
  return controller_->Stored();
}

void TPassFormView::StateChanged(const TPassFormState& s) {
  setWindowTitle(QStringFromGbk(s.Caption));
  const bool enabled[3] = {s.OldEnabled, s.NewEnabled, s.ConfirmEnabled};
  const uint32_t colors[3] = {s.OldLabelColor, s.NewLabelColor, s.ConfirmLabelColor};
  for (int i = 0; i < 3; ++i) {
    edits_[i]->setEnabled(enabled[i]);
    SetTextColor(labels_[i], colors[i]);
  }
  ok_->setEnabled(s.OkEnabled);
  check_->setEnabled(s.CheckEnabled);
  if (s.OldEnabled) edits_[0]->setFocus();
}

std::string TPassFormView::OldPassword() const { return GbkFromQString(edits_[0]->text()); }
std::string TPassFormView::NewPassword() const { return GbkFromQString(edits_[1]->text()); }
std::string TPassFormView::ConfirmPassword() const { return GbkFromQString(edits_[2]->text()); }
void TPassFormView::ClearEdits() {
  for (QLineEdit* edit : edits_) edit->clear();
}
bool TPassFormView::Checked() const { return check_->isChecked(); }
void TPassFormView::SetChecked(bool checked) { check_->setChecked(checked); }
void TPassFormView::FocusNewPassword() { edits_[1]->setFocus(); }
void TPassFormView::Close() { done(controller_->Stored() ? Accepted : Rejected); }

}  // namespace editor::ui

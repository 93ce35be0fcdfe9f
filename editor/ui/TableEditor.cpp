#include "TableEditor.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/core/GeneralComponent.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/GeneralComponent.h"
#include "editor/ui/QtText.h"
#include "editor/ui/TableView.h"
#include "skin/SkinFontComboBox.h"
#include "editor/ui/Skinning.h"
#include "skin/SkinToolBar.h"

namespace editor::ui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QSpinBox* SpinBox(QWidget* parent, const char* name, int min, int max) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(min, max);
  return spin;
}

// Range of a key of the new-table settings.
const TNewTableKey& KeyOf(int TNewTableSettings::*field) {
  for (const TNewTableKey& k : NewTableKeys())
    if (k.Field == field) return k;
  return NewTableKeys()[0];
}

QSpinBox* SettingBox(QWidget* parent, const char* name, int TNewTableSettings::*field) {
  const TNewTableKey& k = KeyOf(field);
  return SpinBox(parent, name, k.Min, k.Max);
}

}  // namespace

// ---- TNewgridForm --------------------------------------------------------------------------

TNewgridForm::TNewgridForm(QWidget* parent) : QDialog(parent) {
  setObjectName("NewgridForm");
  setWindowTitle(U("请输入表格属性"));

  auto* column = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  column->addLayout(form);
  rows_ = SettingBox(this, "eRowCount", &TNewTableSettings::Row);
  cols_ = SettingBox(this, "eColCount", &TNewTableSettings::Col);
  height_ = SettingBox(this, "eRowHeight", &TNewTableSettings::Height);
  width_ = SettingBox(this, "eColWidth", &TNewTableSettings::Width);
  lineColor_ = new TColorComboBox(this);
  lineColor_->setObjectName("tabLineColor");
  backColor_ = new TColorComboBox(this);
  backColor_->setObjectName("BkColor");
  lineWidth_ = new TLineComboBox(this);
  lineWidth_->setObjectName("tabLineWidth");
  form->addRow(U("行"), rows_);
  form->addRow(U("列"), cols_);
  form->addRow(U("行高"), height_);
  form->addRow(U("列宽"), width_);
  form->addRow(U("表格线颜色"), lineColor_);
  form->addRow(U("背景色"), backColor_);
  form->addRow(U("表格线宽度"), lineWidth_);

  auto* buttons = new QHBoxLayout;
  column->addLayout(buttons);
  auto* ok = NewButton(U("确  定"), this);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  auto* cancel = NewButton(U("取  消"), this);
  cancel->setObjectName("btnCancel");
  cancel->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  connect(ok, &QPushButton::clicked, this, [this] { done(mrNewgridOk); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(mrNewgridCancel); });
  Skinning(this);
}

void TNewgridForm::SetValues(const TNewTableSettings& values) {
  rows_->setValue(values.Row);
  cols_->setValue(values.Col);
  height_->setValue(values.Height);
  width_->setValue(values.Width);
  lineColor_->setCurrentIndex(values.LineColor);
  backColor_->setCurrentIndex(values.BackColor);
  lineWidth_->setCurrentIndex(values.LineWidth);
}

TNewTableSettings TNewgridForm::Values() const {
  TNewTableSettings values;
  values.Row = rows_->value();
  values.Col = cols_->value();
  values.Height = height_->value();
  values.Width = width_->value();
  values.LineColor = lineColor_->currentIndex();
  values.BackColor = backColor_->currentIndex();
  values.LineWidth = lineWidth_->currentIndex();
  return ClampNewTableSettings(values);
}

int TNewgridForm::Execute(TNewTableSettings& values) {
  SetValues(values);
  setResult(mrNewgridCancel);
  ui::RunModal(*this, RunModal);
  const int result = this->result();
  // Spin boxes hold a typed value only once they lose the focus; what is shown is what counts.
  for (QSpinBox* spin : {rows_, cols_, height_, width_}) spin->interpretText();
  values = Values();
  return result == mrNewgridOk ? mrNewgridOk : mrNewgridCancel;
}

// ---- TTableForm ----------------------------------------------------------------------------

TTableForm::TTableForm(TDialogs& dialogs, TNewgridDialog& newgrid, platform::TSettingsFile settings, QWidget* parent)
    : QDialog(parent) {
  setObjectName("TableForm");
  setWindowTitle(U("表格编辑器"));
  setSizeGripEnabled(true);
  editor_ = std::make_unique<TTableEditor>(*this, dialogs, newgrid, std::move(settings));
  TTableEditor* e = editor_.get();

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  fileBar_ = new skin::TskToolBar(this);
  fileBar_->setObjectName("tobFile");
  fileBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  AddAction(fileBar_, "tbNew", "创建新的表格", [e] { e->NewTable(); });
  AddAction(fileBar_, "tbOpen", "打开存在的表格", [e] { e->Open(); });
  AddAction(fileBar_, "tbSave", "保存正在编辑的表格", [e] { e->Save(); });
  AddAction(fileBar_, "tbSaveAs", "另存为", [e] { e->SaveAs(); });
  fileBar_->addSeparator();
  AddAction(fileBar_, "tbInsertLine", "插入行", [e] { e->InsertLine(); });
  AddAction(fileBar_, "tbDeleteLine", "删除行", [e] { e->DeleteLine(); });
  fileBar_->addSeparator();
  AddAction(fileBar_, "tbCopy", "拷贝", [e] { e->Copy(); });
  AddAction(fileBar_, "tbCut", "剪切", [e] { e->Cut(); });
  AddAction(fileBar_, "tbPaste", "粘贴", [e] { e->Paste(); });
  AddAction(fileBar_, "tbClearText", "删除文字", [e] { e->ClearText(); });
  fileBar_->addSeparator();
  AddAction(fileBar_, "tbCombine", "合并单元格", [e] { e->CombineCells(); });
  AddAction(fileBar_, "tbSplitHorz", "水平拆分单元格", [e] { e->SplitHorizontally(); });
  AddAction(fileBar_, "tbSplitVert", "垂直拆分单元格", [e] { e->SplitVertically(); });
  column->addWidget(fileBar_);

  fontBar_ = new skin::TskToolBar(this);
  fontBar_->setObjectName("tobFont");
  fontBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  lineWidth_ = new TLineComboBox(fontBar_);
  lineWidth_->setObjectName("cmbLineWidth");
  lineWidth_->setToolTip(U("表格线宽度"));
  lineWidth_->setMinimumWidth(60);
  lineWidth_->OnChange = [this, e] { TErrorGuard::Run([&] { e->LineWidthChanged(lineWidth_->currentIndex()); }); };
  lineColor_ = new TColorComboBox(fontBar_);
  lineColor_->setObjectName("cobLine");
  lineColor_->setToolTip(U("表格线颜色"));
  lineColor_->OnChange = [this, e] { TErrorGuard::Run([&] { e->LineColorChanged(lineColor_->Selected()); }); };
  backColor_ = new TColorComboBox(fontBar_);
  backColor_->setObjectName("cobBack");
  backColor_->setToolTip(U("背景色"));
  backColor_->OnChange = [this, e] { TErrorGuard::Run([&] { e->BackColorChanged(backColor_->Selected()); }); };
  fontBar_->addWidget(lineWidth_);
  fontBar_->addWidget(lineColor_);
  fontBar_->addWidget(backColor_);
  fontBar_->addSeparator();

  auto fontChanged = [e] { TErrorGuard::Run([e] { e->FontChanged(); }); };
  fontName_ = new skin::TskFontComboBox(fontBar_);
  fontName_->setObjectName("FontSelect");
  fontName_->SetComboStyle(skin::TskFontDrawComboBox::csDropDown);
  // A width of its own: sized to its contents, the bar would change with the fonts installed.
  fontName_->setFixedWidth(168);
  fontSize_ = new skin::TskFontSizeComboBox(fontBar_);
  fontSize_->setObjectName("FontSizeSelect");
  fontSize_->SetComboStyle(skin::TskFontDrawComboBox::csDropDown);
  fontName_->OnChange = [this, fontChanged] {
    fontSize_->SetFontName(fontName_->FontName());
    fontChanged();
  };
  fontSize_->OnChange = fontChanged;
  fontBar_->addWidget(fontName_);
  fontBar_->addWidget(fontSize_);
  auto styleButton = [&](const char* name, const char* caption, const char* hint) {
    auto* button = new QToolButton(fontBar_);
    button->setObjectName(name);
    button->setText(U(caption));
    button->setToolTip(U(hint));
    button->setCheckable(true);
    connect(button, &QToolButton::clicked, this, fontChanged);
    fontBar_->addWidget(button);
    return button;
  };
  bold_ = styleButton("Bold", "B", "粗体");
  italic_ = styleButton("Italic", "I", "斜体");
  underline_ = styleButton("Underline", "U", "下划线");
  QFont f = bold_->font();
  f.setBold(true);
  bold_->setFont(f);
  f = italic_->font();
  f.setItalic(true);
  italic_->setFont(f);
  f = underline_->font();
  f.setUnderline(true);
  underline_->setFont(f);
  fontColor_ = new TColorComboBox(fontBar_);
  fontColor_->setObjectName("FontColorSelect");
  fontColor_->setToolTip(U("字体颜色"));
  fontColor_->OnChange = fontChanged;
  fontBar_->addWidget(fontColor_);
  fontBar_->addSeparator();
  AddAction(fontBar_, "tbAlignLeft", "左对齐", [e] { e->Align(0); });
  AddAction(fontBar_, "tbAlignCenter", "居中", [e] { e->Align(1); });
  AddAction(fontBar_, "tbAlignRight", "右对齐", [e] { e->Align(2); });
  column->addWidget(fontBar_);

  view_ = new TTableView(this);
  column->addWidget(view_, 1);
  resize(640, 480);
  Skinning(this);
}

TTableForm::~TTableForm() {
  // The table goes before the view that hosts it.
  editor_.reset();
}

QAction* TTableForm::AddAction(QToolBar* bar, const char* name, const char* hint, std::function<void()> run) {
  auto* action = new QAction(U(hint), bar);
  action->setObjectName(name);
  action->setToolTip(U(hint));
  connect(action, &QAction::triggered, this, [run = std::move(run)] { TErrorGuard::Run(run); });
  bar->addAction(action);
  return action;
}

QAction* TTableForm::Action(const char* name) const {
  for (QToolBar* bar : {fileBar_, fontBar_})
    for (QAction* a : bar->actions())
      if (a->objectName() == name) return a;
  return nullptr;
}

// ---- The view of the editor ----------------------------------------------------------------

void TTableForm::SetCaption(const std::string& gbk) { setWindowTitle(QStringFromGbk(gbk)); }

void TTableForm::ShowTable(model::TTableReport* table) { view_->SetTable(table); }

void TTableForm::SetLineWidthIndex(int index) { lineWidth_->setCurrentIndex(index); }

void TTableForm::SetLineColor(platform::TColor color) { lineColor_->SetSelected(color); }

void TTableForm::SetBackColor(platform::TColor color) { backColor_->SetSelected(color); }

void TTableForm::SetFontControls(const TFontControls& font) {
  fontName_->SetFontName(font.Name);
  fontSize_->SetFontName(font.Name);
  const int at = fontSize_->findText(QString::number(font.Size));
  fontSize_->setCurrentIndex(at);
  if (at < 0) fontSize_->setEditText(QString::number(font.Size));
  bold_->setChecked(font.Bold);
  italic_->setChecked(font.Italic);
  underline_->setChecked(font.Underline);
  fontColor_->SetSelected(font.Color);
}

TFontControls TTableForm::FontControls() const {
  TFontControls font;
  font.Name = fontName_->FontName();
  font.Size = fontSize_->currentText().toInt();
  font.Bold = bold_->isChecked();
  font.Italic = italic_->isChecked();
  font.Underline = underline_->isChecked();
  font.Color = fontColor_->Selected();
  return font;
}

// ---- Showing and closing -------------------------------------------------------------------

void TTableForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  ApplyScreenSize();
  TErrorGuard::Run([this] { editor_->Show(); });
}

void TTableForm::done(int result) {
  bool close = true;
  TErrorGuard::Run([&] { close = editor_->CloseRequest(); });
  if (close) QDialog::done(result);
}

void TTableForm::SizeForScreen(int width, int height) {
  screenSize_ = QSize(width, height);
  if (isVisible()) ApplyScreenSize();
}

// The window grows or shrinks by what the viewport lacks or has over the screen, once the
// layout has placed the viewport.
void TTableForm::ApplyScreenSize() {
  if (layout()) layout()->activate();
  if (!screenSize_) return;
  const QSize viewport = view_->viewport()->size();
  resize(size() + (*screenSize_ - viewport));
  if (layout()) layout()->activate();
  screenSize_.reset();
}

std::string TTableForm::Edit(const std::string& gbkFile, int screenWidth, int screenHeight) {
  editor_->SetFileName(gbkFile);
  if (screenWidth > 0 && screenHeight > 0) SizeForScreen(screenWidth, screenHeight);
  ui::RunModal(*this, RunModal);
  return editor_->FileName();
}

}  // namespace editor::ui

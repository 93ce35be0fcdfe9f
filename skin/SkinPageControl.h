#pragma once
// SkinPageControl: a tab control whose tabs are its sheets (TskTabSheet); one sheet shows at a
// time and gets the focus for its first child.
#include <QList>

#include "skin/SkinTabControl.h"

namespace skin {

class TskPageControl;

class TskTabSheet : public QWidget, public TSkinnable {
  Q_OBJECT
  Q_PROPERTY(skin::TskUIStyle UIStyle READ UIStyle WRITE SetUIStyle)
  Q_PROPERTY(skin::TskFileTheme* FileTheme READ FileTheme WRITE SetFileTheme)

 public:
  explicit TskTabSheet(TskPageControl* control);
  ~TskTabSheet() override;

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  int PageIndex() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool visible);
  TColor Color = clBtnFace;
  TColor BorderColor = 0;
  TskPageControl* PageControl() const { return control_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class TskPageControl;
  TskPageControl* control_;
  QString caption_;
  bool tabVisible_ = true;
};

class TskPageControl : public TskTab {
  Q_OBJECT

 public:
  explicit TskPageControl(QWidget* parent = nullptr);
  ~TskPageControl() override;

  TskTabSheet* AddSheet(const QString& caption);
  int PageCount() const { return int(sheets_.size()); }
  TskTabSheet* Page(int index) const { return sheets_.value(index); }
  TskTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TskTabSheet* sheet);

  // The sheet of a tab of the strip, and back (only sheets with TabVisible have tabs).
  TskTabSheet* SheetOfTab(int tab) const;
  int TabOfSheet(const TskTabSheet* sheet) const;
  void SheetsChanged();

  bool Changing() override;
  void TabChanged(int index) override;

 protected:
  void StyleChanged(const TThemeSource& source) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TskTabSheet;
  void Activate(TskTabSheet* sheet, bool focus);
  QList<TskTabSheet*> sheets_;
  TskTabSheet* active_ = nullptr;
};

}  // namespace skin

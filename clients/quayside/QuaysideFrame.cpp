#include "QuaysideFrame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>

#include "clients/quayside/QtText.h"

namespace quayside {

TQuaysideFrame::TQuaysideFrame(const std::string& folder, const TSecondsClock& clock,
                               TMessageBoxes& boxes, TQuaysideDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("车站LED控制系统"));
  resize(800, 600);
  for (int i = 0; i < 4; ++i) {
    panes_[i] = new QLabel(this);
    if (i == 0)
      statusBar()->addWidget(panes_[i], 1);
    else
      statusBar()->addPermanentWidget(panes_[i]);
  }
  QPointer<QLabel> pane = panes_[0];
  view_ = new TQuaysideView(folder, clock, boxes, dialogs,
                            [pane](const std::string& text) {
                              if (pane) pane->setText(FromUtf8(text));
                            },
                            this);
  setCentralWidget(view_);
  CentreOnScreen();
}

QString TQuaysideFrame::StatusText() const { return panes_[0]->text(); }

void TQuaysideFrame::CentreOnScreen() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = frameGeometry();
    area.moveCenter(screen->availableGeometry().center());
    move(area.topLeft());
  }
}

void TQuaysideFrame::closeEvent(QCloseEvent* event) {
  view_->SaveOnClose();
  QMainWindow::closeEvent(event);
}

}  // namespace quayside

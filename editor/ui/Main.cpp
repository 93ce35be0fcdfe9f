#include "Main.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "editor/ui/DesignView.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/PropertyEditor.h"
#include "editor/ui/QtText.h"
#include "editor/ui/StatusBar.h"
#include "platform/base/GbkText.h"

namespace editor::ui {

namespace {

constexpr int LeftPanelWidth = 250;
constexpr int ControlBarHeight = 64;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

// ---------------------------------------------------------------------------------------------
TScrollBox::TScrollBox(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName("ScrollBox1");
  editPanel_ = new QWidget(viewport());
  editPanel_->setObjectName("EditPanel");
  container_ = new QWidget(editPanel_);
  container_->setObjectName("Container");
  auto* fill = new QVBoxLayout(editPanel_);
  // The edit panel is the screen's size and a 3-pixel border (SetEditAreaSize).
  fill->setContentsMargins(3, 3, 3, 3);
  fill->addWidget(container_);
}

void TScrollBox::SetEditPanelSize(int width, int height) {
  editPanel_->resize(width, height);
  UpdateScrollBars();
  PlacePanel();
}

void TScrollBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  PlacePanel();
}

void TScrollBox::scrollContentsBy(int, int) { PlacePanel(); }

void TScrollBox::UpdateScrollBars() {
  const QSize view = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, editPanel_->width() - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  verticalScrollBar()->setRange(0, std::max(0, editPanel_->height() - view.height()));
  verticalScrollBar()->setPageStep(view.height());
}

void TScrollBox::PlacePanel() {
  const QSize view = viewport()->size();
  editPanel_->move(CentredEdge(view.width(), editPanel_->width(), horizontalScrollBar()->value()),
                   CentredEdge(view.height(), editPanel_->height(), verticalScrollBar()->value()));
}

// ---------------------------------------------------------------------------------------------
TDesignFormView::TDesignFormView(TDialogs& dialogs, TClipboardAccess& clipboard, TMainOptions options) {
  setObjectName("MainForm");
  setWindowTitle(QStringFromGbk(TDesignForm::CaptionFor("")));
  QFont font(Text("宋体"));
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::NoAntialias);  // drawn as on the cards' own pixels
  setFont(font);
  resize(DesignWidth, DesignHeight);

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  controlBar_ = new QWidget(central);
  controlBar_->setObjectName("ControlBar1");
  controlBar_->setFixedHeight(ControlBarHeight);
  column->addWidget(controlBar_);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto* panel1 = new QWidget(central);
  panel1->setObjectName("Panel1");
  panel1->setFixedWidth(LeftPanelWidth);
  auto* panel1Layout = new QVBoxLayout(panel1);
  panel1Layout->setContentsMargins(0, 0, 0, 0);
  leftSplitter_ = new QSplitter(Qt::Vertical, panel1);
  leftSplitter_->setObjectName("Splitter1");
  leftSplitter_->setChildrenCollapsible(false);
  objectInspect_ = new QGroupBox(Text("对象属性(红色为重要属性)"), leftSplitter_);
  objectInspect_->setObjectName("ObjectInspect");
  listPanel_ = new QGroupBox(Text("对象列表"), leftSplitter_);
  listPanel_->setObjectName("skPanel1");
  auto* listLayout = new QVBoxLayout(listPanel_);
  listLayout->setContentsMargins(0, 0, 0, 0);
  objectList_ = new QTreeWidget(listPanel_);
  objectList_->setObjectName("ObjectList");
  objectList_->header()->hide();
  listLayout->addWidget(objectList_);
  leftSplitter_->addWidget(objectInspect_);
  leftSplitter_->addWidget(listPanel_);
  // The object list keeps its height when the window is resized; the inspector takes the rest.
  leftSplitter_->setStretchFactor(0, 1);
  leftSplitter_->setStretchFactor(1, 0);
  panel1Layout->addWidget(leftSplitter_);
  row->addWidget(panel1);

  scrollBox_ = new TScrollBox(central);
  row->addWidget(scrollBox_, 1);
  column->addLayout(row, 1);

  statusBar_ = new TStatusBarView(central);
  column->addWidget(statusBar_);
  setCentralWidget(central);

  BuildMenus();
  BuildToolBars();

  // The pop-up menus of the design surface and of the object tree; their items come with the
  // commands.
  (new QMenu(this))->setObjectName("PopupMenu1");
  (new QMenu(this))->setObjectName("PopupMenu2");

  form_ = std::make_unique<TDesignForm>(*this, dialogs, clipboard, std::move(options));
  statusBar_->SetForm(form_.get());
}

TDesignFormView::~TDesignFormView() {
  TErrorGuard::Run([this] { form_->Destroy(); });
  statusBar_->SetForm(nullptr);
}

void TDesignFormView::BuildMenus() {
  menuBar()->setObjectName("skMainMenu1");
  fileMenu_ = menuBar()->addMenu(Text("文件[&F]"));
  fileMenu_->setObjectName("File1");
  QAction* exit = fileMenu_->addAction(Text(" 退  出[&X]"));
  exit->setObjectName("Exit1");
  connect(exit, &QAction::triggered, this, [this] { close(); });

  QMenu* system = menuBar()->addMenu(Text("系统[&Y]"));
  system->setObjectName("System1");
  QAction* about = system->addAction(Text(" 关于程序[&A]"));
  about->setObjectName("About1");
  connect(about, &QAction::triggered, this, [this] {
    TErrorGuard::Run([this] {
      if (onAbout_) onAbout_();
    });
  });
}

void TDesignFormView::BuildToolBars() {
  for (int n : {1, 2, 3, 4, 5, 7}) {
    auto* bar = new QToolBar(controlBar_);
    bar->setObjectName(QStringLiteral("ToolBar%1").arg(n));
    bar->setMovable(false);
    toolBars_[size_t(n)] = bar;
  }
  toolBars_[4]->hide();
  QAction* exit = toolBars_[2]->addAction(Text("退出应用程序"));
  exit->setToolTip(Text("退出应用程序"));
  connect(exit, &QAction::triggered, this, [this] { close(); });
  QAction* about = toolBars_[7]->addAction(Text("关于程序"));
  about->setToolTip(Text("关于程序"));
  connect(about, &QAction::triggered, this, [this] {
    TErrorGuard::Run([this] {
      if (onAbout_) onAbout_();
    });
  });
  ArrangeControlBar();
}

QToolBar* TDesignFormView::ToolBar(int number) const {
  if (number < 0 || number >= int(toolBars_.size())) return nullptr;
  return toolBars_[size_t(number)];
}

// The bars sit side by side on the first row; `ToolBar3` (the object bar) stands where it was
// left, by default at the start of the second row.
void TDesignFormView::ArrangeControlBar() {
  int left = 0;
  for (int n : {1, 2, 5, 7}) {
    QToolBar* bar = toolBars_[size_t(n)];
    bar->adjustSize();
    bar->move(left, 0);
    left += bar->width();
  }
  toolBars_[3]->adjustSize();
}

void TDesignFormView::SetCaption(const std::string& gbk) { setWindowTitle(QStringFromGbk(gbk)); }

void TDesignFormView::SetPlacement(const TWindowPlacement& placement) {
  if (placement.Maximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
    return;
  }
  setWindowState(windowState() & ~Qt::WindowMaximized);
  move(placement.Left, placement.Top);
  resize(placement.Width, placement.Height);
}

TWindowPlacement TDesignFormView::Placement() const {
  TWindowPlacement placement;
  placement.Maximized = windowState().testFlag(Qt::WindowMaximized);
  placement.Left = x();
  placement.Top = y();
  placement.Width = width();
  placement.Height = height();
  return placement;
}

void TDesignFormView::SetObjectListHeight(int height) {
  const int total = std::max(leftSplitter_->height(), height + 1);
  leftSplitter_->setSizes({total - height - leftSplitter_->handleWidth(), height});
}

int TDesignFormView::ObjectListHeight() const { return listPanel_->height(); }

void TDesignFormView::SetMenuThreePosition(int left, int top) {
  ArrangeControlBar();
  toolBars_[3]->move(left, top);
}

int TDesignFormView::MenuThreeLeft() const { return toolBars_[3]->x(); }
int TDesignFormView::MenuThreeTop() const { return toolBars_[3]->y(); }

void TDesignFormView::SetRecentFiles(const std::vector<TRecentItem>& items) {
  for (QAction* action : fileMenu_->actions()) {
    if (platform::GbkStartsText(action->objectName().toStdString(), "MENUITEM")) {
      fileMenu_->removeAction(action);
      delete action;
    }
  }
  recentActions_.clear();
  if (items.empty()) return;
  QAction* separator = fileMenu_->addSeparator();
  separator->setObjectName("MenuItemSeparator");
  for (const auto& item : items) {
    QAction* action = fileMenu_->addAction(QStringFromGbk(item.Caption));
    action->setObjectName(QString::fromStdString(item.Name));
    const std::string path = item.Path;
    connect(action, &QAction::triggered, this, [this, path] { TErrorGuard::Run([&] { form_->OpenRecentFile(path); }); });
    recentActions_.push_back(action);
  }
}

TDesignView* TDesignFormView::PlaceDesigner(TDesign& design) {
  QWidget* container = scrollBox_->Container();
  delete designView_;
  designView_ = new TDesignView(design, container);
  auto* layout = qobject_cast<QVBoxLayout*>(container->layout());
  if (!layout) {
    layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  layout->addWidget(designView_, 0, Qt::AlignLeft | Qt::AlignTop);
  designView_->show();
  return designView_;
}

TPropertyEditorView* TDesignFormView::PlaceInspector(TDialogs& dialogs, TPropertyChooser& chooser) {
  delete inspector_;
  inspector_ = new TPropertyEditorView(dialogs, chooser, objectInspect_);
  auto* layout = qobject_cast<QVBoxLayout*>(objectInspect_->layout());
  if (!layout) {
    layout = new QVBoxLayout(objectInspect_);
    layout->setContentsMargins(2, 2, 2, 2);
  }
  layout->addWidget(inspector_);
  inspector_->show();
  return inspector_;
}

void TDesignFormView::SetEditPanelSize(int width, int height) { scrollBox_->SetEditPanelSize(width, height); }

int TDesignFormView::StatusBarClientWidth() const {
  if (!isVisible()) {
    // Before the first show the layouts have not run yet.
    const_cast<TDesignFormView*>(this)->layout()->activate();
    centralWidget()->layout()->activate();
  }
  return statusBar_->width();
}

int TDesignFormView::TipTextWidth(const std::string& gbk) const { return statusBar_->TextWidth(QStringFromGbk(gbk)); }

void TDesignFormView::StatusPanelsChanged() { statusBar_->repaint(); }

void TDesignFormView::TipsAreaChanged() { statusBar_->update(statusBar_->TipsRect()); }

void TDesignFormView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  TErrorGuard::Run([this] { form_->FirstShow(); });
}

void TDesignFormView::closeEvent(QCloseEvent* event) {
  if (closed_) {  // asked again on the way out: it has already said yes
    event->accept();
    return;
  }
  bool accept = false;
  TErrorGuard::Run([&] { accept = form_->CloseQuery(answerNo_); });
  answerNo_ = false;
  if (!accept) {
    event->ignore();
    return;
  }
  event->accept();
  closed_ = true;
  if (onClosed_) onClosed_();
}

void TDesignFormView::CloseAnsweringNo() {
  answerNo_ = true;
  close();
  answerNo_ = false;
}

}  // namespace editor::ui

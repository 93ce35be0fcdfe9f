#include "Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "editor/ui/DesignView.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/ImageList.h"
#include "editor/ui/Notifier.h"
#include "editor/ui/Skinning.h"
#include "editor/ui/PropertyEditor.h"
#include "editor/ui/QtText.h"
#include "editor/ui/StatusBar.h"
#include "platform/base/GbkText.h"
#include "skin/SkinImagePanel.h"
#include "skin/SkinMainMenu.h"
#include "skin/SkinPopupMenu.h"
#include "skin/SkinToolBar.h"

namespace editor::ui {

namespace {

constexpr int LeftPanelWidth = 250;
constexpr int ControlBarHeight = 64;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }
QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// Where no other unit brings its dialogs: none exists.
class TNoCommandDialogs : public TCommandDialogs {
 public:
  bool Available(TModalDialog) const override { return false; }
  void Execute(TModalDialog) override {}
};

// Fills `parent` with a node per entry: the nodes there are renamed in place, missing ones made,
// surplus ones deleted.
void SyncNodes(QTreeWidgetItem* parent, const std::vector<TTreeEntry>& entries, const std::vector<QIcon>& icons) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const TTreeEntry& entry = entries[i];
    auto* node = int(i) < parent->childCount() ? static_cast<TObjectNode*>(parent->child(int(i))) : new TObjectNode(parent);
    node->setText(0, QStringFromGbk(entry.Text));
    node->setIcon(0, entry.ImageIndex >= 0 && size_t(entry.ImageIndex) < icons.size() ? icons[size_t(entry.ImageIndex)]
                                                                                      : QIcon());
    node->Component.Set(entry.Component);
    SyncNodes(node, entry.Children, icons);
  }
  while (size_t(parent->childCount()) > entries.size()) delete parent->takeChild(parent->childCount() - 1);
}

TObjectNode* FindNode(QTreeWidgetItem* parent, const platform::TComponent* component) {
  for (int i = 0; i < parent->childCount(); ++i) {
    auto* node = static_cast<TObjectNode*>(parent->child(i));
    if (node->Component.Get() == component) return node;
    if (TObjectNode* found = FindNode(node, component)) return found;
  }
  return nullptr;
}

platform::TComponent* ComponentOf(QTreeWidgetItem* item) {
  return item ? static_cast<TObjectNode*>(item)->Component.Get() : nullptr;
}

}  // namespace

int TObjectNode::Level() const {
  int level = 0;
  for (const QTreeWidgetItem* p = parent(); p; p = p->parent()) ++level;
  return level;
}

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
TLeftPanel::TLeftPanel(QWidget* parent, skin::TskPanel* top, skin::TskPanel* bottom)
    : QWidget(parent), top_(top), bottom_(bottom) {
  top_->setParent(this);
  bottom_->setParent(this);
  bottom_->installEventFilter(this);
  setCursor(Qt::SizeVerCursor);  // the gap; the panels have their own cursors
  top_->setCursor(Qt::ArrowCursor);
  bottom_->setCursor(Qt::ArrowCursor);
}

void TLeftPanel::Arrange() {
  // Never squeezed here: a resize of the panel by anyone but the user would change the height it
  // stores.
  const int h = bottom_->height();
  bottom_->setGeometry(0, height() - h, width(), h);
  top_->setGeometry(0, 0, width(), std::max(0, height() - h - Gap));
}

void TLeftPanel::resizeEvent(QResizeEvent*) { Arrange(); }

bool TLeftPanel::eventFilter(QObject* watched, QEvent* event) {
  // The list panel's own steps as it collapses and expands.
  if (watched == bottom_ && event->type() == QEvent::Resize && bottom_->y() + bottom_->height() != height()) Arrange();
  return QWidget::eventFilter(watched, event);
}

void TLeftPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && bottom_->Expanded()) dragFrom_ = event->position().toPoint().y();
}

void TLeftPanel::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ < 0) return;
  const int y = event->position().toPoint().y();
  const int title = bottom_->TitleHeight();
  const int h = std::clamp(height() - y - Gap / 2, title, std::max(title, height() - 60));
  bottom_->resize(width(), h);  // the panel stores a height the user gives it
  Arrange();
}

void TLeftPanel::mouseReleaseEvent(QMouseEvent*) { dragFrom_ = -1; }

// ---------------------------------------------------------------------------------------------
TDesignFormView::TDesignFormView(TDialogs& dialogs, TClipboardAccess& clipboard, TMainOptions options,
                                 TCommandDialogs* modal, TNotifier* notifier)
    : dialogs_(dialogs) {
  setObjectName("MainForm");
  setWindowTitle(QStringFromGbk(TDesignForm::CaptionFor("")));
  resize(DesignWidth, DesignHeight);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  controlBar_ = new QWidget(this);
  controlBar_->setObjectName("ControlBar1");
  controlBar_->setFixedHeight(ControlBarHeight);
  column->addWidget(controlBar_);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  objectInspect_ = new skin::TskPanel;
  objectInspect_->setObjectName("ObjectInspect");
  objectInspect_->SetCaption(Text("对象属性(红色为重要属性)"));
  objectInspect_->Align = skin::alClient;
  listPanel_ = new skin::TskPanel;
  listPanel_->setObjectName("skPanel1");
  listPanel_->SetCaption(Text("对象列表"));
  listPanel_->Align = skin::alBottom;
  leftPanel_ = new TLeftPanel(this, objectInspect_, listPanel_);
  leftPanel_->setObjectName("Panel1");
  leftPanel_->setFixedWidth(LeftPanelWidth);
  auto* listLayout = new QVBoxLayout(listPanel_);
  listLayout->setContentsMargins(0, 0, 0, 0);
  objectList_ = new QTreeWidget(listPanel_);
  objectList_->setObjectName("ObjectList");
  objectList_->header()->hide();
  listLayout->addWidget(objectList_);
  row->addWidget(leftPanel_);

  scrollBox_ = new TScrollBox(this);
  row->addWidget(scrollBox_, 1);
  column->addLayout(row, 1);

  statusBar_ = new TStatusBarView(this);
  column->addWidget(statusBar_);

  for (int i = 0; i < ObjectImageCount; ++i) imageList_.push_back(editor::ui::ImageListIcon(i));
  BuildActions();
  BuildMenus();
  BuildToolBars();
  BuildObjectList();
  skinFrame_ = Skinning(this);
  skinFrame_->SetPlacement(skin::TskFormPlacement::Designed);  // where "Param.ini" says

  if (!notifier) {
    notices_ = new TNoticePopup(this);
    notifier = notices_;
  }
  if (!modal) {
    noDialogs_ = std::make_unique<TNoCommandDialogs>();
    modal = noDialogs_.get();
  }
  form_ = std::make_unique<TDesignForm>(*this, dialogs, clipboard, std::move(options));
  statusBar_->SetForm(form_.get());
  commands_ = std::make_unique<TCommands>(*form_, static_cast<TCommandsView&>(*this), dialogs, *modal, clipboard, *notifier);
  RefreshActions();
}

TDesignFormView::~TDesignFormView() {
  TErrorGuard::Run([this] { form_->Destroy(); });
  statusBar_->SetForm(nullptr);
}

void TDesignFormView::BuildActions() {
  for (const TCommandInfo& info : CommandTable()) {
    auto* action = new QAction(this);
    action->setObjectName(Text(info.Name));
    action->setText(Text(info.Caption.empty() ? info.Hint : info.Caption));
    if (!info.Hint.empty()) action->setIconText(Text(info.Hint));
    if (!info.ToolTip.empty() || !info.Hint.empty()) action->setToolTip(Text(info.ToolTip.empty() ? info.Hint : info.ToolTip));
    if (!info.Shortcut.empty()) {
      action->setShortcut(QKeySequence(Text(info.Shortcut), QKeySequence::PortableText));
      action->setShortcutContext(Qt::WindowShortcut);
    }
    const TCommand command = info.Id;
    connect(action, &QAction::triggered, this, [this, command] { TErrorGuard::Run([&] { commands_->Execute(command); }); });
    actions_[size_t(command)] = action;
  }
}

void TDesignFormView::BuildMenus() {
  mainMenu_ = new skin::TskMainMenu(this);  // the frame's menu bar will show it
  mainMenu_->setObjectName("skMainMenu1");
  struct TMenu {
    const char* Caption;
    const char* Name;
    uint32_t Place;
  };
  const TMenu menus[] = {
      {"文件[&F]", "File1", cpFileMenu},         {"编辑[&E]", "Edit1", cpEditMenu},
      {" 显示项目[&I]", "Insert1", cpInsertMenu}, {"控制卡[&C]", "Card1", cpCardMenu},
      {"预览[&V]", "Preview1", cpPreviewMenu},    {"远程[&R]", "Remote1", cpRemoteMenu},
      {"系统[&Y]", "System1", cpSystemMenu},
  };
  for (const TMenu& m : menus) {
    auto* menu = new QMenu(Text(m.Caption), this);
    menu->setObjectName(m.Name);
    for (const TCommandInfo& info : CommandTable())
      if (info.Places & m.Place) menu->addAction(Action(info.Id));
    if (m.Place == cpFileMenu) fileMenu_ = menu;
    if (m.Place == cpEditMenu) editMenu_ = menu;
    mainMenu_->AddMenu(menu);
  }
  // The Edit menu's items follow the project and the selection as it opens; tool buttons and
  // shortcuts are never disabled, and their commands do nothing when they cannot run.
  connect(editMenu_, &QMenu::aboutToShow, this,
          [this] { TErrorGuard::Run([&] { ApplyStates(commands_->EditMenuStates()); }); });
  connect(editMenu_, &QMenu::aboutToHide, this, [this] { RefreshActions(); });

  auto* designPopup = new skin::TskPopupMenu(this);
  designPopup->setObjectName("PopupMenu1");
  designPopup_ = designPopup->Menu();
  designPopup_->setObjectName("PopupMenu1");
  auto* treePopup = new skin::TskPopupMenu(this);
  treePopup->setObjectName("PopupMenu2");
  treePopup_ = treePopup->Menu();
  treePopup_->setObjectName("PopupMenu2");
  for (const TCommandInfo& info : CommandTable()) {
    if (info.Places & cpDesignPopup) designPopup_->addAction(Action(info.Id));
    if (info.Places & cpTreePopup) treePopup_->addAction(Action(info.Id));
  }
  for (QMenu* popup : {designPopup_, treePopup_}) connect(popup, &QMenu::aboutToHide, this, [this] { RefreshActions(); });
}

void TDesignFormView::BuildToolBars() {
  constexpr std::pair<int, uint32_t> bars[] = {{1, cpClipboardBar}, {2, cpFileBar}, {3, cpObjectBar},
                                               {4, cpHiddenBar},    {5, cpCardBar}, {7, cpLastBar}};
  for (const auto& [n, place] : bars) {
    auto* bar = new skin::TskToolBar(controlBar_);
    bar->setObjectName(QStringLiteral("ToolBar%1").arg(n));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBars_[size_t(n)] = bar;
    for (const TCommandInfo& info : CommandTable()) {
      if (!(info.Places & place)) continue;
      bar->addAction(Action(info.Id));
      // The hidden insert buttons: their actions run all the same.
      if (info.Hidden) Action(info.Id)->setVisible(false);
    }
  }
  toolBars_[4]->hide();
  ArrangeControlBar();
}

void TDesignFormView::BuildObjectList() {
  objectList_->setContextMenuPolicy(Qt::CustomContextMenu);
  objectList_->setIconSize(QSize(16, 16));
  connect(objectList_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
    if (!current) return;
    TErrorGuard::Run(
        [&] { commands_->TreeChange(ComponentOf(current), static_cast<TObjectNode*>(current)->Level()); });
  });
  connect(objectList_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item, int) { TErrorGuard::Run([&] { commands_->TreeClick(ComponentOf(item)); }); });
  connect(objectList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const QPoint global = objectList_->viewport()->mapToGlobal(pos);
    TErrorGuard::Run([&] { commands_->TreeRightClick(global.x(), global.y()); });
  });
}

void TDesignFormView::RefreshActions() {
  if (!commands_) return;
  for (const TCommandInfo& info : CommandTable()) Action(info.Id)->setEnabled(commands_->Available(info.Id));
}

void TDesignFormView::ApplyStates(const std::vector<TCommandState>& states) {
  for (const TCommandState& state : states)
    Action(state.Command)->setEnabled(state.Enabled && commands_->Available(state.Command));
}

QIcon TDesignFormView::ImageListIcon(int index) const {
  return index >= 0 && size_t(index) < imageList_.size() ? imageList_[size_t(index)] : QIcon();
}

// ---- TCommandsView ----------------------------------------------------------------------------

void TDesignFormView::AttachDesigner(TDesign& design) { PlaceDesigner(design); }

TPropertyEditor& TDesignFormView::AttachInspector() { return PlaceInspector(dialogs_, chooser_)->Editor(); }

void TDesignFormView::ShowTree(const std::vector<TTreeEntry>& entries) {
  // Nodes that go or move take the selection with them; that is no choice of the user's.
  const QSignalBlocker quiet(objectList_);
  SyncNodes(objectList_->invisibleRootItem(), entries, imageList_);
}

void TDesignFormView::ExpandTree() { objectList_->expandAll(); }

void TDesignFormView::SelectTreeNode(const platform::TComponent* component) {
  if (!component) return;
  TObjectNode* node = FindNode(objectList_->invisibleRootItem(), component);
  if (!node) return;
  const QSignalBlocker quiet(objectList_);
  objectList_->setCurrentItem(node);
}

TTreeNodeInfo TDesignFormView::SelectedTreeNode() const {
  auto* node = static_cast<TObjectNode*>(objectList_->currentItem());
  if (!node) return {};
  return {node->Component.Get(), node->Level()};
}

void TDesignFormView::PopupDesignMenu(const std::vector<TCommandState>& states, int x, int y) {
  ApplyStates(states);
  designPopup_->popup(QPoint(x, y));
}

void TDesignFormView::PopupTreeMenu(const std::vector<TCommandState>& states, int x, int y) {
  ApplyStates(states);
  treePopup_->popup(QPoint(x, y));
}

void TDesignFormView::CloseWindow() { close(); }

void TDesignFormView::ShowAbout() {
  if (onAbout_) onAbout_();
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

// Maximised is the frame's own: the work area less its bottom row.
void TDesignFormView::SetPlacement(const TWindowPlacement& placement) {
  if (placement.Maximized) {
    if (!isMaximized()) skinFrame_->ToggleMaximized();
    return;
  }
  if (isMaximized()) skinFrame_->ToggleMaximized();
  move(placement.Left, placement.Top);
  resize(placement.Width, placement.Height);
}

TWindowPlacement TDesignFormView::Placement() const {
  TWindowPlacement placement;
  placement.Maximized = isMaximized();
  placement.Left = x();
  placement.Top = y();
  placement.Width = width();
  placement.Height = height();
  return placement;
}

void TDesignFormView::SetObjectListHeight(int height) {
  listPanel_->SetHeight(height);
  leftPanel_->Arrange();
}

// The panel's expanded height, also while it stands collapsed to its title: the next start
// opens it expanded, at that height.
int TDesignFormView::ObjectListHeight() const { return listPanel_->Height(); }

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

// The status bar spans the frame's client area, between the frame's side bands; before the first
// show its layout has not run yet.
int TDesignFormView::StatusBarClientWidth() const {
  if (isVisible()) return statusBar_->width();
  return width() - 2 * skinFrame_->Client()->x();
}

int TDesignFormView::TipTextWidth(const std::string& gbk) const { return statusBar_->TextWidth(gbk); }

void TDesignFormView::StatusPanelsChanged() {
  statusBar_->RefreshTexts();
  statusBar_->repaint();
}

void TDesignFormView::TipsAreaChanged() { statusBar_->update(statusBar_->TipsRect()); }

// Qt moves what the tips panel shows in its backing store and asks only for the column that
// comes in: 25 steps a second then cost a sliver each instead of the whole panel.
void TDesignFormView::TipsAreaScrolled(int dx) {
  const QRect tips = statusBar_->TipsScrollRect();
  if (tips.isEmpty()) return;  // none of the tips is in sight
  statusBar_->scroll(dx, 0, tips);
}

void TDesignFormView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // The other forms are made by now.
  RefreshActions();
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

// The title bar's minimise button minimises the application: every window of it goes with the
// main window, and comes back with it.
void TDesignFormView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool minimized = isMinimized();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == this || !w->isVisible() || w->isMinimized() == minimized) continue;
    if (!qobject_cast<QDialog*>(w) && !w->findChild<skin::TskForm*>(QString(), Qt::FindDirectChildrenOnly)) continue;
    if (minimized) w->showMinimized();
    else w->showNormal();
  }
}

void TDesignFormView::CloseAnsweringNo() {
  answerNo_ = true;
  close();
  answerNo_ = false;
}

}  // namespace editor::ui

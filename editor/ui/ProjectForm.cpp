#include "ProjectForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "editor/ui/FormLayout.h"
#include "editor/ui/ImageList.h"
#include "editor/ui/QtText.h"
#include "editor/ui/Skinning.h"

namespace editor::ui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

TListFormBase::TListFormBase(TDialogs& dialogs, const char* listCaption, const char* propertyCaption,
                             const std::vector<std::pair<const char*, const char*>>& buttons, QWidget* parent)
    : QDialog(parent) {
  resize(640, 480);
  auto* row = new QHBoxLayout(this);
  listPanel_ = NewCaptionPanel(U(listCaption), this);
  listPanel_->setObjectName("ListPanel");
  auto* listLayout = new QVBoxLayout(listPanel_);
  listLayout->setContentsMargins(0, 0, 0, 0);
  list_ = new QTreeWidget(listPanel_);
  list_->setObjectName("LEDTreeView");
  list_->header()->hide();
  list_->setRootIsDecorated(false);
  listLayout->addWidget(list_);
  row->addWidget(listPanel_, 1);

  propertyPanel_ = NewCaptionPanel(U(propertyCaption), this);
  propertyPanel_->setObjectName("PropertyPanel");
  auto* propertyLayout = new QVBoxLayout(propertyPanel_);
  propertyLayout->setContentsMargins(0, 0, 0, 0);
  inspector_ = new TPropertyEditorView(dialogs, chooser_, propertyPanel_);
  propertyLayout->addWidget(inspector_);
  row->addWidget(propertyPanel_, 2);

  auto* column = new QVBoxLayout;
  for (const auto& [name, caption] : buttons) {
    QPushButton* button = NewButton(this, name, caption);
    column->addWidget(button);
    buttons_.push_back(button);
  }
  column->addStretch(1);
  row->addLayout(column);
}

TListFormBase::~TListFormBase() = default;

void TListFormBase::Connect(TListForm& controller) {
  const auto selected = [this, &controller](QTreeWidgetItem* item) {
    if (!syncing_ && item) controller.NodeSelected(list_->indexOfTopLevelItem(item));
  };
  connect(list_, &QTreeWidget::currentItemChanged, this, [selected](QTreeWidgetItem* item) { selected(item); });
  connect(list_, &QTreeWidget::itemClicked, this, [selected](QTreeWidgetItem* item) { selected(item); });
}

QPushButton* TListFormBase::ButtonNamed(const char* name) const {
  for (QPushButton* button : buttons_)
    if (button->objectName() == name) return button;
  return nullptr;
}

void TListFormBase::SetNodes(const std::vector<TListNode>& nodes) {
  syncing_ = true;
  while (list_->topLevelItemCount() > int(nodes.size())) delete list_->takeTopLevelItem(list_->topLevelItemCount() - 1);
  for (size_t i = 0; i < nodes.size(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(int(i));
    if (!item) {
      item = new QTreeWidgetItem;
      list_->addTopLevelItem(item);
    }
    item->setText(0, QStringFromGbk(nodes[i].Text));
    item->setIcon(0, ImageListIcon(nodes[i].ImageIndex));
    item->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(nodes[i].Identity));
  }
  syncing_ = false;
}

void TListFormBase::SelectNode(int index) {
  syncing_ = true;
  list_->setCurrentItem(index >= 0 ? list_->topLevelItem(index) : nullptr);
  syncing_ = false;
}

TPropertyEditor& TListFormBase::Inspector() { return inspector_->Editor(); }

void TListFormBase::SetAddEnabled(bool enabled) {
  if (!buttons_.empty()) buttons_.front()->setEnabled(enabled);
}

// ---- Project dialog ---------------------------------------------------------------------------

TProjectFormView::TProjectFormView(TDialogs& dialogs, std::string programDir, QWidget* parent)
    : TListFormBase(dialogs, "显示屏列表", "显示屏属性",
                    {{"AddButton", "增加显示屏[&A]"},
                     {"DeleteButton", "删除选中显示屏[&D]"},
                     {"ImportButton", "导入设置[&I]"},
                     {"ExportButton", "导出设置[&O]"},
                     {"DefaultButton", "设为缺省[&F]"},
                     {"ExitButton", "退出[&X]"}},
                    parent) {
  setObjectName("ProjectForm");
  setWindowTitle(U("系统工程设置"));
  controller_.reset(new TProjectForm(*this, dialogs, std::move(programDir)));
  Connect(*controller_);
  TProjectForm* c = controller_.get();
  connect(buttons_[0], &QPushButton::clicked, this, [c] { c->AddScreen(); });
  connect(buttons_[1], &QPushButton::clicked, this, [c] { c->DeleteScreen(); });
  connect(buttons_[2], &QPushButton::clicked, this, [c] { c->Import(); });
  connect(buttons_[3], &QPushButton::clicked, this, [c] { c->Export(); });
  connect(buttons_[4], &QPushButton::clicked, this, [c] { c->SetDefault(); });
  connect(buttons_[5], &QPushButton::clicked, this, [c] { c->Exit(); });
  connect(this, &QDialog::finished, this, [c] { c->Closed(); });
  Skinning(this);
}

// The controller goes first: it empties the inspector, which goes with the widgets after it.
TProjectFormView::~TProjectFormView() { controller_.reset(); }

void TProjectFormView::Execute(const TModalRun& run) {
  controller_->Show();
  RunModal(*this, run);
}

void TProjectFormView::Close() { done(Accepted); }

// ---- Sub-card dialog --------------------------------------------------------------------------

TMultiCardFormView::TMultiCardFormView(TDialogs& dialogs, QWidget* parent)
    : TListFormBase(dialogs, "子卡列表", "子卡通讯参数",
                    {{"AddButton", "增加子卡[&A]"}, {"DeleteButton", "删除子卡[&D]"}, {"ExitButton", "返回[&X]"}},
                    parent) {
  setObjectName("MultiCardForm");
  setWindowTitle(U("子卡通讯参数设置"));
  controller_.reset(new TMultiCardForm(*this));
  Connect(*controller_);
  TMultiCardForm* c = controller_.get();
  connect(buttons_[0], &QPushButton::clicked, this, [c] { c->AddCard(); });
  connect(buttons_[1], &QPushButton::clicked, this, [c] { c->DeleteCard(); });
  connect(buttons_[2], &QPushButton::clicked, this, [c] { c->Exit(); });
  connect(this, &QDialog::finished, this, [c] { c->Closed(); });
  Skinning(this);
}

TMultiCardFormView::~TMultiCardFormView() { controller_.reset(); }

void TMultiCardFormView::Execute(model::TCards& cards, const TModalRun& run) {
  controller_->Show(cards);
  RunModal(*this, run);
}

void TMultiCardFormView::Close() { done(Accepted); }

}  // namespace editor::ui

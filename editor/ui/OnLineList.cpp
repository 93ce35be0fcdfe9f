#include "OnLineList.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "editor/ui/ErrorGuard.h"
#include "editor/ui/QtText.h"
#include "platform/base/SettingsFile.h"
#include "editor/ui/Skinning.h"

namespace editor::ui {

namespace {
QString Text(const char* utf8) { return QString::fromUtf8(utf8); }
}  // namespace

// The grid's cells from the core grid, queried only for the rows in view.
class TOnLineGridModel : public QAbstractTableModel {
 public:
  TOnLineGridModel(const TOnLineGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {
    rows_ = grid_.RowCount() - 1;
  }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : TOnLineGrid::ColumnCount;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QStringFromGbk(grid_.Cell(index.column(), index.row() + 1));
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < TOnLineGrid::ColumnCount) {
      std::string_view heading = TOnLineGrid::Headings()[size_t(section)];
      return QString::fromUtf8(heading.data(), qsizetype(heading.size()));
    }
    return {};
  }

  // The grid changed: new rows are inserted (it never shrinks) and every cell is repainted, so
  // the selection stays where it was.
  void Changed() {
    const int rows = grid_.RowCount() - 1;
    if (rows > rows_) {
      beginInsertRows({}, rows_, rows - 1);
      rows_ = rows;
      endInsertRows();
    }
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, TOnLineGrid::ColumnCount - 1));
  }

 private:
  const TOnLineGrid& grid_;
  int rows_ = 0;
};

TOnLineForm::TOnLineForm(TOnLineTable& table, TOnLineImportHooks hooks, TDialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      logic_(table, std::move(hooks), dialogs),
      window_([this](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        if (message == RefreshMessage) TErrorGuard::Run([this] { RefreshGrid(); });
        return 0;
      }) {
  setObjectName("OnLineForm");
  setWindowTitle(Text("在线显示屏列表"));
  resize(760, 480);

  auto* layout = new QVBoxLayout(this);
  model_ = new TOnLineGridModel(logic_.Grid(), this);
  grid_ = new QTableView(this);
  grid_->setObjectName("sg");
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setStretchLastSection(true);
  const int widths[TOnLineGrid::ColumnCount] = {150, 70, 110, 60, 100, 150};
  for (int c = 0; c < TOnLineGrid::ColumnCount; ++c) grid_->setColumnWidth(c, widths[c]);
  layout->addWidget(grid_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  import_ = NewButton(Text("引入选中控制卡"), this);
  import_->setObjectName("ImportButton");
  buttons->addWidget(import_);
  close_ = NewButton(Text("退出[&X]"), this);
  close_->setObjectName("CloseButton");
  buttons->addWidget(close_);
  layout->addLayout(buttons);

  // As in a string grid, the first row is current from the start.
  grid_->setCurrentIndex(model_->index(0, 0));
  connect(grid_, &QTableView::clicked, this, [this](const QModelIndex& index) { RowClicked(index.row()); });
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (current.isValid()) RowClicked(current.row());
          });
  connect(import_, &QPushButton::clicked, this, [this] { TErrorGuard::Run([this] { logic_.Import(); }); });
  connect(close_, &QPushButton::clicked, this, [this] { reject(); });
  Skinning(this);
}

TOnLineForm::~TOnLineForm() = default;

void TOnLineForm::RefreshGrid() {
  logic_.Refresh();
  model_->Changed();
}

void TOnLineForm::showEvent(QShowEvent* event) {
  RefreshGrid();
  QDialog::showEvent(event);
}

void TOnLineForm::RowClicked(int viewRow) {
  TErrorGuard::Run([&] { import_->setEnabled(logic_.ClickRow(viewRow + 1)); });
}

TSetRemoteServerForm::TSetRemoteServerForm(platform::TSettingsFile settings, QWidget* parent)
    : QDialog(parent), settings_(std::move(settings)) {
  setObjectName("SetRemoteServerForm");
  setWindowTitle(Text("远程服务器设置"));

  auto* layout = new QVBoxLayout(this);
  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(Text("远程服务器IP地址:"), this), 0, 0);
  ip_ = new QLineEdit(this);
  ip_->setObjectName("RemoteServerIP");
  ip_->setMaxLength(int(RemoteServerIpLength));
  fields->addWidget(ip_, 0, 1);
  fields->addWidget(new QLabel(Text("远程服务器端口:"), this), 1, 0);
  port_ = new TSpinEdit(this);
  port_->setObjectName("RemoteServerPort");
  port_->setRange(0, 65535);
  port_->setValue(DefaultOnLinePort);
  fields->addWidget(port_, 1, 1);
  layout->addLayout(fields);
  autoDownLoad_ = NewCheckBox(Text("自动从远程服务器下载在线控制卡信息"), this);
  autoDownLoad_->setObjectName("AutoDownLoadSelect");
  layout->addWidget(autoDownLoad_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = NewButton(Text("确  定"), this);
  ok_->setObjectName("OkButton");
  buttons->addWidget(ok_);
  back_ = NewButton(Text("返  回"), this);
  back_->setObjectName("BackButton");
  buttons->addWidget(back_);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, [this] { TErrorGuard::Run([this] { Save(); }); });
  connect(back_, &QPushButton::clicked, this, [this] { reject(); });
  Skinning(this);
}

void TSetRemoteServerForm::showEvent(QShowEvent* event) {
  const TRemoteServerSettings s = ReadRemoteServerSettings(settings_);
  ip_->setText(QStringFromGbk(s.Ip));
  port_->setValue(int(std::clamp<int64_t>(s.Port, 0, 65535)));
  autoDownLoad_->setChecked(s.AutoDownLoad);
  QDialog::showEvent(event);
}

void TSetRemoteServerForm::Save() {
  WriteRemoteServerSettings(settings_, {GbkFromQString(ip_->text()), port_->value(), autoDownLoad_->isChecked()});
  accept();
}

}  // namespace editor::ui

#pragma once
// `OnLineForm` ("在线显示屏列表"): the online card list, and `SetRemoteServerForm`
// ("远程服务器设置"): the remote server the listener pulls from. Both are thin over editor/core's
// OnLineList; the commands show them modally.
#include "editor/ui/Skinning.h"
#include "skin/SkinButton.h"
#include <QDialog>
#include <memory>
#include <string>

#include "editor/core/OnLineList.h"
#include "platform/base/MessageWindow.h"

class QLineEdit;
class QPushButton;
class QTableView;

namespace editor::ui {

class TOnLineGridModel;

class TOnLineForm : public QDialog {
 public:
  // The message the listener posts to Handle() after a change of the table.
  static constexpr uint32_t RefreshMessage = 0x401;

  TOnLineForm(TOnLineTable& table, TOnLineImportHooks hooks, TDialogs& dialogs, QWidget* parent = nullptr);
  ~TOnLineForm() override;

  // The window the listener hands its refreshes to; it belongs to the GUI thread.
  platform::TWindowHandle Handle() const { return window_.Handle(); }

  TOnLineFormLogic& Logic() { return logic_; }
  // `sg`: the grid, heading row as the header, entry r − 1 in row r − 1 of the view.
  QTableView* Grid() const { return grid_; }
  QPushButton* ImportButton() const { return import_; }
  QPushButton* CloseButton() const { return close_; }

  // Paints the grid from a fresh copy of the table.
  void RefreshGrid();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RowClicked(int viewRow);

  TOnLineFormLogic logic_;
  TOnLineGridModel* model_;
  QTableView* grid_;
  QPushButton* import_;
  QPushButton* close_;
  platform::TMessageWindow window_;
};

class TSetRemoteServerForm : public QDialog {
 public:
  // `settings`: "Param.ini".
  explicit TSetRemoteServerForm(platform::TSettingsFile settings, QWidget* parent = nullptr);

  QLineEdit* RemoteServerIP() const { return ip_; }
  TSpinEdit* RemoteServerPort() const { return port_; }
  skin::TskCheckBox* AutoDownLoadSelect() const { return autoDownLoad_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* BackButton() const { return back_; }

 protected:
  // Shows the stored settings.
  void showEvent(QShowEvent* event) override;

 private:
  void Save();

  platform::TSettingsFile settings_;
  QLineEdit* ip_;
  TSpinEdit* port_;
  skin::TskCheckBox* autoDownLoad_;
  QPushButton* ok_;
  QPushButton* back_;
};

}  // namespace editor::ui

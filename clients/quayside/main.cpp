// Quayside, the station display client. Its files are those of the folder it starts in.
#include <QApplication>
#include <QDir>

#include "clients/quayside/DailySend.h"
#include "clients/quayside/InstanceLock.h"
#include "clients/quayside/PasswordStore.h"
#include "clients/quayside/QtMessageBoxes.h"
#include "clients/quayside/QuaysideDialogs.h"
#include "clients/quayside/QuaysideFrame.h"
#include "platform/qt/ChineseQt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  platform::UseChineseQt(app);
  QCoreApplication::setOrganizationName(quayside::TSettingsPasswordStore::Organization);
  QCoreApplication::setApplicationName(quayside::TSettingsPasswordStore::Application);
  quayside::TQtMessageBoxes boxes;

  quayside::TInstanceLock lock;
  if (!lock.Acquire()) {
    boxes.Show("One application had run", quayside::biNone);
    return 1;
  }

  quayside::TSettingsPasswordStore store;
  quayside::TModalDialogs dialogs(store, boxes);
  quayside::TSystemSecondsClock clock;
  quayside::TQuaysideFrame frame(QDir::currentPath().toStdString(), clock, boxes, dialogs);
  boxes.SetParent(&frame);
  frame.show();
  return app.exec();
}

// kestrel1: the demo client of the sending library.
#include <QApplication>

#include "Form1.h"
#include "MessageService.h"
#include "platform/qt/ChineseQt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  platform::UseChineseQt(app);
  kestrel1::TMessageBoxService messages;
  kestrel1::TForm1 form(kestrel1::LibraryName, messages);
  form.show();
  return app.exec();
}

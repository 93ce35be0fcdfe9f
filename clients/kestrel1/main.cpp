// kestrel1: the demo client of the sending library.
#include <QApplication>

#include "Form1.h"
#include "MessageService.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kestrel1::TMessageBoxService messages;
  kestrel1::TForm1 form(kestrel1::LibraryName, messages);
  form.show();
  return app.exec();
}

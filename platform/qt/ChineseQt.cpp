#include "platform/qt/ChineseQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

namespace {

QLocale Chinese() { return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China); }

}  // namespace

bool UseChineseQt(QCoreApplication& application) {
  QLocale::setDefault(Chinese());
  // One translator per application: a second call finds the first.
  static const char name[] = "ChineseQtTranslator";
  if (application.findChild<QTranslator*>(QLatin1String(name), Qt::FindDirectChildrenOnly)) return true;
  auto* translator = new QTranslator(&application);
  translator->setObjectName(QLatin1String(name));
  // qtbase holds the texts of the widgets and dialogs the programs use.
  if (!translator->load(Chinese(), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace platform

#include "QtText.h"

#include "platform/base/GbkText.h"

namespace quayside {

QString FromGbk(std::string_view gbk) { return FromUtf8(platform::GbkToUtf8(gbk)); }

std::string ToGbk(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return platform::Utf8ToGbk(std::string_view(utf8.constData(), size_t(utf8.size())));
}

QString FromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}  // namespace quayside

#pragma once
// The editor's texts are GBK; Qt shows UTF-16. Conversions happen only here, where text meets a
// widget.
#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "platform/base/GbkText.h"

namespace editor::ui {

inline QString QStringFromGbk(std::string_view gbk) { return QString::fromStdString(platform::GbkToUtf8(gbk)); }
inline std::string GbkFromQString(const QString& text) { return platform::Utf8ToGbk(text.toStdString()); }

// 0x00BBGGRR, the system's colour order.
inline QColor QColorFromColorRef(uint32_t color) {
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

}  // namespace editor::ui

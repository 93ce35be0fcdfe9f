#pragma once
// The station client's data is GBK; Qt shows QString. Conversions happen only where text
// enters or leaves a widget.
#include <QString>

#include <string>
#include <string_view>

namespace quayside {

QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);
QString FromUtf8(std::string_view utf8);

}  // namespace quayside

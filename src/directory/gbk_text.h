// GBK bytes to and from QString, for the item models' display texts and the search box.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace vantor::directory {

QString gbkToQString(std::string_view gbk);
// Characters GBK cannot hold become '?'.
std::string qstringToGbk(const QString& text);

} // namespace vantor::directory

// Text from colleagues and the server on its way to a terminal: control characters would move the
// cursor, rewrite earlier lines, change the terminal's title or colours, or turn text around. They
// are printed as escapes instead: \t \n \r, \xHH for other C0 controls, DEL and bytes that are not
// UTF-8, \u00HH for C1 controls, \uHHHH for the direction marks and overrides; a backslash is
// doubled, so that an escape always means an escaped character.
#pragma once

#include <string>
#include <string_view>

namespace vantor::app {

std::string terminalText(std::string_view utf8);

} // namespace vantor::app

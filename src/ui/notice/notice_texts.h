// Texts and formats the notice windows share (UTF-8 here; GBK only on the way to the core).
#pragma once

#include <QString>

namespace vantor::ui::notice_text {

// A day count as "yyyy-mm-dd", "yyyy-mm-dd hh:nn", or the locale's short date and the time.
QString day(double dayCount);
QString dayAndMinute(double dayCount);
QString dateAndTime(double dayCount);

} // namespace vantor::ui::notice_text

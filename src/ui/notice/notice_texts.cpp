#include "ui/notice/notice_texts.h"

#include "protocol/datetime.h"

#include <QDateTime>
#include <QLocale>

namespace vantor::ui::notice_text {

namespace {
QDateTime toDateTime(double dayCount) {
    const protocol::LocalTime t = protocol::localFromDayCount(dayCount);
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}
} // namespace

QString day(double dayCount) {
    return toDateTime(dayCount).toString(QStringLiteral("yyyy-MM-dd"));
}

QString dayAndMinute(double dayCount) {
    return toDateTime(dayCount).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

QString dateAndTime(double dayCount) {
    const QDateTime t = toDateTime(dayCount);
    return QLocale().toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           t.time().toString(QStringLiteral("hh:mm:ss"));
}

} // namespace vantor::ui::notice_text

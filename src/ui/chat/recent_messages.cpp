#include "ui/chat/recent_messages.h"

#include "crypto/cipher.h"
#include "protocol/chat.h"
#include "protocol/datetime.h"

#include <cmath>

namespace vantor::ui {

std::vector<history::HistoryRecord> recentRecords(const history::StoreLocation& store, std::string_view key,
                                                  size_t count) {
    history::HistoryPage last = history::ReadHistoryPage(store, key, 0);
    if (!last.status.ok() || last.pageCount == 0) return {};
    std::vector<history::HistoryRecord> records;
    if (last.records.size() < count && last.page > 1) {
        history::HistoryPage before = history::ReadHistoryPage(store, key, last.page - 1);
        if (before.status.ok()) records = std::move(before.records);
    }
    records.insert(records.end(), std::make_move_iterator(last.records.begin()),
                   std::make_move_iterator(last.records.end()));
    if (records.size() > count) records.erase(records.begin(), records.end() - std::ptrdiff_t(count));
    return records;
}

RecordStamp recordStamp(const protocol::ChatMessage& m) {
    const protocol::LocalTime t = protocol::localFromDayCount(std::isfinite(m.sendTime) ? m.sendTime : 0);
    return {QStringLiteral("%1-%2-%3")
                .arg(t.year, 4, 10, QLatin1Char('0'))
                .arg(t.month, 2, 10, QLatin1Char('0'))
                .arg(t.day, 2, 10, QLatin1Char('0')),
            QStringLiteral("%1:%2:%3")
                .arg(t.hour, 2, 10, QLatin1Char('0'))
                .arg(t.minute, 2, 10, QLatin1Char('0'))
                .arg(t.second, 2, 10, QLatin1Char('0'))};
}

void showRecentMessages(DisplayBox& display, const std::vector<history::HistoryRecord>& records,
                        int32_t ownId, const std::function<QString(uint32_t)>& nameOf) {
    QString lastDate;
    for (const auto& r : records) {
        protocol::ChatMessage m;
        if (!protocol::ChatMessage::decodeHead(r.head, m)) continue;
        const auto [date, time] = recordStamp(m);
        if (date != lastDate) {
            display.appendColouredLine(QStringLiteral("以下记录日期：") + date, QColor(0x8F, 0x8F, 0x8F));
            lastDate = date;
        }
        QString name = nameOf ? nameOf(m.senderId) : QString();
        if (name.isEmpty()) name = QString::number(int32_t(m.senderId));
        const conversation::ChatFont font{m.fontName, m.fontColor, m.fontSize, m.bold,
                                          m.italic,   m.underline, m.strikeOut};
        display.appendMessage(name + QLatin1Char(' ') + time, int32_t(m.senderId) == ownId,
                              crypto::DesDecryptText(r.text), font, {.withError = true});
    }
}

} // namespace vantor::ui

#include "ui/history/history_pages.h"

#include "conversation/faces.h"
#include "conversation/richtext.h"
#include "crypto/cipher.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "protocol/wire.h"

#include <cmath>
#include <cstring>

namespace vantor::ui::historyview {

namespace {

constexpr size_t kKindOffset = 74;
constexpr size_t kServiceOffset = 75;

conversation::ChatFont fontOf(const uint8_t* head) {
    conversation::ChatFont f;
    const size_t n = std::min<size_t>(head[24], 20);
    f.name.assign(reinterpret_cast<const char*>(head + 25), n);
    f.color = wire::loadU32(head + 45);
    f.size = wire::loadU32(head + 49);
    f.bold = head[53] != 0;
    f.italic = head[54] != 0;
    f.underline = head[55] != 0;
    f.strikeOut = head[56] != 0;
    return f;
}

} // namespace

PageBar pageBarFor(int page, int pages) {
    PageBar bar;
    bar.page = page;
    bar.pages = pages;
    bar.first = bar.previous = page > 1;
    bar.next = bar.last = page != pages;
    bar.box = QString::number(page);
    bar.label = QStringLiteral("页/共%1页").arg(pages);
    return bar;
}

void renderPage(DisplayBox& view, const std::vector<history::HistoryRecord>& records,
                const RenderNames& names) {
    view.clear();
    QString lastDate;
    for (const auto& r : records) {
        if (r.head.size() < history::kRecordHeadSize) continue;
        const auto* head = reinterpret_cast<const uint8_t*>(r.head.data());
        double when = 0;
        std::memcpy(&when, head + 12, 8);
        const protocol::LocalTime t = protocol::localFromDayCount(std::isfinite(when) ? when : 0);
        const QString date = QStringLiteral("%1-%2-%3")
                                 .arg(t.year, 4, 10, QLatin1Char('0'))
                                 .arg(t.month, 2, 10, QLatin1Char('0'))
                                 .arg(t.day, 2, 10, QLatin1Char('0'));
        if (date != lastDate) {
            view.appendColouredLine(QStringLiteral("以下记录日期：") + date, Qt::red);
            lastDate = date;
        }
        const QString time = QStringLiteral("%1:%2:%3")
                                 .arg(t.hour, 2, 10, QLatin1Char('0'))
                                 .arg(t.minute, 2, 10, QLatin1Char('0'))
                                 .arg(t.second, 2, 10, QLatin1Char('0'));
        const auto sender = uint32_t(wire::loadU32(head + 4));
        QString header;
        if (head[kKindOffset] != 0 && head[kServiceOffset] != 0) {
            header = QStringLiteral("客服人员 ") + time;
        } else {
            QString name = names.nameOf ? names.nameOf(sender) : QString();
            if (name.isEmpty()) name = QString::number(int32_t(sender));
            header = name + QLatin1Char(' ') + time;
        }
        const bool own = int32_t(sender) == names.ownId;
        const std::string text = crypto::DesDecryptText(r.text);
        if (text.find("OpenFile_") != std::string::npos && text.find("OpenDir_") != std::string::npos) {
            view.appendColouredLine(header, own ? kOwnHeaderColour : kPeerHeaderColour);
            view.appendSystemLine(text);
            continue;
        }
        view.appendMessage(header, own, text, fontOf(head), {.withError = true});
    }
    view.moveCursor(QTextCursor::Start);
}

Qt::Edges resizeEdgesAt(QPoint p, QSize size) {
    const int w = size.width(), h = size.height();
    if (p.x() >= w - 15 && p.y() >= h - 15) return Qt::RightEdge | Qt::BottomEdge;
    Qt::Edges edges;
    if (p.x() < 8) edges |= Qt::LeftEdge;
    if (p.x() >= w - 8) edges |= Qt::RightEdge;
    if (p.y() < 5) edges |= Qt::TopEdge;
    if (p.y() >= h - 8) edges |= Qt::BottomEdge;
    return edges;
}

std::string readableText(std::string_view plain) {
    std::string out;
    for (const auto& s : conversation::splitPlainText(plain)) {
        switch (s.kind) {
        case conversation::Segment::Kind::Text:
            out += s.text;
            break;
        case conversation::Segment::Kind::Face:
            out += "[" + conversation::faceNameGbk(s.face) + "]";
            break;
        case conversation::Segment::Kind::Picture:
            out += protocol::toGbk("[图片]");
            break;
        }
    }
    return out;
}

} // namespace vantor::ui::historyview

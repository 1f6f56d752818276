#include "ui/history/history_pages.h"

#include "conversation/faces.h"
#include "conversation/richtext.h"
#include "crypto/cipher.h"
#include "protocol/chat.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "ui/chat/recent_messages.h"

#include <cmath>

namespace vantor::ui::historyview {

namespace {

conversation::ChatFont fontOf(const protocol::ChatMessage& m) {
    return conversation::ChatFont{m.fontName, m.fontColor, m.fontSize, m.bold,
                                  m.italic,   m.underline, m.strikeOut};
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
        protocol::ChatMessage m;
        if (!protocol::ChatMessage::decodeHead(r.head, m)) continue;
        const auto [date, time] = recordStamp(m);
        if (date != lastDate) {
            view.appendColouredLine(QStringLiteral("以下记录日期：") + date, Qt::red);
            lastDate = date;
        }
        const uint32_t sender = m.senderId;
        QString header;
        if (m.key.kind != 0 && m.key.serviceSide != 0) {
            header = QStringLiteral("客服人员 ") + time;
        } else {
            QString name = names.nameOf ? names.nameOf(sender) : QString();
            if (name.isEmpty()) name = QString::number(int32_t(sender));
            header = name + QLatin1Char(' ') + time;
        }
        const bool own = int32_t(sender) == names.ownId;
        const std::string text = crypto::DesDecryptText(r.text);
        // File links only in the notices this client wrote itself: a colleague's text that merely
        // looks like one stays text.
        if (history::IsOwnNotice(r.head) && text.find("OpenFile_") != std::string::npos &&
            text.find("OpenDir_") != std::string::npos) {
            view.appendColouredLine(header, own ? kOwnHeaderColour : kPeerHeaderColour);
            view.appendSystemLine(text);
            continue;
        }
        view.appendMessage(header, own, text, fontOf(m), {.withError = true});
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

// The history viewer's page bar and how one page of records is drawn: date lines, headers in the
// sender's colour, texts in their fonts with faces and pictures, file notices with their links.
#pragma once

#include "history/message_store.h"
#include "ui/chat/display_box.h"

#include <QString>

#include <functional>
#include <vector>

namespace vantor::ui::historyview {

inline constexpr int kMinWidth = 600;
inline constexpr int kMinHeight = 500;

struct PageBar {
    int page = 0, pages = 0;
    bool first = false, previous = false, next = false, last = false; // "<<", "<", ">", ">>"
    QString box = QStringLiteral("1");
    QString label = QStringLiteral("页");
};

// The bar after page `page` of `pages` was shown.
PageBar pageBarFor(int page, int pages);

struct RenderNames {
    int32_t ownId = 0;
    std::function<QString(uint32_t userId)> nameOf; // empty: the decimal id is shown
};

// Clears the view and draws the records of one page in order.
void renderPage(DisplayBox& view, const std::vector<history::HistoryRecord>& records,
                const RenderNames& names);

// Which borders of a window of `size` resize it at `pos`: 8 pixels at the sides and the bottom, 5
// at the top, and a 15-pixel corner at the bottom right.
Qt::Edges resizeEdgesAt(QPoint pos, QSize size);

// A deciphered text with faces as "[name]" and pictures as "[图片]" (GBK), for exports.
std::string readableText(std::string_view plainGbk);

} // namespace vantor::ui::historyview

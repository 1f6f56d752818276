// A conversation window that opens shows the last few stored messages of the conversation, under
// a date line, before anything new arrives (so that the display does not start empty).
#pragma once

#include "history/message_store.h"
#include "protocol/chat.h"
#include "ui/chat/display_box.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace vantor::ui {

inline constexpr size_t kRecentMessages = 5;

// The day ("2026-12-10") and the time ("09:05:00") a stored message was sent, as the record lines of
// the conversation window and the history viewer show them.
struct RecordStamp {
    QString date;
    QString time;
};
RecordStamp recordStamp(const protocol::ChatMessage& m);

// The last `count` records of a conversation's store (from the last two pages), oldest first.
std::vector<history::HistoryRecord> recentRecords(const history::StoreLocation& store, std::string_view key,
                                                  size_t count = kRecentMessages);

// Appends them to the display, each day under a grey "以下记录日期：" line, headers and fonts as the
// conversation shows them. `nameOf` names a sender (empty: the id).
void showRecentMessages(DisplayBox& display, const std::vector<history::HistoryRecord>& records,
                        int32_t ownId, const std::function<QString(uint32_t)>& nameOf);

} // namespace vantor::ui

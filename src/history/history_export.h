// A conversation of the message store written out for people to read: as plain text or as an
// HTML page, in UTF-8, with the date lines and headers of the history viewer. File notices are
// written as their shown texts; face codes and picture placeholders stay as they are unless a
// text filter turns them into something readable (the conversation layer has one that writes
// faces as their names). Everything from the store is escaped in HTML.
//
//   std::ofstream out("zhang.html");
//   ExportConversation(location, "205", ExportFormat::Html, out, {.nameOf = nameOf});
#pragma once

#include "history/message_store.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace vantor::history {

enum class ExportFormat { Text, Html };

// A colleague's display name (GBK) by user id; empty when unknown (the id is written instead).
using NameOf = std::function<std::string(int32_t userId)>;

struct ExportStats {
    StoreStatus status;
    uint64_t records = 0;
    uint64_t unreadable = 0;
};

// A record's deciphered text (GBK) made readable (GBK), e.g. faces as their names.
using TextFilter = std::function<std::string(std::string_view plainGbk)>;

struct ExportOptions {
    NameOf nameOf;     // none: senders as their ids
    TextFilter filter; // none: the text as stored
    std::string title; // GBK; heads the page (empty: the key)
};

// Writes every record of conversation `key`, oldest first.
ExportStats ExportConversation(const StoreLocation& store, std::string_view key, ExportFormat format,
                               std::ostream& out, const ExportOptions& options = {});

// Action links ("OpenFile_<argument><shown>") reduced to their shown text (GBK in and out).
std::string ShownTextOfLinks(std::string_view gbk);

} // namespace vantor::history

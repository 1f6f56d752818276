#include "history/history_export.h"

#include "crypto/cipher.h"
#include "history/history_search.h"
#include "protocol/chat.h"
#include "protocol/datetime.h"
#include "protocol/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantor::history {

namespace {

std::string utf8(std::string_view gbk) {
    return protocol::fromGbk(gbk);
}

std::string escapeHtml(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescapeLink(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const std::string_view code = s.substr(i, 3);
            if (code == "%25" || code == "%3C" || code == "%3E") {
                out += code == "%25" ? '%' : code == "%3C" ? '<' : '>';
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::string dateText(const protocol::LocalTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year % 10000, t.month % 100, t.day % 100);
    return buf;
}

std::string timeText(const protocol::LocalTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour % 100, t.minute % 100, t.second % 100);
    return buf;
}

} // namespace

std::string ShownTextOfLinks(std::string_view s) {
    static constexpr std::string_view kActions[] = {"OpenFile_", "OpenDir_", "RHAccept_", "RHDecline_"};
    std::string out;
    size_t pos = 0;
    while (pos < s.size()) {
        size_t next = std::string_view::npos;
        for (std::string_view a : kActions)
            next = std::min(next, s.find(a, pos));
        if (next == std::string_view::npos) break;
        const size_t open = s.find('<', next);
        const size_t close = open == std::string_view::npos ? open : s.find('>', open);
        if (close == std::string_view::npos) break;
        out.append(s.substr(pos, next - pos));
        out += unescapeLink(s.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
    out.append(s.substr(std::min(pos, s.size())));
    return out;
}

ExportStats ExportConversation(const StoreLocation& store, std::string_view key, ExportFormat format,
                               std::ostream& out, const ExportOptions& options) {
    ExportStats stats;
    const std::string title = utf8(options.title.empty() ? std::string(key) : options.title);
    const bool html = format == ExportFormat::Html;
    if (html)
        out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" << escapeHtml(title)
            << "</title></head>\n<body style=\"font-family: sans-serif; font-size: 10pt\">\n<h3>"
            << escapeHtml(title) << "</h3>\n";
    else
        out << title << "\n\n";

    std::string lastDate;
    const SearchStats read = ReadAllRecords(store, key, [&](const HistoryRecord& r) {
        protocol::ChatMessage m;
        if (!protocol::ChatMessage::decodeHead(r.head, m)) return;
        const auto sender = int32_t(m.senderId);
        const protocol::LocalTime t = protocol::localFromDayCount(std::isfinite(m.sendTime) ? m.sendTime : 0);
        const std::string date = dateText(t);
        if (date != lastDate) {
            lastDate = date;
            const std::string line = "以下记录日期：" + date;
            if (html)
                out << "<p style=\"color: #ff0000\">" << line << "</p>\n";
            else
                out << line << "\n";
        }
        const bool service = m.key.kind != 0 && m.key.serviceSide != 0;
        std::string name;
        if (service)
            name = "客服人员";
        else {
            const std::string known = options.nameOf ? options.nameOf(sender) : std::string();
            name = known.empty() ? std::to_string(sender) : utf8(known);
        }
        const bool own = sender == store.accountId;
        std::string text = crypto::DesDecryptText(r.text);
        text = ShownTextOfLinks(options.filter ? options.filter(text) : text);
        const std::string body = utf8(text);
        if (html) {
            out << "<div><span style=\"color: " << (own ? "#008000" : "#375a7c") << "\">" << escapeHtml(name)
                << ' ' << timeText(t) << "</span><br>\n<span style=\"white-space: pre-wrap\">"
                << escapeHtml(body) << "</span></div>\n";
        } else {
            out << name << ' ' << timeText(t) << "\n" << body << "\n";
        }
    });
    stats.status = read.status;
    stats.records = read.records;
    stats.unreadable = read.unreadable;
    if (html) out << "</body></html>\n";
    if (stats.status.ok() && !out) stats.status = {StoreError::Io, "the output could not be written"};
    return stats;
}

} // namespace vantor::history

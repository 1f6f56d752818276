#include "lists/reminder_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vantor::lists {

namespace {

// A length byte followed by up to `capacity` bytes at `offset`.
std::string textField(std::string_view body, size_t offset, size_t capacity) {
    const size_t n = std::min<size_t>(uint8_t(body[offset]), capacity);
    return std::string(body.substr(offset + 1, n));
}

} // namespace

std::optional<Reminder> decodeReminder(std::string_view body) {
    if (body.size() < Reminder::kSize) return std::nullopt;
    Reminder r;
    r.itemGuid = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(body.data() + 4));
    r.categoryKey = textField(body, 24, 30);
    r.source = textField(body, 55, 30);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | uint8_t(body[117 + size_t(i)]);
    std::memcpy(&r.itemTime, &bits, sizeof bits);
    r.text = textField(body, 133, 255);
    r.link = textField(body, 389, 255);
    return r;
}

std::string Reminder::sourceText() const {
    return "[" + source + "] ";
}

std::string Reminder::shownText() const {
    return wire::cutText(text, kTextCut);
}

std::string Reminder::hint() const {
    return text.size() > kTextCut ? text : std::string();
}

std::string Reminder::readRecord() const {
    std::string out(47, '\0');
    const size_t n = std::min<size_t>(categoryKey.size(), 30);
    out[0] = char(n);
    std::memcpy(out.data() + 1, categoryKey.data(), n);
    const auto guid = itemGuid.toBytes();
    std::memcpy(out.data() + 31, guid.data(), guid.size());
    return out;
}

bool linkMayOpen(std::string_view link) {
    auto startsWith = [&](std::string_view prefix) {
        if (link.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i)
            if (char(std::tolower(uint8_t(link[i]))) != prefix[i]) return false;
        return true;
    };
    // No control characters or spaces that the shell or a browser would cut the link at.
    for (const char c : link)
        if (uint8_t(c) <= 0x20 || c == 0x7F) return false;
    for (const std::string_view scheme : {"http://", "https://", "mailto:"})
        if (startsWith(scheme)) return link.size() > scheme.size();
    return false;
}

bool ReminderList::AddItem(std::string_view record) {
    auto r = decodeReminder(record);
    if (!r) return false;
    items_.insert(items_.begin(), std::move(*r));
    return true;
}

size_t ReminderList::RemoveItems(wire::Guid itemGuid) {
    const auto before = items_.size();
    std::erase_if(items_, [&](const Reminder& r) { return r.itemGuid == itemGuid; });
    return before - items_.size();
}

} // namespace vantor::lists

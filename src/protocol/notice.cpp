#include "protocol/notice.h"

#include <cctype>

namespace vantor::protocol {

namespace {

bool takeEntries(std::string_view& rest, uint32_t count, std::vector<AttachmentEntry>& out) {
    if (count > kMaxNoticeAttachments || rest.size() / AttachmentEntry::kSize < count) return false;
    out.resize(count);
    for (auto& e : out) {
        wire::decode(rest.substr(0, AttachmentEntry::kSize), e);
        rest.remove_prefix(AttachmentEntry::kSize);
    }
    return true;
}

void putEntries(std::string& s, const std::vector<AttachmentEntry>& entries) {
    for (const auto& e : entries)
        s += wire::encode(e);
}

} // namespace

std::optional<NoticeContent> decodeNoticeContent(std::string_view body) {
    NoticeContent c;
    if (!wire::decode(body, c.head)) return std::nullopt;
    std::string_view rest = body.substr(NoticeHead::kSize);
    if (c.head.restLength != rest.size()) return std::nullopt;
    if (c.head.recipientCount > kMaxNoticeRecipients || rest.size() / 4 < c.head.recipientCount)
        return std::nullopt;
    c.recipients.resize(c.head.recipientCount);
    for (auto& id : c.recipients) {
        id = wire::loadU32(rest.data());
        rest.remove_prefix(4);
    }
    if (c.head.textLength > kMaxNoticeText || rest.size() < c.head.textLength) return std::nullopt;
    c.text.assign(rest.substr(0, c.head.textLength));
    rest.remove_prefix(c.head.textLength);
    if (!takeEntries(rest, c.head.attachmentCount, c.attachments) || !rest.empty()) return std::nullopt;
    return c;
}

std::string encodeNoticeContent(const NoticeContent& c) {
    NoticeHead h = c.head;
    h.recipientCount = uint32_t(c.recipients.size());
    h.textLength = uint32_t(c.text.size());
    h.attachmentCount = uint32_t(c.attachments.size());
    h.restLength = 4ull * c.recipients.size() + c.text.size() + AttachmentEntry::kSize * c.attachments.size();
    std::string s = wire::encode(h);
    for (uint32_t id : c.recipients) {
        char b[4];
        wire::storeU32(b, id);
        s.append(b, 4);
    }
    s += c.text;
    putEntries(s, c.attachments);
    return s;
}

std::optional<NoticeContent> decodeSpreadsheetContent(std::string_view body) {
    NoticeContent c;
    if (!wire::decode(body, c.head)) return std::nullopt;
    std::string_view rest = body.substr(NoticeHead::kSize);
    if (c.head.restLength != rest.size()) return std::nullopt;
    if (!takeEntries(rest, c.head.attachmentCount, c.attachments)) return std::nullopt;
    if (c.head.textLength > kMaxNoticeText || rest.size() != c.head.textLength) return std::nullopt;
    c.text.assign(rest);
    return c;
}

std::string encodeSpreadsheetContent(const NoticeContent& c) {
    NoticeHead h = c.head;
    h.recipientCount = 0;
    h.textLength = uint32_t(c.text.size());
    h.attachmentCount = uint32_t(c.attachments.size());
    h.restLength = AttachmentEntry::kSize * c.attachments.size() + c.text.size();
    std::string s = wire::encode(h);
    putEntries(s, c.attachments);
    s += c.text;
    return s;
}

std::optional<uint64_t> postRestLength(uint32_t recipients, uint32_t textLength,
                                       const std::vector<uint64_t>& fileSizes) {
    uint64_t total = 4ull * recipients + textLength;
    for (uint64_t size : fileSizes) {
        if (size > UINT64_MAX - kAttachmentOverhead || total > UINT64_MAX - kAttachmentOverhead - size)
            return std::nullopt;
        total += kAttachmentOverhead + size;
    }
    return total;
}

std::string attachmentCacheName(const wire::Guid& attachmentGuid, std::string_view fileName) {
    std::string name = attachmentGuid.toString();
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return name;
    std::string ext;
    for (char ch : fileName.substr(dot + 1))
        ext.push_back(char(std::tolower(static_cast<unsigned char>(ch))));
    if (ext.empty() || ext.size() > 10) return name;
    for (char ch : ext)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'))) return name;
    return name + "." + ext;
}

} // namespace vantor::protocol

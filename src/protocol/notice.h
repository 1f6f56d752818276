// The records of internal notices: the 367-byte head of every notice stream with its 64-bit rest
// length, attachment entries and blocks, the list, search, open, read, receipt, read-log, delete,
// attachment and wall-screen records, and the rows of a spreadsheet notice. Sizes of files and
// streams are 64-bit everywhere; every count is bounded by the caps below before anything is
// allocated for it.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::protocol {

inline constexpr uint8_t kNoticeOrdinary = 0;
inline constexpr uint8_t kNoticeSpreadsheet = 1;

// Bounds on what one notice may carry (larger values are refused, never allocated).
inline constexpr uint32_t kMaxNoticeRecipients = 100000;
inline constexpr uint32_t kMaxNoticeText = 16u << 20;
inline constexpr uint32_t kMaxNoticeAttachments = 256;
inline constexpr uint32_t kMaxNoticeRows = 100000;
inline constexpr uint64_t kMaxNoticeRowText = 1u << 20;

struct NoticeHead {
    static constexpr size_t kSize = 367;
    uint64_t restLength = 0;
    wire::Guid noticeGuid;
    uint32_t senderId = 0;
    std::string senderName;   // text[40]
    std::string senderPrefix; // text[49]
    uint8_t noticeKind = kNoticeOrdinary;
    double sendTime = 0;
    double screenEndDate = 0;
    std::string screenNames; // text[150]
    std::string title;       // text[60]
    uint8_t smsUnread = 0;
    uint8_t smsDelayMinutes = 0;
    uint32_t recipientCount = 0;
    uint32_t textLength = 0;
    uint32_t attachmentCount = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u64(r.restLength);
        io.guid(r.noticeGuid);
        io.u32(r.senderId);
        io.text(40, r.senderName);
        io.text(49, r.senderPrefix);
        io.u8(r.noticeKind);
        io.f64(r.sendTime);
        io.f64(r.screenEndDate);
        io.text(150, r.screenNames);
        io.text(60, r.title);
        io.skip(1);
        io.u8(r.smsUnread);
        io.u8(r.smsDelayMinutes);
        io.u32(r.recipientCount);
        io.u32(r.textLength);
        io.u32(r.attachmentCount);
        io.skip(4);
    }
};

struct AttachmentEntry {
    static constexpr size_t kSize = 271;
    std::string fileName; // text[254]
    wire::Guid attachmentGuid;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.text(254, r.fileName);
        io.guid(r.attachmentGuid);
    }
};

// In front of each file's data in a posted notice: the entry again, then the 64-bit size.
struct AttachmentBlockHead {
    static constexpr size_t kSize = 279;
    AttachmentEntry entry;
    uint64_t fileSize = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        AttachmentEntry::layout(io, r.entry);
        io.u64(r.fileSize);
    }
};
// What one attachment adds to a posted notice besides its data: its entry and its block head.
inline constexpr uint64_t kAttachmentOverhead = AttachmentEntry::kSize + AttachmentBlockHead::kSize; // 550

struct NoticeListItem {
    static constexpr size_t kSize = 135;
    wire::Guid noticeGuid;
    uint32_t senderId = 0;
    std::string senderName; // text[40]
    double sendTime = 0;
    uint32_t noticeNumber = 0;
    std::string title; // text[60]
    uint8_t isRead = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.noticeGuid);
        io.u32(r.senderId);
        io.text(40, r.senderName);
        io.f64(r.sendTime);
        io.u32(r.noticeNumber);
        io.text(60, r.title);
        io.u8(r.isRead);
    }
};

// CmdNoticeSearch both ways; the reply is followed by `count` list items.
struct NoticeSearch {
    static constexpr size_t kSize = 59;
    static constexpr uint32_t kMaxItems = 10000;
    std::string keyword; // text[50]; empty = all
    uint32_t userId = 0;
    uint32_t count = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.text(50, r.keyword);
        io.u32(r.userId);
        io.u32(r.count);
    }
};

struct NoticeOpen {
    static constexpr size_t kSize = 24;
    uint32_t userId = 0;
    uint32_t noticeNumber = 0;
    wire::Guid noticeGuid;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.u32(r.noticeNumber);
        io.guid(r.noticeGuid);
    }
};

// CmdNoticeRead from the client: this user has read the notice.
struct NoticeRead {
    static constexpr size_t kSize = 36;
    uint32_t senderId = 0;
    uint32_t noticeNumber = 0;
    uint32_t userId = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.senderId);
        io.skip(16);
        io.u32(r.noticeNumber);
        io.u32(r.userId);
        io.skip(8);
    }
};

// CmdNoticeRead from the server, to the sender: who read which notice, and when.
struct NoticeReceipt {
    static constexpr size_t kSize = 36;
    wire::Guid noticeGuid;
    uint32_t readerId = 0;
    double readTime = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.skip(4);
        io.guid(r.noticeGuid);
        io.skip(4);
        io.u32(r.readerId);
        io.f64(r.readTime);
    }
};

// CmdNoticeDelete and the CmdNoticeReadLog request.
struct NoticeGuidRecord {
    static constexpr size_t kSize = 16;
    wire::Guid noticeGuid;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.noticeGuid);
    }
};

// The CmdNoticeReadLog reply: this head, then `count` items.
struct ReadLogHead {
    static constexpr size_t kSize = 20;
    static constexpr uint32_t kMaxItems = kMaxNoticeRecipients;
    wire::Guid noticeGuid;
    uint32_t count = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.noticeGuid);
        io.u32(r.count);
    }
};

struct ReadLogItem {
    static constexpr size_t kSize = 84;
    int32_t userId = 0; // 0 or less: not in the user list, the name says who
    std::string name;   // text[70]
    double readTime = 0;
    uint8_t hasRead = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.i32(r.userId);
        io.text(70, r.name);
        io.f64(r.readTime);
        io.u8(r.hasRead);
    }
};

// CmdNoticeAttachment both ways; the reply is followed by fileSize bytes of the file.
struct AttachmentRequest {
    static constexpr size_t kSize = 280;
    wire::Guid attachmentGuid;
    std::string fileName; // text[255]
    uint64_t fileSize = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.attachmentGuid);
        io.text(255, r.fileName);
        io.u64(r.fileSize);
    }
};

// A spreadsheet row: who gets it and the length of its own text, which follows the record.
struct RowRecord {
    static constexpr size_t kSize = 104;
    std::string account; // text[20]
    std::string name;    // text[70]
    uint64_t textLength = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.skip(4);
        io.text(20, r.account);
        io.text(70, r.name);
        io.u64(r.textLength);
    }
};

// A wall screen of the CmdScreenList reply; the whole record is kept, only the name is used.
struct ScreenRecord {
    static constexpr size_t kSize = 381;
    static constexpr uint32_t kMaxItems = 10000;
    wire::Guid screenGuid;
    std::string screenName; // text[30]
    std::string raw;        // the whole record as received

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.screenGuid);
        io.text(30, r.screenName);
        io.skip(kSize - 16 - 31);
    }
};

// The parts of a notice stream after its head, read from a contiguous body (the content a
// recipient gets, or a whole small post). Every count is checked against the bytes there are
// before anything is allocated for it.
struct NoticeContent {
    NoticeHead head;
    std::vector<uint32_t> recipients;
    std::string text;
    std::vector<AttachmentEntry> attachments;
};
// CmdNoticeContent: head, recipient ids, the body, the entries.
std::optional<NoticeContent> decodeNoticeContent(std::string_view body);
std::string encodeNoticeContent(const NoticeContent& c);
// CmdExcelNotice as a recipient gets it: head, the entries, then the plain-text body.
std::optional<NoticeContent> decodeSpreadsheetContent(std::string_view body);
std::string encodeSpreadsheetContent(const NoticeContent& c);

// The rest length of a posted ordinary notice with attachments of these sizes; nullopt when it
// would overflow.
std::optional<uint64_t> postRestLength(uint32_t recipients, uint32_t textLength,
                                       const std::vector<uint64_t>& fileSizes);

// An attachment's name in the cache: the braced GUID and the file's extension in lower case,
// when that extension is 1 to 10 of [a-z0-9] (anything else: the GUID alone).
std::string attachmentCacheName(const wire::Guid& attachmentGuid, std::string_view fileName);

} // namespace vantor::protocol

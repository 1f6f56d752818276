// The per-account message store: every chat record the client sends or receives, appended per
// conversation partner to <History folder>/MsgDB.Dat (a compound file) and read back a page of
// 100 records at a time. Each call opens the file under an exclusive lock and closes it again,
// because the history migration program may open the same file between two calls.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::history {

inline constexpr size_t kRecordHeadSize = 88;
inline constexpr size_t kMaxRecordText = 1000;
inline constexpr size_t kIndexEntrySize = 12;
inline constexpr int32_t kRecordsPerPage = 100;
inline constexpr const char* kStoreFileName = "MsgDB.Dat";

enum class StoreError {
    None,
    BadRecord,      // shorter than its head, or a text length outside 0..1000
    BadKey,         // not a conversation key
    NotFound,       // nothing to delete
    PageOutOfRange, // the page number is above the page count or below 0: nothing changes
    NotCompound,    // MsgDB.Dat is some other kind of file; it is left alone
    Corrupt,        // the store's structures are damaged
    Locked,         // another program has the store open
    NoSpace,
    AccessDenied,
    Io,
};

struct StoreStatus {
    StoreError error = StoreError::None;
    std::string reason; // a short technical reason, for logs; the caller words the system line
    bool ok() const { return error == StoreError::None; }
};

struct StoreLocation {
    std::filesystem::path historyFolder; // the account's History folder
    int32_t accountId = 0;               // the signed-in user
    bool durable = true;                 // flush to disk before a store call returns
};

// The conversation a record belongs to: for a group record (non-zero kind at head offset 74) the
// group identifier as 32 upper-case hex digits without the last two; otherwise the decimal id of
// the other party (the sender when we received it, else the receiver). `head` holds >= 88 bytes.
std::string ConversationKeyOf(std::string_view head, int32_t ownId);
std::string OneToOneKey(int32_t partnerId);
std::string GroupKey(const wire::Guid& group);

// Appends one record (the 88-byte head, then as many enciphered text bytes as head offset 8
// says; bytes after those are ignored) to its conversation's data and index streams.
StoreStatus StoreMessageRecord(const StoreLocation& store, std::string_view record);

// A record waiting to be stored; `ownNotice` only for BuildNoticeRecord's records.
struct PendingRecord {
    std::string bytes;
    bool ownNotice = false;
};

// Appends several records in order under one open, lock and commit: one pair of flushes for all of
// them. One status per record: a record that is not one fails alone; when the file fails, every
// other record of the call is reported failed (some of them may have been stored all the same).
std::vector<StoreStatus> StoreMessageRecords(const StoreLocation& store,
                                             std::span<const PendingRecord> records);

struct HistoryRecord {
    std::string head; // 88 bytes
    std::string text; // the enciphered text
};

struct HistoryPage {
    StoreStatus status;
    int32_t pageCount = 0; // 0: no history with this partner
    int32_t page = 0;      // the page returned (page 0 asks for the last one)
    std::vector<HistoryRecord> records;
    int32_t unreadable = 0; // records of the page that the data stream does not hold whole
};

// Page `page` (1-based; 0 = the last page) of a conversation, oldest record first.
HistoryPage ReadHistoryPage(const StoreLocation& store, std::string_view key, int32_t page);

// Removes both streams of a conversation (the index stream first).
StoreStatus DeleteConversation(const StoreLocation& store, std::string_view key);

// Notices this client wrote itself carry kNoticeMark in the head bytes 84..87: the last four bytes
// of the conversation key, which no reader of the store interprets. Only a marked record may show
// file links ("OpenFile_", "OpenDir_"); StoreMessageRecord clears those bytes, so a chat record —
// whoever wrote its bytes — never carries the mark.
inline constexpr size_t kNoticeMarkOffset = 84;
inline constexpr std::string_view kNoticeMark = "VNtc";
// True when a record head (88 bytes or more) carries the mark.
bool IsOwnNotice(std::string_view head);

// A file-transfer notice as a record: the ids (also at head offsets 76 and 80), the time, font
// "微软雅黑" 9 pt black, no group, the notice mark, and the text enciphered and cut to 1000
// bytes. `now` is a day count. Throws crypto::CipherError for a text whose last byte is zero.
std::string BuildNoticeRecord(int32_t senderId, int32_t receiverId, std::string_view text, double now);
// Stores BuildNoticeRecord's record with its mark (the only way a marked record enters the store).
StoreStatus StoreNoticeRecord(const StoreLocation& store, int32_t senderId, int32_t receiverId,
                              std::string_view text, double now);

} // namespace vantor::history

// The message store over the compound-file engine: one storage "<account id>Data", and per
// conversation a data stream "<key>d" (records back to back) and an index stream "<key>i"
// (12 bytes per record: 64-bit offset, 32-bit text length).
#include "history/message_store.h"

#include "crypto/cipher.h"
#include "history/compound_file.h"
#include "protocol/chat.h"

#include <algorithm>
#include <map>
#include <new>
#include <system_error>

namespace vantor::history {

using cfb::CompoundFile;
using cfb::EntryId;
using cfb::Error;
using cfb::Failure;

namespace {

constexpr size_t kGroupKindOffset = 74;
constexpr size_t kGroupIdOffset = 58;
constexpr size_t kTextLengthOffset = 8;
constexpr size_t kGroupKeyLength = 30;
// The widest span a page of well-formed records can cover.
constexpr uint64_t kPageSpan = uint64_t(kRecordsPerPage) * (kRecordHeadSize + kMaxRecordText);

struct IndexEntry {
    uint64_t offset = 0;
    uint32_t length = 0;
};

StoreStatus statusOf(const Failure& f) {
    switch (f.error()) {
    case Error::NotCompound:
    case Error::Unsupported:
        return {StoreError::NotCompound, std::string("not a message store, left alone: ") + f.what()};
    case Error::Locked:
        return {StoreError::Locked, f.what()};
    case Error::NoSpace:
        return {StoreError::NoSpace, f.what()};
    case Error::AccessDenied:
        return {StoreError::AccessDenied, f.what()};
    case Error::Corrupt:
    case Error::TooLarge:
    case Error::Exists:
    case Error::InvalidName:
        return {StoreError::Corrupt, f.what()};
    case Error::NotFound:
        return {StoreError::NotFound, f.what()};
    case Error::Io:
        break;
    }
    return {StoreError::Io, f.what()};
}

CompoundFile::Options optionsOf(const StoreLocation& store) {
    return {.durable = store.durable, .lock = true};
}

std::filesystem::path storePath(const StoreLocation& store) {
    return store.historyFolder / kStoreFileName;
}

std::u16string storageName(int32_t accountId) {
    return cfb::asciiName(std::to_string(accountId) + "Data");
}

bool validKey(std::string_view key) {
    if (key.size() == kGroupKeyLength)
        return std::all_of(key.begin(), key.end(),
                           [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
    std::string_view digits = !key.empty() && key.front() == '-' ? key.substr(1) : key;
    if (digits.empty() || digits.size() > 10) return false;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    return OneToOneKey(int32_t(std::stoll(std::string(key)))) == key;
}

// The named stream, if the element exists and is a stream.
std::optional<EntryId> findStream(CompoundFile& file, EntryId storage, const std::string& name) {
    std::optional<EntryId> id = file.find(storage, cfb::asciiName(name));
    if (id && file.typeOf(*id) != cfb::EntryType::Stream) return std::nullopt;
    return id;
}

EntryId openOrCreateStream(CompoundFile& file, EntryId storage, const std::string& name) {
    std::optional<EntryId> id = file.find(storage, cfb::asciiName(name));
    if (!id) return file.createStream(storage, cfb::asciiName(name));
    if (file.typeOf(*id) != cfb::EntryType::Stream) cfb::fail(Error::Corrupt, name + " is not a stream");
    return *id;
}

CompoundFile openForWriting(const StoreLocation& store) {
    for (int attempt = 0;; ++attempt) {
        try {
            return CompoundFile::open(storePath(store), CompoundFile::Access::Write, optionsOf(store));
        } catch (const Failure& f) {
            if (f.error() != Error::NotFound || attempt > 0) throw;
        }
        try {
            CompoundFile::create(storePath(store), optionsOf(store));
        } catch (const Failure& f) {
            if (f.error() != Error::Exists) throw; // created by someone else meanwhile: open theirs
        }
    }
}

IndexEntry readIndexEntry(CompoundFile& file, EntryId index, uint64_t n) {
    uint8_t bytes[kIndexEntrySize];
    if (file.read(index, n * kIndexEntrySize, bytes) != kIndexEntrySize)
        cfb::fail(Error::Corrupt, "short index entry");
    return {cfb::get64(bytes), cfb::get32(bytes + 8)};
}

bool holds(const IndexEntry& e, uint64_t dataSize) {
    return e.length <= kMaxRecordText && e.offset <= dataSize &&
           dataSize - e.offset >= kRecordHeadSize + e.length;
}

// Before an append, makes the two streams agree again after a call that died half way: index
// entries whose record never fully arrived are dropped, then data past the last record is cut.
// Returns where the next record starts.
uint64_t reconcile(CompoundFile& file, EntryId data, EntryId index) {
    const uint64_t dataSize = file.streamSize(data);
    const uint64_t indexSize = file.streamSize(index);
    uint64_t count = indexSize / kIndexEntrySize;
    uint64_t end = 0;
    for (uint64_t dropped = 0; count > 0; --count, ++dropped) {
        if (dropped == uint64_t(kRecordsPerPage))
            cfb::fail(Error::Corrupt, "the index does not match the data");
        IndexEntry last = readIndexEntry(file, index, count - 1);
        if (holds(last, dataSize)) {
            end = last.offset + kRecordHeadSize + last.length;
            break;
        }
    }
    if (indexSize != count * kIndexEntrySize) file.truncate(index, count * kIndexEntrySize);
    if (dataSize > end) file.truncate(data, end);
    return end;
}

template <class F>
StoreStatus guarded(F&& body) {
    try {
        body();
        return {};
    } catch (const Failure& f) {
        return statusOf(f);
    } catch (const std::bad_alloc&) {
        return {StoreError::Io, "out of memory"};
    }
}

} // namespace

std::string OneToOneKey(int32_t partnerId) {
    return std::to_string(partnerId);
}

std::string GroupKey(const wire::Guid& group) {
    return group.toHex().substr(0, kGroupKeyLength);
}

std::string ConversationKeyOf(std::string_view head, int32_t ownId) {
    const auto* p = reinterpret_cast<const uint8_t*>(head.data());
    if (p[kGroupKindOffset] != 0) return GroupKey(wire::Guid::fromBytes(p + kGroupIdOffset));
    const auto receiver = int32_t(wire::loadU32(p));
    const auto sender = int32_t(wire::loadU32(p + 4));
    return OneToOneKey(receiver == ownId ? sender : receiver);
}

namespace {

// The record's bytes as stored (head and text, the notice mark set or cleared), or why it is none.
StoreStatus prepareRecord(std::string_view record, bool ownNotice, std::string& bytes) {
    if (record.size() < kRecordHeadSize) return {StoreError::BadRecord, "shorter than a record head"};
    const uint32_t length = wire::loadU32(record.data() + kTextLengthOffset);
    if (length > kMaxRecordText || record.size() < kRecordHeadSize + length)
        return {StoreError::BadRecord, "text length outside the record"};
    // The notice mark only on the client's own notices: a chat record's bytes there are cleared.
    bytes.assign(record.substr(0, kRecordHeadSize + length));
    std::fill_n(bytes.begin() + kNoticeMarkOffset, kNoticeMark.size(), '\0');
    if (ownNotice) bytes.replace(kNoticeMarkOffset, kNoticeMark.size(), kNoticeMark);
    return {};
}

StoreStatus makeFolder(const StoreLocation& store) {
    std::error_code ec;
    if (std::filesystem::create_directories(store.historyFolder, ec))
        std::filesystem::permissions(store.historyFolder, std::filesystem::perms::owner_all, ec);
    if (ec)
        return {ec == std::errc::permission_denied ? StoreError::AccessDenied : StoreError::Io, ec.message()};
    return {};
}

// A conversation's two streams as one call found them, and where its next record starts.
struct Appender {
    EntryId data = 0, index = 0;
    uint64_t end = 0;
};

// Appends prepared records under one open and one commit. Each record's conversation is made
// consistent once (reconcile) before its first record of the call goes in.
void appendAll(const StoreLocation& store, const std::vector<const std::string*>& records) {
    CompoundFile file = openForWriting(store);
    std::optional<EntryId> storage = file.find(cfb::kRootEntry, storageName(store.accountId));
    if (!storage) storage = file.createStorage(cfb::kRootEntry, storageName(store.accountId));
    if (file.typeOf(*storage) != cfb::EntryType::Storage)
        cfb::fail(Error::Corrupt, "the account element is not a storage");
    std::map<std::string, Appender> open;
    for (const std::string* record : records) {
        const std::string key = ConversationKeyOf(*record, store.accountId);
        auto it = open.find(key);
        if (it == open.end()) {
            Appender a;
            a.data = openOrCreateStream(file, *storage, key + "d");
            a.index = openOrCreateStream(file, *storage, key + "i");
            a.end = reconcile(file, a.data, a.index);
            it = open.emplace(key, a).first;
        }
        Appender& a = it->second;
        uint8_t entry[kIndexEntrySize];
        cfb::put64(entry, a.end);
        cfb::put32(entry + 8, uint32_t(record->size() - kRecordHeadSize));
        file.append(a.data, std::span(reinterpret_cast<const uint8_t*>(record->data()), record->size()));
        file.append(a.index, entry);
        a.end += record->size();
    }
    file.commit();
}

StoreStatus storeRecord(const StoreLocation& store, std::string_view record, bool ownNotice) {
    std::string bytes;
    if (StoreStatus s = prepareRecord(record, ownNotice, bytes); !s.ok()) return s;
    if (StoreStatus s = makeFolder(store); !s.ok()) return s;
    return guarded([&] { appendAll(store, {&bytes}); });
}

} // namespace

bool IsOwnNotice(std::string_view head) {
    return head.size() >= kNoticeMarkOffset + kNoticeMark.size() &&
           head.substr(kNoticeMarkOffset, kNoticeMark.size()) == kNoticeMark;
}

StoreStatus StoreMessageRecord(const StoreLocation& store, std::string_view record) {
    return storeRecord(store, record, false);
}

std::vector<StoreStatus> StoreMessageRecords(const StoreLocation& store,
                                             std::span<const PendingRecord> records) {
    std::vector<StoreStatus> statuses(records.size());
    std::vector<std::string> bytes(records.size());
    std::vector<const std::string*> good;
    good.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        statuses[i] = prepareRecord(records[i].bytes, records[i].ownNotice, bytes[i]);
        if (statuses[i].ok()) good.push_back(&bytes[i]);
    }
    if (good.empty()) return statuses;
    StoreStatus all = makeFolder(store);
    if (all.ok()) all = guarded([&] { appendAll(store, good); });
    if (!all.ok())
        for (StoreStatus& s : statuses)
            if (s.ok()) s = all;
    return statuses;
}

HistoryPage ReadHistoryPage(const StoreLocation& store, std::string_view key, int32_t page) {
    HistoryPage out;
    if (!validKey(key)) {
        out.status = {StoreError::BadKey, "not a conversation key"};
        return out;
    }
    bool outOfRange = false;
    out.status = guarded([&] {
        std::optional<CompoundFile> opened;
        try {
            opened.emplace(
                CompoundFile::open(storePath(store), CompoundFile::Access::Read, optionsOf(store)));
        } catch (const Failure& f) {
            if (f.error() == Error::NotFound) return; // no store yet: no history
            throw;
        }
        CompoundFile& file = *opened;
        std::optional<EntryId> storage = file.find(cfb::kRootEntry, storageName(store.accountId));
        if (!storage || file.typeOf(*storage) != cfb::EntryType::Storage) return;
        std::optional<EntryId> data = findStream(file, *storage, std::string(key) + "d");
        std::optional<EntryId> index = findStream(file, *storage, std::string(key) + "i");
        if (!data || !index) return;

        const uint64_t count = file.streamSize(*index) / kIndexEntrySize;
        out.pageCount = int32_t((count + kRecordsPerPage - 1) / kRecordsPerPage);
        if (count == 0) return;
        if (page == 0) page = out.pageCount;
        if (page < 0 || page > out.pageCount) {
            outOfRange = true;
            return;
        }
        out.page = page;

        const uint64_t first = uint64_t(page - 1) * kRecordsPerPage;
        const uint64_t n = std::min<uint64_t>(count, uint64_t(page) * kRecordsPerPage) - first;
        std::vector<uint8_t> raw(size_t(n * kIndexEntrySize));
        if (file.read(*index, first * kIndexEntrySize, raw) != raw.size())
            cfb::fail(Error::Corrupt, "short index");
        const uint64_t dataSize = file.streamSize(*data);
        std::vector<IndexEntry> entries;
        uint64_t lo = UINT64_MAX, hi = 0;
        for (uint64_t i = 0; i < n; ++i) {
            IndexEntry e{cfb::get64(&raw[i * kIndexEntrySize]), cfb::get32(&raw[i * kIndexEntrySize + 8])};
            if (!holds(e, dataSize)) {
                ++out.unreadable;
                continue;
            }
            entries.push_back(e);
            lo = std::min(lo, e.offset);
            hi = std::max(hi, e.offset + kRecordHeadSize + e.length);
        }
        // One read for the page when its records lie close together (they are back to back).
        std::vector<uint8_t> span;
        if (!entries.empty() && hi - lo <= kPageSpan) {
            span.resize(size_t(hi - lo));
            file.read(*data, lo, span);
        }
        for (const IndexEntry& e : entries) {
            std::string bytes(kRecordHeadSize + e.length, '\0');
            if (!span.empty())
                std::copy_n(span.begin() + ptrdiff_t(e.offset - lo), bytes.size(), bytes.begin());
            else
                file.read(*data, e.offset, std::span(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()));
            if (wire::loadU32(bytes.data() + kTextLengthOffset) != e.length) { // head and index disagree
                ++out.unreadable;
                continue;
            }
            out.records.push_back({bytes.substr(0, kRecordHeadSize), bytes.substr(kRecordHeadSize)});
        }
    });
    if (outOfRange) out.status = {StoreError::PageOutOfRange, "no such page"};
    return out;
}

StoreStatus DeleteConversation(const StoreLocation& store, std::string_view key) {
    if (!validKey(key)) return {StoreError::BadKey, "not a conversation key"};
    bool found = false;
    StoreStatus status = guarded([&] {
        CompoundFile file =
            CompoundFile::open(storePath(store), CompoundFile::Access::Write, optionsOf(store));
        std::optional<EntryId> storage = file.find(cfb::kRootEntry, storageName(store.accountId));
        if (!storage || file.typeOf(*storage) != cfb::EntryType::Storage) return;
        for (const char* suffix : {"i", "d"}) {
            const std::string name = std::string(key) + suffix;
            if (!findStream(file, *storage, name)) continue;
            file.destroy(*storage, cfb::asciiName(name));
            found = true;
        }
    });
    if (status.ok() && !found) return {StoreError::NotFound, "no history with this partner"};
    return status;
}

std::string BuildNoticeRecord(int32_t senderId, int32_t receiverId, std::string_view text, double now) {
    protocol::ChatMessage m;
    m.recipientId = uint32_t(receiverId);
    m.senderId = uint32_t(senderId);
    m.sendTime = now;
    m.fontName = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"; // 微软雅黑
    m.fontColor = 0;
    m.fontSize = 9;
    m.key.userA = uint32_t(senderId);
    m.key.userB = uint32_t(receiverId);
    m.text = crypto::DesEncryptText(text);
    std::string record = m.encodeBody().substr(4); // without the leading count
    record.replace(kNoticeMarkOffset, kNoticeMark.size(), kNoticeMark);
    return record;
}

StoreStatus StoreNoticeRecord(const StoreLocation& store, int32_t senderId, int32_t receiverId,
                              std::string_view text, double now) {
    std::string record;
    try {
        record = BuildNoticeRecord(senderId, receiverId, text, now);
    } catch (const crypto::CipherError& e) {
        return {StoreError::BadRecord, e.what()};
    }
    return storeRecord(store, record, true);
}

} // namespace vantor::history

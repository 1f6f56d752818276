#include "history/history_search.h"

#include "crypto/cipher.h"
#include "history/compound_file.h"

#include <algorithm>

namespace vantor::history {

using cfb::CompoundFile;
using cfb::EntryId;

namespace {

constexpr size_t kLengthOffset = 8;
constexpr uint64_t kEntriesPerBlock = 4096;
// A block of well-formed records is read in one go when it spans at most this much.
constexpr uint64_t kMaxSpan = kEntriesPerBlock * (kRecordHeadSize + kMaxRecordText);

bool isLead(uint8_t c) {
    return c >= 0x81 && c <= 0xFE;
}

char fold(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// ASCII letters folded to lower case where they are characters of their own (never trail bytes).
std::string folded(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        if (isLead(uint8_t(out[i])) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        out[i] = fold(out[i]);
    }
    return out;
}

bool plausibleKey(std::string_view key) {
    if (key.size() == 30)
        return std::all_of(key.begin(), key.end(),
                           [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
    const std::string_view digits = !key.empty() && key.front() == '-' ? key.substr(1) : key;
    return !digits.empty() && digits.size() <= 10 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::u16string accountStorage(int32_t id) {
    return cfb::asciiName(std::to_string(id) + "Data");
}

struct Opened {
    std::optional<CompoundFile> file;
    std::optional<EntryId> storage;
};

// Opens the store for reading; nothing (status ok) when there is none or the account has none.
Opened openStore(const StoreLocation& store, StoreStatus& status) {
    Opened o;
    try {
        o.file.emplace(CompoundFile::open(store.historyFolder / kStoreFileName, CompoundFile::Access::Read,
                                          {.durable = false, .lock = true}));
        o.storage = o.file->find(cfb::kRootEntry, accountStorage(store.accountId));
        if (o.storage && o.file->typeOf(*o.storage) != cfb::EntryType::Storage) o.storage.reset();
    } catch (const cfb::Failure& f) {
        if (f.error() != cfb::Error::NotFound) {
            status = {f.error() == cfb::Error::Locked ? StoreError::Locked
                      : f.error() == cfb::Error::NotCompound || f.error() == cfb::Error::Unsupported
                          ? StoreError::NotCompound
                          : StoreError::Corrupt,
                      f.what()};
        }
        o.file.reset();
    }
    return o;
}

std::optional<EntryId> streamOf(CompoundFile& file, EntryId storage, const std::string& name) {
    auto id = file.find(storage, cfb::asciiName(name));
    if (id && file.typeOf(*id) != cfb::EntryType::Stream) return std::nullopt;
    return id;
}

std::vector<std::string> conversationsIn(CompoundFile& file, EntryId storage) {
    std::vector<std::string> keys;
    for (const cfb::ChildInfo& child : file.children(storage)) {
        if (child.type != cfb::EntryType::Stream || child.name.size() < 2 || child.name.back() != u'i')
            continue;
        std::string key;
        bool ascii = true;
        for (size_t i = 0; i + 1 < child.name.size(); ++i) {
            if (child.name[i] > 0x7F) ascii = false;
            key += char(child.name[i]);
        }
        if (ascii && streamOf(file, storage, key + "d")) keys.push_back(key);
    }
    return keys;
}

struct Walked {
    bool stopped = false; // `each` asked to stop
    bool end = false;     // the conversation has no records after `next`
    uint64_t next = 0;    // the first index entry not visited
};

// Walks the records of one conversation in order from index entry `from`, visiting at most
// `limit` entries; `each` returns false to stop.
Walked walkConversation(CompoundFile& file, EntryId storage, const std::string& key, SearchStats& stats,
                        uint64_t from, uint64_t limit,
                        const std::function<bool(uint64_t index, HistoryRecord&)>& each) {
    Walked w;
    w.next = from;
    const auto data = streamOf(file, storage, key + "d");
    const auto index = streamOf(file, storage, key + "i");
    if (!data || !index) {
        w.end = true;
        return w;
    }
    const uint64_t count = file.streamSize(*index) / kIndexEntrySize;
    const uint64_t dataSize = file.streamSize(*data);
    const uint64_t stop = count - std::min(count, from) > limit ? from + limit : count;
    std::vector<uint8_t> entries, span;
    HistoryRecord record;
    for (uint64_t first = from; first < stop; first += kEntriesPerBlock) {
        const uint64_t n = std::min(kEntriesPerBlock, stop - first);
        w.next = first + n;
        entries.resize(size_t(n * kIndexEntrySize));
        if (file.read(*index, first * kIndexEntrySize, entries) != entries.size()) {
            stats.unreadable += n;
            w.end = true;
            return w;
        }
        uint64_t lo = UINT64_MAX, hi = 0;
        for (uint64_t i = 0; i < n; ++i) {
            const uint64_t offset = cfb::get64(&entries[size_t(i * kIndexEntrySize)]);
            const uint32_t length = cfb::get32(&entries[size_t(i * kIndexEntrySize + 8)]);
            if (length > kMaxRecordText || offset > dataSize || dataSize - offset < kRecordHeadSize + length)
                continue;
            lo = std::min(lo, offset);
            hi = std::max(hi, offset + kRecordHeadSize + length);
        }
        const bool oneRead = hi > lo && hi - lo <= kMaxSpan;
        if (oneRead) {
            span.resize(size_t(hi - lo));
            span.resize(file.read(*data, lo, span));
        }
        for (uint64_t i = 0; i < n; ++i) {
            const uint64_t offset = cfb::get64(&entries[size_t(i * kIndexEntrySize)]);
            const uint32_t length = cfb::get32(&entries[size_t(i * kIndexEntrySize + 8)]);
            if (length > kMaxRecordText || offset > dataSize ||
                dataSize - offset < kRecordHeadSize + length) {
                ++stats.unreadable;
                continue;
            }
            const size_t size = kRecordHeadSize + length;
            std::string bytes(size, '\0');
            if (oneRead && offset >= lo && offset - lo + size <= span.size()) {
                std::copy_n(span.begin() + ptrdiff_t(offset - lo), size, bytes.begin());
            } else if (file.read(*data, offset, std::span(reinterpret_cast<uint8_t*>(bytes.data()), size)) !=
                       size) {
                ++stats.unreadable;
                continue;
            }
            if (cfb::get32(reinterpret_cast<const uint8_t*>(bytes.data()) + kLengthOffset) != length) {
                ++stats.unreadable; // head and index disagree
                continue;
            }
            record.head.assign(bytes, 0, kRecordHeadSize);
            record.text.assign(bytes, kRecordHeadSize);
            ++stats.records;
            if (!each(first + i, record)) {
                w.stopped = true;
                w.next = first + i + 1;
                return w;
            }
        }
    }
    w.next = std::max(w.next, stop);
    w.end = w.next >= count;
    return w;
}

// The match test of one record; false when the caller asked to stop.
bool matchRecord(const std::string& key, uint64_t index, HistoryRecord& r, std::string_view needle,
                 SearchStats& stats, const SearchCallback& hit) {
    std::string text = crypto::DesDecryptText(r.text);
    const size_t at = FindGbkText(text, needle);
    if (at == std::string_view::npos) return true;
    SearchHit h;
    h.key = key;
    h.index = index;
    h.page = int32_t(index / uint64_t(kRecordsPerPage)) + 1;
    h.record = std::move(r);
    h.text = std::move(text);
    h.at = at;
    ++stats.hits;
    return hit(h);
}

} // namespace

size_t FindGbkText(std::string_view text, std::string_view needle) {
    if (needle.empty() || needle.size() > text.size()) return std::string_view::npos;
    const std::string t = folded(text), n = folded(needle);
    size_t boundary = 0; // the next character start at or after the positions checked so far
    for (size_t at = t.find(n); at != std::string::npos; at = t.find(n, at + 1)) {
        while (boundary < at)
            boundary += isLead(uint8_t(t[boundary])) && boundary + 1 < t.size() ? 2 : 1;
        if (boundary == at) return at;
    }
    return std::string_view::npos;
}

std::vector<std::string> ListConversations(const StoreLocation& store, StoreStatus* status) {
    StoreStatus s;
    std::vector<std::string> keys;
    try {
        Opened o = openStore(store, s);
        if (o.file && o.storage) keys = conversationsIn(*o.file, *o.storage);
    } catch (const cfb::Failure& f) {
        s = {StoreError::Corrupt, f.what()};
    }
    if (status) *status = s;
    return keys;
}

HistorySearcher::HistorySearcher(StoreLocation store, std::optional<std::string> key, std::string needle)
    : store_(std::move(store)), key_(std::move(key)), needle_(std::move(needle)) {
    if (key_ && !plausibleKey(*key_)) {
        stats_.status = {StoreError::BadKey, "not a conversation key"};
        done_ = true;
    }
    if (needle_.empty()) done_ = true;
}

bool HistorySearcher::step(uint64_t entries, const SearchCallback& hit) {
    if (done_) return false;
    try {
        Opened o = openStore(store_, stats_.status);
        if (!o.file || !o.storage) {
            done_ = true;
            return false;
        }
        if (!keys_) keys_ = key_ ? std::vector<std::string>{*key_} : conversationsIn(*o.file, *o.storage);
        while (entries > 0 && keyAt_ < keys_->size()) {
            const std::string& k = (*keys_)[keyAt_];
            const Walked w = walkConversation(*o.file, *o.storage, k, stats_, next_, entries,
                                              [&](uint64_t index, HistoryRecord& r) {
                                                  return matchRecord(k, index, r, needle_, stats_, hit);
                                              });
            entries -= std::min(entries, std::max<uint64_t>(w.next - next_, 1));
            if (w.stopped) {
                stats_.stopped = true;
                done_ = true;
                return false;
            }
            if (w.end) {
                ++keyAt_;
                next_ = 0;
            } else {
                next_ = w.next;
            }
        }
    } catch (const cfb::Failure& f) {
        stats_.status = {StoreError::Corrupt, f.what()};
        done_ = true;
        return false;
    }
    done_ = keyAt_ >= keys_->size();
    return !done_;
}

SearchStats SearchHistory(const StoreLocation& store, std::optional<std::string_view> key,
                          std::string_view needle, const SearchCallback& hit) {
    HistorySearcher searcher(store, key ? std::optional<std::string>(std::string(*key)) : std::nullopt,
                             std::string(needle));
    while (searcher.step(UINT64_MAX, hit)) {
    }
    return searcher.stats();
}

SearchStats ReadAllRecords(const StoreLocation& store, std::string_view key,
                           const std::function<void(const HistoryRecord&)>& each) {
    SearchStats stats;
    if (!plausibleKey(key)) {
        stats.status = {StoreError::BadKey, "not a conversation key"};
        return stats;
    }
    try {
        Opened o = openStore(store, stats.status);
        if (!o.file || !o.storage) return stats;
        walkConversation(*o.file, *o.storage, std::string(key), stats, 0, UINT64_MAX,
                         [&](uint64_t, HistoryRecord& r) {
                             each(r);
                             return true;
                         });
    } catch (const cfb::Failure& f) {
        stats.status = {StoreError::Corrupt, f.what()};
    }
    return stats;
}

} // namespace vantor::history

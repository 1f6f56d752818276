// Searching the message store for a text: one conversation or all of them, deciphering each
// record as it goes. Matches start on a character boundary (a GBK trail byte followed by a lead
// byte never matches) and ASCII letters match in either case. Reads the store like a page read:
// under the file's lock, and in blocks, never a conversation whole.
//
//   SearchHistory(location, "205", needle, [](const SearchHit& h) { ...; return true; });
//   SearchHistory(location, std::nullopt, needle, ...);   // every conversation of the account
#pragma once

#include "history/message_store.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::history {

struct SearchHit {
    std::string key;    // the conversation ("205", or a group's 30 hex digits)
    uint64_t index = 0; // the record's number in its conversation, from 0
    int32_t page = 0;   // the page of 100 that shows it (1-based, as ReadHistoryPage counts)
    HistoryRecord record;
    std::string text; // the deciphered text (GBK)
    size_t at = 0;    // where the match starts in `text`
};

// Return false to stop the search.
using SearchCallback = std::function<bool(const SearchHit&)>;

struct SearchStats {
    StoreStatus status;
    uint64_t records = 0;    // records read
    uint64_t hits = 0;       // matches handed to the callback
    uint64_t unreadable = 0; // index entries without a whole record behind them
    bool stopped = false;    // the callback asked to stop
};

// A search in steps, for a caller that must not block: each step opens the store, reads at most
// the given number of index entries, and closes it again (so that messages can be stored between
// two steps).
class HistorySearcher {
  public:
    HistorySearcher(StoreLocation store, std::optional<std::string> key, std::string needle);
    // False once the search has finished (also when it cannot run at all: see stats()).
    bool step(uint64_t entries, const SearchCallback& hit);
    bool finished() const { return done_; }
    const SearchStats& stats() const { return stats_; }

  private:
    StoreLocation store_;
    std::optional<std::string> key_;
    std::string needle_;
    std::optional<std::vector<std::string>> keys_;
    size_t keyAt_ = 0;
    uint64_t next_ = 0;
    SearchStats stats_;
    bool done_ = false;
};

// The conversations of the account in the store, in the store's name order. Empty (status ok)
// when there is no store yet.
std::vector<std::string> ListConversations(const StoreLocation& store, StoreStatus* status = nullptr);

// Calls `hit` for every record of `key` (every conversation when nothing) whose deciphered text
// holds `needle` (GBK; an empty needle matches nothing), conversation by conversation in the
// store's name order, oldest record first.
SearchStats SearchHistory(const StoreLocation& store, std::optional<std::string_view> key,
                          std::string_view needle, const SearchCallback& hit);

// Where `needle` starts in `text` on a character boundary, ASCII letters in either case; npos when
// it does not occur. Both are GBK.
size_t FindGbkText(std::string_view text, std::string_view needle);

// Every record of a conversation in order, without deciphering or matching (also the search
// benchmark's baseline).
SearchStats ReadAllRecords(const StoreLocation& store, std::string_view key,
                           const std::function<void(const HistoryRecord&)>& each);

} // namespace vantor::history

// The message store's writer thread. Records are queued from any thread and appended in order by
// one thread of its own; everything queued while a batch was being written goes into the next
// batch, under one open, lock and commit (one pair of flushes for all of them). The file is
// closed, and its lock released, between batches, so other programs can read or edit it then.
//
//   StoreWriter writer(location, [](std::vector<StoreWriter::Result> done) { ... }); // writer thread
//   const uint64_t ticket = writer.submit(record);
//   writer.drain(); // everything submitted so far is written (or failed)
#pragma once

#include "history/message_store.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vantor::history {

class StoreWriter {
  public:
    struct Result {
        uint64_t ticket = 0;
        StoreStatus status; // ok: the record is on disk (durable stores: flushed)
    };
    // Runs on the writer thread after each batch, with the batch's results in submission order.
    using Done = std::function<void(std::vector<Result>)>;
    // At most this many records go into one batch: a reader of this process waits for at most one
    // batch to be written before it has the file.
    static constexpr size_t kMaxBatch = 512;

    StoreWriter(StoreLocation location, Done done);
    // Writes what is queued, then stops the thread.
    ~StoreWriter();
    StoreWriter(const StoreWriter&) = delete;
    StoreWriter& operator=(const StoreWriter&) = delete;

    const StoreLocation& location() const { return location_; }
    // Queues a record (as for StoreMessageRecord; `ownNotice` only for BuildNoticeRecord's
    // records); the ticket names it in the results. Tickets count from 1.
    uint64_t submit(std::string record, bool ownNotice = false);
    // Returns once every record submitted before the call has been written or has failed, and its
    // results have been handed to `done`.
    void drain();
    // Batches written so far (for tests and measurements).
    uint64_t batches() const;

  private:
    void run();

    const StoreLocation location_;
    const Done done_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, progress_;
    std::deque<PendingRecord> queue_;
    uint64_t submitted_ = 0; // tickets handed out
    uint64_t finished_ = 0;  // tickets whose results went to done_
    uint64_t batches_ = 0;
    bool stopping_ = false;
    std::thread thread_; // last: starts once everything above exists
};

} // namespace vantor::history

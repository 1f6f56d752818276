#include "history/store_writer.h"

#include <algorithm>

namespace vantor::history {

StoreWriter::StoreWriter(StoreLocation location, Done done)
    : location_(std::move(location)), done_(std::move(done)), thread_([this] { run(); }) {}

StoreWriter::~StoreWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

uint64_t StoreWriter::submit(std::string record, bool ownNotice) {
    uint64_t ticket;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(record), ownNotice});
        ticket = ++submitted_;
    }
    wake_.notify_one();
    return ticket;
}

void StoreWriter::drain() {
    std::unique_lock lock(mutex_);
    const uint64_t wanted = submitted_;
    progress_.wait(lock, [&] { return finished_ >= wanted; });
}

uint64_t StoreWriter::batches() const {
    std::lock_guard lock(mutex_);
    return batches_;
}

void StoreWriter::run() {
    std::vector<PendingRecord> batch;
    for (;;) {
        uint64_t first;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return; // stopping, and everything is written
            const size_t n = std::min(queue_.size(), kMaxBatch);
            batch.assign(std::make_move_iterator(queue_.begin()),
                         std::make_move_iterator(queue_.begin() + ptrdiff_t(n)));
            queue_.erase(queue_.begin(), queue_.begin() + ptrdiff_t(n));
            first = finished_ + 1;
        }
        const std::vector<StoreStatus> statuses = StoreMessageRecords(location_, batch);
        std::vector<Result> results(batch.size());
        for (size_t i = 0; i < batch.size(); ++i)
            results[i] = {first + i, statuses[i]};
        if (done_) done_(std::move(results));
        {
            std::lock_guard lock(mutex_);
            finished_ += batch.size();
            ++batches_;
        }
        progress_.notify_all();
    }
}

} // namespace vantor::history

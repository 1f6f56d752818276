// The resend queue on disk: a small append-only journal in the account's folder, so that a chat
// message shown as sent survives a crash or a restart of the client until it is acknowledged.
//
// Each change is one record, written to the file (write(2), so it survives a crash of the client)
// before the call returns; a worker thread then makes it durable (fdatasync, so it survives a power
// loss) without the caller ever waiting for the disk. A record that a crash cut short ends the
// file: it is dropped when the journal is read. The journal keeps the floor of the send ticks, so
// that a restarted client never reuses a tick its colleagues may still remember.
//
// Files: `PendingMessages.<generation>.dat`. Opening reads every generation and writes the live
// entries into a new one; so does compaction, once acknowledged entries dominate. An older
// generation is deleted only after the newer one is durable, so a crash at any point leaves at
// least one complete copy, and the union of what is found is the queue.
#pragma once

#include "protocol/chat.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace vantor::peer {

class PendingJournal {
  public:
    struct Entry {
        protocol::ChatMessage message;
        int64_t queuedAtMs = 0; // wall clock (ms since 1970) when it was first queued
    };
    // A message by its sender, recipient and send tick.
    using Key = std::tuple<uint32_t, uint32_t, uint32_t>;
    struct Contents {
        std::vector<Entry> entries;    // oldest first
        std::vector<Key> acknowledged; // every acknowledgement read (older generations may hold the add)
        std::optional<uint32_t> tickFloor;
        size_t droppedBytes = 0; // a torn or unreadable tail
    };
    // Compaction once this many acknowledged entries are in the file and they outnumber the live.
    static constexpr size_t kCompactAfter = 64;

    // `folder` ends with a slash and exists.
    explicit PendingJournal(std::string folder);
    ~PendingJournal();
    PendingJournal(const PendingJournal&) = delete;
    PendingJournal& operator=(const PendingJournal&) = delete;

    // Reads what earlier runs left and starts a new generation with it. An error text when the
    // journal cannot be written (the contents read are still returned).
    std::optional<std::string> open(Contents& out);

    // Each returns once the record is in the file, or an error text.
    std::optional<std::string> add(const Entry& e);
    std::optional<std::string> remove(uint32_t senderId, uint32_t recipientId, uint32_t sendTick);
    std::optional<std::string> setTickFloor(uint32_t floor);

    // Waits until everything written so far is durable (tests and shutdown).
    void flush();
    size_t live() const { return live_.size(); }
    uint64_t generation() const { return generation_; }
    const std::string& folder() const { return folder_; }

    // Reads one journal file (for tests and the loader).
    static Contents readFile(const std::string& path);

  private:
    struct File;

    std::optional<std::string> append(const std::string& record);
    std::optional<std::string> startGeneration();
    void worker();

    std::string folder_;
    uint64_t generation_ = 0;
    std::shared_ptr<File> file_;
    std::map<Key, std::string> live_; // encoded add records
    std::vector<Key> order_;          // order of adds, pruned at compaction
    std::optional<uint32_t> floor_;
    size_t deadInFile_ = 0;

    // The worker: syncs the current file; deletes older generations once a newer one is durable.
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::shared_ptr<File> dirty_;
    std::vector<std::string> obsolete_; // deleted after `dirty_` (the newer file) is durable
    bool syncDir_ = false;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace vantor::peer

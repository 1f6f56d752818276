// Direct file transfer: the transfers in progress (`Transfers`), one `TTransmitFile` per file and
// direction. Control records go through the server; blocks and their acknowledgements take the
// transfer's own channel, directly once a path is punched. Every state change happens here on the
// UI thread; reading, hashing, writing and moving happen on each transfer's worker thread.
//
// The sender keeps a window of blocks in flight and paces them by a tenth of the measured round
// trip; a pass sends every block still missing, and after a pass it waits a few round trips for
// acknowledgements before sending what is still missing again. The receiver keeps a cache file in
// the account's Cache folder (block map, then data) so that an interrupted transfer resumes.
#pragma once

#include "platform/clock.h"
#include "protocol/chat.h"
#include "protocol/file_records.h"
#include "protocol/frame.h"
#include "transfer/file_io.h"
#include "transfer/transfer_ports.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QThread;

namespace vantor::transfer {

struct TTransmitFile {
    enum Direction : uint8_t { Sending = 0, Receiving = 1 };
    QString path;              // sender: the file; receiver: empty until the destination is known
    std::string name;          // the offered file name (GBK), base name only
    QString destination;       // receiver: the file once in place
    QString destinationFolder; // receiver: where it goes
    QString saveAs;            // receiver: a chosen path
    uint64_t size = 0;
    std::string fileId; // identity
    uint32_t senderId = 0;
    std::string senderName;
    int32_t receiverId = 0; // -1: a group send
    std::string receiverName;
    Direction direction = Sending;
    bool started = false;
    bool moving = false;
    bool finished = false;
    int64_t activityMs = 0;
    int64_t startMs = 0;
    int64_t elapsedMs = 0;
    int64_t lastProgressMs = 0;
    uint64_t bytesDone = 0;
    protocol::ConversationKey key;
    std::string transmitId;
    bool picture = false;
    std::string blockMap; // "0"/"1" per block
    uint32_t contentTag = 0;
    std::unique_ptr<ITransferChannel> channel;
    int64_t delayUs = 100000; // pacing: a tenth of the round trip once measured
    bool completionReported = false;

    // Figures for the panel.
    uint64_t doneBytes() const;
    int percent() const;
    uint64_t speed() const; // bytes per second, at least 1
    uint64_t remainingSeconds() const;
    uint32_t peerId() const { return direction == Sending ? uint32_t(receiverId) : senderId; }
    std::string peerName() const { return direction == Sending ? receiverName : senderName; }

    // ---- our own bookkeeping ----
    uint64_t serial = 0; // unique within the run
    struct Work;
    std::shared_ptr<Work> work;
};

class Transfers : public QObject {
  public:
    static constexpr int kWatchdogMs = 5000;
    static constexpr int kRelayAfterMs = 5000;
    static constexpr int kFailAfterMs = 15000;
    static constexpr int kMaxStartedPerPair = 8;
    static constexpr int kMaxIdlePasses = 20;
    // Blocks in flight at most, and per pacing tick at most.
    static constexpr uint32_t kWindow = 160;
    static constexpr uint32_t kBurst = 48;
    // Blocks per pacing delay (a tenth of the round trip): ten groups fill the window.
    static constexpr uint32_t kGroup = kWindow / 10;
    static constexpr int kProgressMs = 500;
    // Received blocks handed to the worker at once at most.
    static constexpr size_t kWriteBatch = 64;
    static constexpr int kBlockMapPauseMs = 5;
    static constexpr int kAddressWaitMs = 30;
    static constexpr int kAddressWaits = 100;

    Transfers(ITransferHost& host, ITransferView& view, platform::Clock& clock);
    ~Transfers() override;
    Transfers(const Transfers&) = delete;
    Transfers& operator=(const Transfers&) = delete;

    // Offers a file (or a picture) to the colleague of a one-to-one conversation. Nothing when a
    // transfer of the same file to the same colleague runs (the duplicate text is shown for
    // files). The transfer is listed at once; the offer leaves once the file is hashed and the
    // channel knows its public address.
    TTransmitFile* offer(const protocol::ConversationKey& key, uint32_t receiverId, const QString& path,
                         bool picture = false);
    // Panel commands. `folder` empty: RevFilesPath. `saveAs`: a chosen file path.
    bool accept(const std::string& transmitId, const QString& folder = {}, const QString& saveAs = {});
    void decline(const std::string& transmitId);
    void cancel(const std::string& transmitId);
    void stop(const std::string& transmitId);
    // The window of `key` closes: started transfers stop, others are declined or cancelled.
    void windowClosing(const protocol::ConversationKey& key);
    // The file went to the file server instead ("CMD_TFComplete"): the transfer ends, its panel goes.
    void endOffline(const std::string& transmitId);
    // Sign-out or a colleague gone: everything ends without records.
    void endAll();
    void colleagueGone(uint32_t userId);

    // Records from the server, or (data and acknowledgements) from a channel.
    void handle(const protocol::Message& m);
    static bool handles(uint8_t code);

    TTransmitFile* find(const std::string& transmitId);
    const std::vector<std::unique_ptr<TTransmitFile>>& all() const { return list_; }
    bool watchdogActive() const;
    // One watchdog tick (public for tests).
    void watchdogTick();

    // Counters for tests and the benchmark: blocks sent, acknowledgements taken.
    uint64_t blocksSent() const { return blocksSent_; }

  private:
    void onOffer(const protocol::FileOffer& o);
    void onReply(const protocol::FileReply& r);
    void onBlockMap(const protocol::FileBlockMap& m);
    void onData(const protocol::FileData& d);
    void onAck(const protocol::FileDataAck& a);
    void onComplete(const protocol::FileComplete& c);
    void onCancel(const protocol::FileNotice& n);
    void onOffline(const protocol::FileNotice& n);
    void onAbort(const protocol::FileAbort& a);

    TTransmitFile* add(std::unique_ptr<TTransmitFile> t);
    void startWorker(TTransmitFile& t);
    // Runs `work` on the transfer's worker thread, then `done` on this thread if it still exists.
    template <class R>
    void onWorker(TTransmitFile& t, std::function<R(FileIo&)> work,
                  std::function<void(TTransmitFile&, R)> done);
    void postWrite(TTransmitFile& t, uint64_t position, std::string data, int64_t block);
    void flushWrites(TTransmitFile& t);

    void whenAddressKnown(TTransmitFile& t, std::function<void(TTransmitFile&)> then);
    void sendOffer(TTransmitFile& t);
    void sendReply(TTransmitFile& t, bool accept);
    void sendBlockMapChunks(TTransmitFile& t, uint32_t from);
    void beginData(TTransmitFile& t);
    void pump();
    void pumpOne(TTransmitFile& t, int64_t nowUs);
    void requestReads(TTransmitFile& t);
    void nextPass(TTransmitFile& t);
    void markDone(TTransmitFile& t, uint64_t bytesDone);
    void progress(TTransmitFile& t, bool force);
    void allReceived(TTransmitFile& t);
    void senderComplete(TTransmitFile& t);
    void fail(TTransmitFile& t);
    // Removes the transfer: stream closed, worker ended, panel removed.
    void finish(TTransmitFile& t, Outcome outcome);
    void line(TTransmitFile& t, const std::string& text, bool store = false);
    void send(TTransmitFile& t, const std::string& message, bool relayed);
    void updateTimers();
    static int64_t counterUs();

    ITransferHost& host_;
    ITransferView& view_;
    platform::Clock& clock_;
    std::vector<std::unique_ptr<TTransmitFile>> list_; // Transfers
    std::unique_ptr<platform::Timer> watchdog_;        // TimeCheckTransmitFileError
    std::unique_ptr<platform::Timer> pacer_;
    uint64_t blocksSent_ = 0;
};

} // namespace vantor::transfer

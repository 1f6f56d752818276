#include "transfer/transfers.h"

#include "crypto/md5.h"
#include "protocol/codes.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "transfer/recv_files.h"
#include "transfer/transfer_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vantor::transfer {

using protocol::Cmd;
using protocol::kFileBlock;
using protocol::Message;

struct TTransmitFile::Work {
    QThread* thread = nullptr;
    QObject* context = nullptr; // lives on `thread`
    std::shared_ptr<FileIo> io = std::make_shared<FileIo>();
    std::unique_ptr<platform::Timer> waitTimer; // the channel's public address
    std::unique_ptr<platform::Timer> mapTimer;  // block map chunks, 5 ms apart
    int addressWaits = 0;
    std::function<void(TTransmitFile&)> afterAddress;
    uint32_t mapNext = 0;
    std::function<void(TTransmitFile&)> afterMap;
    uint32_t doneBlocks = 0;
    // sender
    bool sending = false;
    uint32_t cursor = 0;
    std::deque<FileIo::Block> ready;
    uint32_t reading = 0;
    // Blocks in flight: each block sent takes the next sequence number; an acknowledgement of a
    // block moves the acknowledged mark to its number, so lost blocks stop counting once later
    // ones are acknowledged.
    std::vector<uint32_t> seqOf;
    uint32_t nextSeq = 1;
    uint32_t ackedSeq = 0;
    int64_t lastHeardMs = 0;
    uint32_t inFlight() const { return nextSeq - 1 - ackedSeq; }
    int64_t lastSendUs = 0;
    int64_t passGapUntilMs = -1;
    int idlePasses = 0;
    bool heardThisPass = false;
    // receiver
    bool accepted = false;
    struct Write {
        uint64_t position;
        std::string data;
        int64_t block;
    };
    std::vector<Write> writes; // received blocks not yet handed to the worker
    bool flushQueued = false;
};

namespace {

template <class R>
std::string message(Cmd code, const R& r) {
    std::string m(1, char(code));
    m += wire::encode(r);
    return m;
}

std::string gbkOf(const QString& s) {
    return protocol::toGbk(s.toStdString());
}
QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

bool sameConversation(const protocol::ConversationKey& a, const protocol::ConversationKey& b, uint32_t own) {
    if (a.kind != b.kind) return false;
    if (a.kind != protocol::kOneToOne) return a.groupId == b.groupId;
    auto peer = [own](const protocol::ConversationKey& k) { return k.userB == own ? k.userA : k.userB; };
    return peer(a) == peer(b);
}

uint32_t blockOfBytesDone(uint64_t bytesDone, uint64_t size) {
    if (bytesDone >= size) return blockCount(size) - 1;
    return uint32_t(bytesDone / kFileBlock) - 1;
}

} // namespace

// ---- figures ----

uint64_t TTransmitFile::doneBytes() const {
    uint64_t done = 0;
    const uint32_t n = uint32_t(blockMap.size());
    for (uint32_t i = 0; i < n; ++i)
        if (blockMap[i] == '1') done += (i + 1 == n) ? size - uint64_t(i) * kFileBlock : kFileBlock;
    return done;
}

int TTransmitFile::percent() const {
    return size == 0 ? (finished ? 100 : 0) : int(doneBytes() * 100 / size);
}

uint64_t TTransmitFile::speed() const {
    if (elapsedMs <= 0) return 1;
    return std::max<uint64_t>(1, doneBytes() * 1000 / uint64_t(elapsedMs));
}

uint64_t TTransmitFile::remainingSeconds() const {
    const uint64_t done = doneBytes();
    return done >= size ? 0 : (size - done) / speed();
}

// ---- the list ----

Transfers::Transfers(ITransferHost& host, ITransferView& view, platform::Clock& clock)
    : host_(host), view_(view), clock_(clock) {
    watchdog_ = clock_.createTimer();
    watchdog_->setInterval(kWatchdogMs);
    watchdog_->onTimeout = [this] { watchdogTick(); };
    pacer_ = clock_.createTimer();
    pacer_->setInterval(1);
    pacer_->onTimeout = [this] { pump(); };
}

Transfers::~Transfers() {
    watchdog_->stop();
    pacer_->stop();
    // Shutting down: the workers give up their long work and are waited for, so that nothing they
    // post can reach a list that is gone.
    std::vector<QThread*> threads;
    for (auto& t : list_) {
        if (!t->work) continue;
        t->work->io->stopRequested = true;
        if (t->work->thread) {
            t->work->thread->quit();
            threads.push_back(t->work->thread);
        }
    }
    for (QThread* th : threads)
        th->wait();
    list_.clear();
}

bool Transfers::handles(uint8_t code) {
    switch (Cmd(code)) {
    case Cmd::FileOffer:
    case Cmd::FileReply:
    case Cmd::FileData:
    case Cmd::FileDataAck:
    case Cmd::FileCancel:
    case Cmd::FileAbort:
    case Cmd::FileComplete:
    case Cmd::FileBlockMap:
    case Cmd::FileOffline:
        return true;
    default:
        return false;
    }
}

TTransmitFile* Transfers::find(const std::string& id) {
    for (auto& t : list_)
        if (!t->transmitId.empty() && t->transmitId == id) return t.get();
    return nullptr;
}

bool Transfers::watchdogActive() const {
    return watchdog_->isActive();
}

int64_t Transfers::counterUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TTransmitFile* Transfers::add(std::unique_ptr<TTransmitFile> t) {
    static uint64_t serial = 0;
    t->serial = ++serial;
    t->work = std::make_shared<TTransmitFile::Work>();
    t->work->waitTimer = clock_.createTimer();
    t->work->mapTimer = clock_.createTimer();
    list_.push_back(std::move(t));
    TTransmitFile& added = *list_.back();
    startWorker(added);
    if (added.channel) added.channel->onRecord = [this](const Message& m) { handle(m); };
    updateTimers();
    return &added;
}

void Transfers::startWorker(TTransmitFile& t) {
    auto* thread = new QThread;
    auto* context = new QObject;
    context->moveToThread(thread);
    QObject::connect(thread, &QThread::finished, context, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    t.work->thread = thread;
    t.work->context = context;
}

template <class R>
void Transfers::onWorker(TTransmitFile& t, std::function<R(FileIo&)> work,
                         std::function<void(TTransmitFile&, R)> done) {
    flushWrites(t); // what was received before is written before this work
    auto io = t.work->io;
    const uint64_t serial = t.serial;
    QMetaObject::invokeMethod(
        t.work->context, [this, io, serial, work = std::move(work), done = std::move(done)] {
            R r = work(*io);
            if (io->stopRequested) return;
            QMetaObject::invokeMethod(this, [this, serial, done, r = std::move(r)]() mutable {
                for (auto& t : list_)
                    if (t->serial == serial) return done(*t, std::move(r));
            });
        });
}

void Transfers::postWrite(TTransmitFile& t, uint64_t position, std::string data, int64_t block) {
    // Blocks that arrive in one burst go to the worker together: one hand-over (and one wake-up of
    // its thread) per burst instead of one per block. The batch leaves once this turn of the event
    // loop is over, or before any other work is handed to the worker, so the order stays.
    TTransmitFile::Work& w = *t.work;
    w.writes.push_back({position, std::move(data), block});
    if (w.writes.size() >= kWriteBatch) return flushWrites(t);
    if (w.flushQueued) return;
    w.flushQueued = true;
    const uint64_t serial = t.serial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            for (auto& p : list_)
                if (p->serial == serial) return flushWrites(*p);
        },
        Qt::QueuedConnection);
}

void Transfers::flushWrites(TTransmitFile& t) {
    TTransmitFile::Work& w = *t.work;
    w.flushQueued = false;
    if (w.writes.empty()) return;
    auto io = w.io;
    const uint64_t serial = t.serial;
    QMetaObject::invokeMethod(w.context, [this, io, serial, writes = std::move(w.writes)] {
        for (const auto& b : writes) {
            if (io->stopRequested) return;
            if (io->write(b.position, b.data, b.block)) continue;
            QMetaObject::invokeMethod(this, [this, serial] {
                for (auto& t : list_)
                    if (t->serial == serial) return fail(*t);
            });
            return;
        }
    });
    w.writes.clear();
}

void Transfers::updateTimers() {
    bool started = false, sending = false;
    for (auto& t : list_) {
        started |= t->started;
        sending |= t->work && t->work->sending;
    }
    if (!list_.empty())
        watchdog_->setEnabled(true);
    else
        watchdog_->stop();
    (void)started;
    pacer_->setEnabled(sending);
}

void Transfers::line(TTransmitFile& t, const std::string& text, bool store) {
    if (!t.picture) view_.transferLine(t, text, store);
}

void Transfers::send(TTransmitFile& t, const std::string& m, bool relayed) {
    if (t.channel)
        t.channel->send(m, relayed);
    else
        host_.sendToServer(m);
}

void Transfers::whenAddressKnown(TTransmitFile& t, std::function<void(TTransmitFile&)> then) {
    TTransmitFile::Work& w = *t.work;
    if (!t.channel || t.channel->publicEndpoint().port != 0) return then(t);
    w.addressWaits = 0;
    w.afterAddress = std::move(then);
    w.waitTimer->setInterval(kAddressWaitMs);
    const uint64_t serial = t.serial;
    w.waitTimer->onTimeout = [this, serial] {
        for (auto& p : list_) {
            if (p->serial != serial) continue;
            TTransmitFile::Work& w = *p->work;
            if (p->channel->publicEndpoint().port == 0 && ++w.addressWaits < kAddressWaits) return;
            w.waitTimer->stop();
            auto then = std::move(w.afterAddress);
            return then(*p);
        }
    };
    w.waitTimer->start();
}

// ---- sender ----

TTransmitFile* Transfers::offer(const protocol::ConversationKey& key, uint32_t receiverId,
                                const QString& path, bool picture) {
    const QFileInfo info(path);
    // A picture always goes to the one colleague who asked for it.
    const bool group = key.kind != protocol::kOneToOne && !picture;
    const int32_t receiver = group ? -1 : int32_t(receiverId);
    for (auto& t : list_)
        if (t->direction == TTransmitFile::Sending && t->receiverId == receiver &&
            t->path == info.absoluteFilePath() && t->picture == picture) {
            line(*t, texts::duplicate(gbkOf(info.absoluteFilePath())));
            return nullptr;
        }
    if (info.isDir()) return nullptr; // only single files travel
    auto t = std::make_unique<TTransmitFile>();
    t->path = info.absoluteFilePath();
    t->name = gbkOf(info.fileName());
    t->direction = TTransmitFile::Sending;
    t->senderId = host_.ownId();
    t->senderName = host_.ownName();
    t->receiverId = receiver;
    t->receiverName = group ? texts::groupSendTitle() : host_.userName(receiverId).value_or(std::string());
    t->key = key;
    t->picture = picture;
    if (!group) t->channel = host_.openChannel(receiverId);
    TTransmitFile* added = add(std::move(t));
    if (group) line(*added, texts::groupSend(added->name));
    onWorker<FileIo::Opened>(
        *added, [path = added->path](FileIo& io) { return io.openForSending(path); },
        [this](TTransmitFile& t, FileIo::Opened r) {
            if (!r.ok) {
                line(t, texts::inUse(t.name));
                return finish(t, Outcome::Failed);
            }
            t.size = r.size;
            t.contentTag = r.tag;
            t.fileId = fileIdentity(t.name, t.size);
            t.transmitId = transferIdOf(t.senderId, t.receiverId, t.fileId, host_.tickCount());
            t.blockMap.assign(blockCount(t.size), '0');
            if (!t.picture) view_.transferAdded(t);
            if (t.receiverId < 0) return; // a group send goes through the file server
            whenAddressKnown(t, [this](TTransmitFile& t) { sendOffer(t); });
        });
    return added;
}

void Transfers::sendOffer(TTransmitFile& t) {
    protocol::FileOffer o;
    o.receiverId = t.receiverId;
    o.senderId = t.senderId;
    o.identity = t.fileId;
    o.transferId = t.transmitId;
    o.fileName = t.name;
    o.size = t.size;
    o.picture = t.picture;
    o.key = t.key;
    o.contentTag = t.contentTag;
    if (t.channel) {
        o.senderLocal = t.channel->lanEndpoint();
        o.senderPublic = t.channel->publicEndpoint();
    }
    send(t, message(Cmd::FileOffer, o), true);
}

void Transfers::onReply(const protocol::FileReply& r) {
    TTransmitFile* t = find(r.transferId);
    if (!t || r.senderId != host_.ownId() || t->direction != TTransmitFile::Sending || t->started) return;
    if (!r.accept) {
        line(*t, texts::declinedByPeer(t->name));
        return finish(*t, Outcome::Declined);
    }
    if (t->channel) t->channel->punch(r.receiverLocal, r.receiverPublic);
    beginData(*t);
}

void Transfers::beginData(TTransmitFile& t) {
    t.started = true;
    t.activityMs = t.startMs = t.lastProgressMs = clock_.nowMs();
    TTransmitFile::Work& w = *t.work;
    if (t.direction == TTransmitFile::Sending) {
        w.sending = true;
        w.cursor = 0;
        w.passGapUntilMs = -1;
        w.lastSendUs = counterUs();
        w.lastHeardMs = t.startMs;
    }
    updateTimers();
    progress(t, true);
}

void Transfers::onBlockMap(const protocol::FileBlockMap& m) {
    TTransmitFile* t = find(m.transferId);
    if (!t || m.senderId != host_.ownId() || t->direction != TTransmitFile::Sending || t->finished) return;
    const uint32_t blocks = uint32_t(t->blockMap.size());
    if (m.count > protocol::kBlockMapChunk || m.first >= blocks) return;
    const uint32_t n = std::min(m.count, blocks - m.first);
    TTransmitFile::Work& w = *t->work;
    for (uint32_t i = 0; i < n; ++i) {
        const char flag = m.flags[i] == '1' ? '1' : '0';
        char& mine = t->blockMap[m.first + i];
        if (mine != flag) w.doneBlocks += flag == '1' ? 1 : uint32_t(-1);
        mine = flag;
    }
    w.heardThisPass = true;
    w.idlePasses = 0;
    t->activityMs = w.lastHeardMs = clock_.nowMs();
    progress(*t, false);
}

void Transfers::pump() {
    const int64_t now = counterUs();
    // A copy of the serials: a transfer may end while it is served.
    std::vector<uint64_t> serials;
    for (auto& t : list_)
        if (t->work->sending) serials.push_back(t->serial);
    for (uint64_t s : serials)
        for (auto& t : list_)
            if (t->serial == s) {
                pumpOne(*t, now);
                break;
            }
    updateTimers();
}

void Transfers::requestReads(TTransmitFile& t) {
    TTransmitFile::Work& w = *t.work;
    const uint32_t blocks = uint32_t(t.blockMap.size());
    if (w.reading > 0 || w.ready.size() >= kBurst * 2 || w.cursor >= blocks) return;
    std::vector<uint32_t> want;
    while (w.cursor < blocks && want.size() < kBurst * 2) {
        if (t.blockMap[w.cursor] == '0') want.push_back(w.cursor);
        ++w.cursor;
    }
    if (want.empty()) return;
    w.reading = uint32_t(want.size());
    const uint64_t size = t.size;
    onWorker<std::vector<FileIo::Block>>(
        t, [want = std::move(want), size](FileIo& io) { return io.read(want, size); },
        [this](TTransmitFile& t, std::vector<FileIo::Block> got) {
            TTransmitFile::Work& w = *t.work;
            w.reading = 0;
            for (auto& b : got) {
                if (b.data.empty() && t.size > 0) return fail(t);
                w.ready.push_back(std::move(b));
            }
            pumpOne(t, counterUs());
        });
}

void Transfers::pumpOne(TTransmitFile& t, int64_t nowUs) {
    TTransmitFile::Work& w = *t.work;
    if (!w.sending || t.finished) return;
    if (w.passGapUntilMs >= 0) {
        if (clock_.nowMs() < w.passGapUntilMs) return;
        nextPass(t);
        if (!w.sending) return;
    }
    requestReads(t);
    int64_t budget = kBurst;
    // Each tenth of the round trip lets a group of kGroup blocks go: a window of blocks spread over
    // one round trip, in the records' order.
    if (t.delayUs > 0) budget = std::min<int64_t>(budget, (nowUs - w.lastSendUs) / t.delayUs * kGroup);
    if (w.inFlight() >= kWindow &&
        clock_.nowMs() - w.lastHeardMs > std::clamp<int64_t>(3 * t.delayUs * 10 / 1000, 200, 2000))
        w.ackedSeq = w.nextSeq - 1; // nothing came back for a while: what is out there is lost
    budget = std::min<int64_t>(budget, int64_t(kWindow) - int64_t(w.inFlight()));
    while (budget > 0 && !w.ready.empty()) {
        FileIo::Block b = std::move(w.ready.front());
        w.ready.pop_front();
        if (t.blockMap[b.index] == '1') continue;
        protocol::FileData d;
        d.receiverId = uint32_t(t.receiverId);
        d.transferId = t.transmitId;
        d.position = uint64_t(b.index) * kFileBlock;
        d.length = uint32_t(b.data.size());
        const auto md5 = crypto::Md5OfText(b.data);
        d.md5.assign(reinterpret_cast<const char*>(md5.data()), md5.size());
        d.data = std::move(b.data);
        d.sendStamp = uint64_t(nowUs);
        send(t, message(Cmd::FileData, d), false);
        ++blocksSent_;
        if (w.seqOf.size() != t.blockMap.size()) w.seqOf.assign(t.blockMap.size(), 0);
        w.seqOf[b.index] = w.nextSeq++;
        --budget;
        w.lastSendUs = nowUs;
    }
    if (w.cursor >= t.blockMap.size() && w.ready.empty() && w.reading == 0 && w.passGapUntilMs < 0) {
        // The pass is over: wait a few round trips for the acknowledgements still on their way.
        const int64_t rttMs = t.delayUs * 10 / 1000;
        w.passGapUntilMs = clock_.nowMs() + std::clamp<int64_t>(3 * rttMs, 200, 2000);
        if (std::find(t.blockMap.begin(), t.blockMap.end(), '0') == t.blockMap.end())
            w.passGapUntilMs = clock_.nowMs();
    }
}

void Transfers::nextPass(TTransmitFile& t) {
    TTransmitFile::Work& w = *t.work;
    w.passGapUntilMs = -1;
    if (std::find(t.blockMap.begin(), t.blockMap.end(), '0') == t.blockMap.end()) {
        w.sending = false;
        return senderComplete(t);
    }
    // A pass in which nothing at all came back from the receiver is an idle one; a slow link whose
    // acknowledgements still arrive never counts towards failing.
    w.idlePasses = w.heardThisPass ? 0 : w.idlePasses + 1;
    w.heardThisPass = false;
    if (w.idlePasses > kMaxIdlePasses) return fail(t);
    w.cursor = 0;
    w.ackedSeq = w.nextSeq - 1;
}

void Transfers::onAck(const protocol::FileDataAck& a) {
    TTransmitFile* t = find(a.transferId);
    if (!t || a.senderId != host_.ownId() || t->direction != TTransmitFile::Sending || !t->started ||
        t->finished)
        return;
    if (a.bytesDone == 0 || a.bytesDone > t->size ||
        (a.bytesDone % kFileBlock != 0 && a.bytesDone != t->size))
        return;
    const int64_t now = counterUs();
    if (a.sendStamp > 0 && int64_t(a.sendStamp) <= now) t->delayUs = (now - int64_t(a.sendStamp)) / 10;
    t->activityMs = clock_.nowMs();
    TTransmitFile::Work& w = *t->work;
    w.heardThisPass = true;
    w.lastHeardMs = t->activityMs;
    markDone(*t, a.bytesDone);
    progress(*t, false);
}

void Transfers::markDone(TTransmitFile& t, uint64_t bytesDone) {
    if (t.blockMap.empty()) return;
    const uint32_t block = blockOfBytesDone(bytesDone, t.size);
    if (block >= t.blockMap.size()) return;
    t.bytesDone = bytesDone;
    TTransmitFile::Work& w = *t.work;
    if (t.blockMap[block] == '1') return;
    t.blockMap[block] = '1';
    ++w.doneBlocks;
    if (block < w.seqOf.size()) w.ackedSeq = std::max(w.ackedSeq, w.seqOf[block]);
}

void Transfers::onComplete(const protocol::FileComplete& c) {
    TTransmitFile* t = find(c.transferId);
    if (!t || c.senderId != host_.ownId() || t->direction != TTransmitFile::Sending || !t->started) return;
    t->blockMap.assign(t->blockMap.size(), '1');
    senderComplete(*t);
}

void Transfers::senderComplete(TTransmitFile& t) {
    t.finished = true;
    t.work->sending = false;
    progress(t, true);
    if (!t.completionReported) {
        t.completionReported = true;
        line(t, texts::sent(t.name), true);
    }
    finish(t, Outcome::Completed);
}

// ---- receiver ----

void Transfers::onOffer(const protocol::FileOffer& o) {
    const uint32_t own = host_.ownId();
    if (o.receiverId != int32_t(own) && o.receiverId != -1) return;
    if (o.senderId == own || find(o.transferId)) return;
    if (fileIdentity(o.fileName, o.size) != o.identity) return;
    if (o.transferId.rfind(std::to_string(o.senderId) + "_", 0) != 0) return;
    const auto sender = host_.userName(o.senderId);
    if (!sender) return;
    if (o.picture) {
        // Pictures are named by their digest: a name that is not plain is never a picture of ours.
        const QString name = fromGbk(o.fileName);
        if (plainFileName(name) != name || o.size > 16u * 1024 * 1024) return;
    }
    auto t = std::make_unique<TTransmitFile>();
    t->name = o.fileName;
    t->size = o.size;
    t->fileId = o.identity;
    t->transmitId = o.transferId;
    t->senderId = o.senderId;
    t->senderName = *sender;
    t->receiverId = int32_t(own);
    t->receiverName = host_.ownName();
    t->direction = TTransmitFile::Receiving;
    t->key = o.key;
    t->picture = o.picture;
    t->contentTag = o.contentTag;
    t->blockMap.assign(blockCount(o.size), '0');
    t->channel = host_.openChannel(o.senderId);
    TTransmitFile* added = add(std::move(t));
    if (added->channel) added->channel->punch(o.senderLocal, o.senderPublic);
    if (added->picture) {
        accept(added->transmitId);
        return;
    }
    view_.transferAdded(*added);
}

bool Transfers::accept(const std::string& id, const QString& folder, const QString& saveAs) {
    TTransmitFile* t = find(id);
    if (!t || t->direction != TTransmitFile::Receiving || t->started || t->work->accepted) return false;
    int started = 0; // accepted ones count: they start as soon as their cache is ready
    for (auto& o : list_)
        if ((o->started || o->work->accepted) && o->senderId == t->senderId && o->receiverId == t->receiverId)
            ++started;
    if (started >= kMaxStartedPerPair) {
        view_.transferMessage(texts::tooMany(), texts::tooManyCaption());
        return false;
    }
    const TransferFolders folders = host_.folders();
    if (t->picture) {
        t->destinationFolder = folders.images;
    } else if (!saveAs.isEmpty()) {
        const QFileInfo chosen(saveAs);
        t->destinationFolder = chosen.absolutePath();
        t->saveAs = plainFileName(chosen.fileName());
    } else {
        t->destinationFolder = folder.isEmpty() ? folders.received : folder;
    }
    t->work->accepted = true;
    const QString cache = QDir(folders.cache).filePath(QString::fromLatin1(t->fileId));
    onWorker<FileIo::Cache>(
        *t,
        [cache, size = t->size, picture = t->picture, sender = t->senderId, tag = t->contentTag](FileIo& io) {
            return io.openCache(cache, size, picture, sender, tag);
        },
        [this](TTransmitFile& t, FileIo::Cache c) {
            if (!c.ok) {
                view_.transferMessage(gbkOf(c.error), std::string());
                return finish(t, Outcome::Failed);
            }
            auto reply = [this](TTransmitFile& t) {
                whenAddressKnown(t, [this](TTransmitFile& t) {
                    beginData(t);
                    sendReply(t, true);
                    if (t.blockMap.empty() || t.work->doneBlocks == t.blockMap.size()) allReceived(t);
                });
            };
            if (!c.resumed) return reply(t);
            t.blockMap = c.map;
            t.work->doneBlocks = uint32_t(std::count(t.blockMap.begin(), t.blockMap.end(), '1'));
            t.bytesDone = t.doneBytes();
            line(t, texts::resuming(t.name));
            t.work->afterMap = reply;
            sendBlockMapChunks(t, 0);
        });
    return true;
}

void Transfers::sendBlockMapChunks(TTransmitFile& t, uint32_t from) {
    TTransmitFile::Work& w = *t.work;
    w.mapNext = from;
    const uint64_t serial = t.serial;
    w.mapTimer->setInterval(kBlockMapPauseMs);
    w.mapTimer->onTimeout = [this, serial] {
        for (auto& p : list_) {
            if (p->serial != serial) continue;
            TTransmitFile& t = *p;
            TTransmitFile::Work& w = *t.work;
            const uint32_t blocks = uint32_t(t.blockMap.size());
            if (w.mapNext < blocks) {
                protocol::FileBlockMap m;
                m.senderId = t.senderId;
                m.receiverId = host_.ownId();
                m.transferId = t.transmitId;
                m.first = w.mapNext;
                m.count = std::min(protocol::kBlockMapChunk, blocks - w.mapNext);
                m.flags = t.blockMap.substr(m.first, m.count);
                w.mapNext += m.count;
                send(t, message(Cmd::FileBlockMap, m), true);
                if (w.mapNext < blocks) return;
            }
            w.mapTimer->stop();
            if (auto then = std::move(w.afterMap)) then(t);
            return;
        }
    };
    w.mapTimer->start();
}

void Transfers::sendReply(TTransmitFile& t, bool accept) {
    protocol::FileReply r;
    r.senderId = t.senderId;
    r.accept = accept;
    r.transferId = t.transmitId;
    if (accept && t.channel) {
        r.receiverLocal = t.channel->lanEndpoint();
        r.receiverPublic = t.channel->publicEndpoint();
    }
    send(t, message(Cmd::FileReply, r), true);
}

void Transfers::onData(const protocol::FileData& d) {
    TTransmitFile* t = find(d.transferId);
    if (!t || d.receiverId != host_.ownId() || t->direction != TTransmitFile::Receiving || !t->started ||
        t->finished || t->moving)
        return;
    // Only a block that lies inside the file, at a block boundary and with its full length
    // (the remainder for the last), whose digest matches, is taken.
    const uint32_t blocks = uint32_t(t->blockMap.size());
    if (d.length > kFileBlock || d.position % kFileBlock != 0 || d.position >= t->size) return;
    const uint32_t block = uint32_t(d.position / kFileBlock);
    const uint64_t want = std::min<uint64_t>(kFileBlock, t->size - d.position);
    if (block >= blocks || d.length != want) return;
    const std::string data = d.data.substr(0, d.length);
    const auto md5 = crypto::Md5OfText(data);
    if (d.md5.size() != 16 || std::memcmp(md5.data(), d.md5.data(), 16) != 0) return;
    t->activityMs = clock_.nowMs();
    const uint64_t bytesDone = d.position + d.length;
    t->bytesDone = bytesDone;
    TTransmitFile::Work& w = *t->work;
    if (t->blockMap[block] != '1') {
        postWrite(*t, d.position, data, t->picture ? -1 : int64_t(block));
        t->blockMap[block] = '1';
        ++w.doneBlocks;
    }
    progress(*t, false);
    if (w.doneBlocks == blocks) return allReceived(*t);
    protocol::FileDataAck a;
    a.senderId = t->senderId;
    a.transferId = t->transmitId;
    a.bytesDone = bytesDone;
    a.sendStamp = d.sendStamp;
    send(*t, message(Cmd::FileDataAck, a), false);
}

void Transfers::allReceived(TTransmitFile& t) {
    t.moving = true; // the watchdog leaves it alone while the data is checked and moved
    onWorker<uint32_t>(
        t, [](FileIo& io) { return io.dataTag(); },
        [this](TTransmitFile& t, uint32_t tag) {
            if (t.contentTag != 0 && tag != t.contentTag) {
                // Not the offered file (a cache of another file with the same name and size, or
                // a write that went wrong): everything is fetched again.
                t.moving = false;
                t.blockMap.assign(t.blockMap.size(), '0');
                t.work->doneBlocks = 0;
                t.bytesDone = 0;
                t.contentTag = t.contentTag; // kept: the sender's file decides
                onWorker<bool>(
                    t, [](FileIo& io) { return io.resetMap(); }, [](TTransmitFile&, bool) {});
                t.activityMs = clock_.nowMs();
                t.work->afterMap = nullptr;
                sendBlockMapChunks(t, 0);
                return;
            }
            t.finished = true;
            protocol::FileComplete c;
            c.senderId = t.senderId;
            c.transferId = t.transmitId;
            c.receiverId = host_.ownId();
            send(t, message(Cmd::FileComplete, c), true);
            line(t, texts::moving(t.name));
            const QString name = t.saveAs.isEmpty() ? plainFileName(fromGbk(t.name)) : t.saveAs;
            const QString history = host_.folders().history;
            ReceivedFileRecord record;
            record.senderName = t.senderName;
            record.size = t.size;
            onWorker<FileIo::Moved>(
                t,
                [folder = t.destinationFolder, name, picture = t.picture, history,
                 record](FileIo& io) mutable {
                    FileIo::Moved m = io.move(folder, name, picture);
                    if (m.ok && !picture) {
                        record.path = gbkOf(m.path);
                        record.receivedAt = protocol::nowDayCount();
                        appendReceivedFile(history.toStdString(), record);
                    }
                    return m;
                },
                [this](TTransmitFile& t, FileIo::Moved m) {
                    if (!m.ok) {
                        view_.transferMessage(gbkOf(m.error), std::string());
                        if (t.picture) view_.pictureDone(t, false);
                        return finish(t, Outcome::Failed);
                    }
                    t.destination = m.path;
                    t.completionReported = true;
                    if (t.picture)
                        view_.pictureDone(t, true);
                    else
                        view_.fileReceived(t, m.path);
                    finish(t, Outcome::Completed);
                });
        });
}

// ---- ending ----

void Transfers::onCancel(const protocol::FileNotice& n) {
    TTransmitFile* t = find(n.transferId);
    if (!t || n.receiverId != host_.ownId() || t->direction != TTransmitFile::Receiving) return;
    line(*t, texts::cancelledByPeer(t->name));
    if (t->picture) view_.pictureDone(*t, false);
    finish(*t, Outcome::Cancelled);
}

void Transfers::onOffline(const protocol::FileNotice& n) {
    TTransmitFile* t = find(n.transferId);
    if (!t || n.receiverId != host_.ownId() || t->direction != TTransmitFile::Receiving) return;
    line(*t, texts::sentOffline(t->name));
    finish(*t, Outcome::Offline);
}

void Transfers::onAbort(const protocol::FileAbort& a) {
    TTransmitFile* t = find(a.transferId);
    if (!t || a.otherId != host_.ownId() || a.stoppedBy != t->peerId()) return;
    const std::string who = host_.userName(a.stoppedBy).value_or(t->peerName());
    line(*t, texts::stoppedBy(who, t->name));
    if (t->picture) view_.pictureDone(*t, false);
    finish(*t, Outcome::Stopped);
}

void Transfers::cancel(const std::string& id) {
    TTransmitFile* t = find(id);
    if (!t || t->direction != TTransmitFile::Sending) return;
    if (t->started) return stop(id);
    if (t->receiverId >= 0)
        send(*t, message(Cmd::FileCancel, protocol::FileNotice{uint32_t(t->receiverId), id}), true);
    line(*t, texts::cancelledOwn(t->name));
    finish(*t, Outcome::Cancelled);
}

void Transfers::decline(const std::string& id) {
    TTransmitFile* t = find(id);
    if (!t || t->direction != TTransmitFile::Receiving) return;
    if (t->started) return stop(id);
    sendReply(*t, false);
    line(*t, texts::declinedOwn(t->name));
    finish(*t, Outcome::Declined);
}

void Transfers::stop(const std::string& id) {
    TTransmitFile* t = find(id);
    if (!t) return;
    if (!t->started) return t->direction == TTransmitFile::Sending ? cancel(id) : decline(id);
    if (t->receiverId >= 0) {
        protocol::FileAbort a;
        a.otherId = t->peerId();
        a.transferId = id;
        a.stoppedBy = host_.ownId();
        send(*t, message(Cmd::FileAbort, a), true);
    }
    line(*t, texts::stoppedOwn(t->name));
    finish(*t, Outcome::Stopped);
}

void Transfers::endOffline(const std::string& id) {
    if (TTransmitFile* t = find(id)) finish(*t, Outcome::Offline);
}

void Transfers::windowClosing(const protocol::ConversationKey& key) {
    std::vector<std::string> ids;
    for (auto& t : list_)
        if (!t->picture && sameConversation(t->key, key, host_.ownId()) && !t->transmitId.empty())
            ids.push_back(t->transmitId);
    for (const auto& id : ids)
        stop(id);
}

void Transfers::endAll() {
    while (!list_.empty())
        finish(*list_.front(), Outcome::SignedOut);
}

void Transfers::colleagueGone(uint32_t userId) {
    std::vector<uint64_t> gone;
    for (auto& t : list_)
        if (t->peerId() == userId) gone.push_back(t->serial);
    for (uint64_t s : gone)
        for (auto& t : list_)
            if (t->serial == s) {
                // A picture that can no longer come shows the error picture, not "loading" forever.
                if (t->picture && t->direction == TTransmitFile::Receiving) view_.pictureDone(*t, false);
                finish(*t, Outcome::SignedOut);
                break;
            }
}

void Transfers::fail(TTransmitFile& t) {
    line(t, texts::failed(t.name));
    if (t.picture) view_.pictureDone(t, false);
    finish(t, Outcome::Failed);
}

void Transfers::finish(TTransmitFile& t, Outcome outcome) {
    auto it = std::find_if(list_.begin(), list_.end(), [&](auto& p) { return p.get() == &t; });
    if (it == list_.end()) return;
    std::unique_ptr<TTransmitFile> owned = std::move(*it);
    list_.erase(it);
    if (!owned->picture) view_.transferRemoved(*owned, outcome);
    TTransmitFile::Work& w = *owned->work;
    w.waitTimer->stop();
    w.mapTimer->stop();
    w.sending = false;
    // The worker closes the stream once what it was asked to do is done; it never outlives
    // its thread's own event loop.
    auto io = w.io;
    if (outcome != Outcome::Completed) io->stopRequested = true;
    QMetaObject::invokeMethod(w.context, [io] { io->closeCache(); });
    w.thread->quit();
    if (owned->channel) owned->channel->onRecord = nullptr;
    updateTimers();
    // `owned` (with its channel) goes here; a record handler of that channel returns at once.
}

void Transfers::watchdogTick() {
    const int64_t now = clock_.nowMs();
    std::vector<uint64_t> failed;
    for (auto& t : list_) {
        if (!t->started || t->moving) continue;
        const int64_t quiet = now - t->activityMs;
        if (quiet > kFailAfterMs)
            failed.push_back(t->serial);
        else if (quiet > kRelayAfterMs && t->channel)
            t->channel->setViaServer(true);
    }
    for (uint64_t s : failed)
        for (auto& t : list_)
            if (t->serial == s) {
                fail(*t);
                break;
            }
    updateTimers();
}

void Transfers::progress(TTransmitFile& t, bool force) {
    const int64_t now = clock_.nowMs();
    t.elapsedMs = now - t.startMs;
    if (!force && now - t.lastProgressMs <= kProgressMs) return;
    t.lastProgressMs = now;
    if (!t.picture) view_.transferChanged(t);
}

void Transfers::handle(const Message& m) {
    switch (m.cmd()) {
    case Cmd::FileOffer: {
        protocol::FileOffer r;
        if (wire::decode(m.body, r)) onOffer(r);
        break;
    }
    case Cmd::FileReply: {
        protocol::FileReply r;
        if (wire::decode(m.body, r)) onReply(r);
        break;
    }
    case Cmd::FileData: {
        protocol::FileData r;
        if (wire::decode(m.body, r)) onData(r);
        break;
    }
    case Cmd::FileDataAck: {
        protocol::FileDataAck r;
        if (wire::decode(m.body, r)) onAck(r);
        break;
    }
    case Cmd::FileCancel: {
        protocol::FileNotice r;
        if (wire::decode(m.body, r)) onCancel(r);
        break;
    }
    case Cmd::FileOffline: {
        protocol::FileNotice r;
        if (wire::decode(m.body, r)) onOffline(r);
        break;
    }
    case Cmd::FileAbort: {
        protocol::FileAbort r;
        if (wire::decode(m.body, r)) onAbort(r);
        break;
    }
    case Cmd::FileComplete: {
        protocol::FileComplete r;
        if (wire::decode(m.body, r)) onComplete(r);
        break;
    }
    case Cmd::FileBlockMap: {
        protocol::FileBlockMap r;
        if (wire::decode(m.body, r)) onBlockMap(r);
        break;
    }
    default:
        break;
    }
}

} // namespace vantor::transfer

// The journal of unacknowledged messages: what a later run reads back after acknowledgements, torn
// records, compaction and a crash between two generations; and the transport that reloads it with
// the ages the wall clock gives and never reuses a send tick of an earlier run.
#include "fakes.h"

#include "peer/pending_journal.h"
#include "protocol/chat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace vantor;
using namespace vantor::peer;
using namespace vantor::peer::testing;
using protocol::Cmd;

namespace {

protocol::ChatMessage message(uint32_t tick, const std::string& text = "hi") {
    protocol::ChatMessage m;
    m.recipientId = kPeer;
    m.senderId = kOwnId;
    m.sendTick = tick;
    m.text = text;
    m.textLength = uint32_t(text.size());
    return m;
}

std::vector<uint32_t> ticks(const PendingJournal::Contents& c) {
    std::vector<uint32_t> out;
    for (const auto& e : c.entries)
        out.push_back(e.message.sendTick);
    return out;
}

std::vector<std::string> journalFiles(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

struct Folder {
    QTemporaryDir dir;
    std::string path() const { return dir.path().toStdString() + "/"; }
};

TEST(PendingJournal, ALaterRunReadsWhatWasNotAcknowledged) {
    Folder f;
    {
        PendingJournal j(f.path());
        PendingJournal::Contents c;
        ASSERT_FALSE(j.open(c));
        EXPECT_TRUE(c.entries.empty());
        for (uint32_t t : {10u, 20u, 30u, 40u})
            ASSERT_FALSE(j.add({message(t, "text " + std::to_string(t)), 1000 + t}));
        ASSERT_FALSE(j.remove(kOwnId, kPeer, 20));
        ASSERT_FALSE(j.remove(kOwnId, kPeer + 1, 30)); // not ours: nothing
        ASSERT_FALSE(j.setTickFloor(5000));
        // No flush and no orderly end: what write() handed to the file is what a crash leaves.
    }
    PendingJournal j(f.path());
    PendingJournal::Contents c;
    ASSERT_FALSE(j.open(c));
    EXPECT_EQ(ticks(c), (std::vector<uint32_t>{10, 30, 40}));
    EXPECT_EQ(c.entries[1].message.text, "text 30");
    EXPECT_EQ(c.entries[1].queuedAtMs, 1030);
    EXPECT_EQ(c.tickFloor, 5000u);
    EXPECT_EQ(c.droppedBytes, 0u);
    j.flush();
    EXPECT_EQ(journalFiles(f.path()), std::vector<std::string>{"PendingMessages.2.dat"});
}

// A crash in the middle of a write leaves a short or garbled last record: it alone is dropped.
TEST(PendingJournal, ATornLastRecordIsDropped) {
    struct Case {
        const char* what;
        int cut;     // bytes cut from the end
        bool garble; // flip a byte of the last record instead
    };
    const Case cases[] = {
        {"one byte of the checksum missing", 1, false},
        {"only the length arrived", -4, false},
        {"half a record", 50, false},
        {"a flipped byte", 0, true},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.what);
        Folder f;
        std::string file;
        {
            PendingJournal j(f.path());
            PendingJournal::Contents c;
            ASSERT_FALSE(j.open(c));
            ASSERT_FALSE(j.add({message(1), 1}));
            ASSERT_FALSE(j.add({message(2), 2}));
            file = f.path() + "PendingMessages." + std::to_string(j.generation()) + ".dat";
        }
        QFile q(QString::fromStdString(file));
        ASSERT_TRUE(q.open(QIODevice::ReadWrite));
        QByteArray bytes = q.readAll();
        const qsizetype last = bytes.size() - (4 + 1 + 8 + 4 + 88 + 2 + 4);
        if (tc.garble) {
            bytes[last + 30] = char(bytes[last + 30] ^ 0x40);
        } else {
            bytes.truncate(tc.cut > 0 ? bytes.size() - tc.cut : last - tc.cut);
        }
        q.resize(0);
        q.seek(0);
        q.write(bytes);
        q.close();

        PendingJournal j(f.path());
        PendingJournal::Contents c;
        ASSERT_FALSE(j.open(c));
        EXPECT_EQ(ticks(c), std::vector<uint32_t>{1});
        EXPECT_GT(c.droppedBytes, 0u);
        // The new generation is whole again: more records and a third run read cleanly.
        ASSERT_FALSE(j.add({message(3), 3}));
        j.flush(); // the torn generation goes once the new one is on disk
        PendingJournal again(f.path());
        PendingJournal::Contents c2;
        ASSERT_FALSE(again.open(c2));
        EXPECT_EQ(ticks(c2), (std::vector<uint32_t>{1, 3}));
        EXPECT_EQ(c2.droppedBytes, 0u);
    }
}

TEST(PendingJournal, AcknowledgedEntriesAreCompactedAway) {
    Folder f;
    PendingJournal j(f.path());
    PendingJournal::Contents c;
    ASSERT_FALSE(j.open(c));
    const uint64_t first = j.generation();
    for (uint32_t t = 1; t <= 200; ++t)
        ASSERT_FALSE(j.add({message(t), t}));
    for (uint32_t t = 1; t <= 190; ++t)
        ASSERT_FALSE(j.remove(kOwnId, kPeer, t));
    EXPECT_GT(j.generation(), first);
    EXPECT_EQ(j.live(), 10u);
    j.flush();
    const auto files = journalFiles(f.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_LT(std::filesystem::file_size(f.path() + files[0]), 60u * (4 + 1 + 8 + 4 + 88 + 2 + 4));

    PendingJournal later(f.path());
    ASSERT_FALSE(later.open(c));
    ASSERT_EQ(c.entries.size(), 10u);
    EXPECT_EQ(c.entries.front().message.sendTick, 191u);
    EXPECT_EQ(c.entries.back().message.sendTick, 200u);
}

// A crash after a new generation was written but before the old one was deleted: both are read,
// and an entry acknowledged in the newer one does not come back from the older one.
TEST(PendingJournal, TwoGenerationsAfterACrashAreReadAsOne) {
    Folder f;
    std::string older;
    {
        PendingJournal j(f.path());
        PendingJournal::Contents c;
        ASSERT_FALSE(j.open(c));
        ASSERT_FALSE(j.add({message(1), 1}));
        ASSERT_FALSE(j.add({message(2), 2}));
        j.flush();
        older = f.path() + "PendingMessages." + std::to_string(j.generation()) + ".dat";
    }
    QFile::copy(QString::fromStdString(older), QString::fromStdString(older + ".keep"));
    {
        PendingJournal j(f.path());
        PendingJournal::Contents c;
        ASSERT_FALSE(j.open(c));
        ASSERT_FALSE(j.remove(kOwnId, kPeer, 1));
        ASSERT_FALSE(j.add({message(3), 3}));
        j.flush();
    }
    ASSERT_TRUE(QFile::rename(QString::fromStdString(older + ".keep"), QString::fromStdString(older)));
    PendingJournal j(f.path());
    PendingJournal::Contents c;
    ASSERT_FALSE(j.open(c));
    EXPECT_EQ(ticks(c), (std::vector<uint32_t>{2, 3}));
}

TEST(PendingJournal, AFolderThatCannotBeWrittenIsReported) {
    PendingJournal j("/proc/no-such-folder/");
    PendingJournal::Contents c;
    const auto error = j.open(c);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("cannot create"), std::string::npos);
    EXPECT_TRUE(j.add({message(1), 1}).has_value());
}

// The transport over the journal: a sign-out lets go of the queue, the next sign-in (or the next
// run) takes it back with wall-clock ages, and the tick count starts past every earlier tick.
TEST(PendingJournal, TheNextRunResendsByAgeAndNeverReusesATick) {
    Folder f;
    int64_t wall = 1'700'000'000'000;
    uint32_t lastTick = 0;
    {
        Rig r;
        r.transport.wallClockMs = [&] { return wall; };
        r.directory.status[kPeer] = 0;
        ASSERT_FALSE(r.transport.openJournal(f.path()));
        r.clock.advance(123456);
        lastTick = r.transport.tickCount();
        ASSERT_FALSE(r.transport.queueChat(message(lastTick - 1, "old")));
        wall += 20000;
        ASSERT_FALSE(r.transport.queueChat(message(lastTick, "young")));
        r.transport.stop(); // a sign-out: the memory lets go, the journal keeps them
        EXPECT_EQ(r.transport.pending().size(), 0u);
    }
    wall += 15000; // the first is 35 s old now, the second 15 s
    Rig r;         // a new process: its clock starts at 0 again
    r.transport.wallClockMs = [&] { return wall; };
    r.directory.status[kPeer] = 0;
    ASSERT_FALSE(r.transport.openJournal(f.path()));
    EXPECT_GT(int32_t(r.transport.tickCount() - lastTick), int32_t(PeerTransport::kTickFloorReserveMs) - 1);
    ASSERT_EQ(r.transport.pending().size(), 2u);
    EXPECT_TRUE(r.transport.pending().timerActive());
    r.clock.advance(ResendQueue::kIntervalMs);
    // The old one is handed to the server with the flag; the young one is relayed again.
    ASSERT_EQ(r.server.sent.size(), 2u);
    protocol::ChatMessage sent[2];
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(
            protocol::ChatMessage::decodeBody(std::string_view(r.server.sent[size_t(i)]).substr(1), sent[i]));
    const auto& old = sent[0].text == "old" ? sent[0] : sent[1];
    const auto& young = sent[0].text == "old" ? sent[1] : sent[0];
    EXPECT_TRUE(old.serverDelivery);
    EXPECT_FALSE(young.serverDelivery);
    EXPECT_EQ(young.sendTick, lastTick); // the same message, by the same name
    ASSERT_EQ(r.transport.pending().size(), 1u);

    protocol::ChatAck ack{kOwnId, kPeer, 5, lastTick};
    r.transport.onChatAck(wire::encode(ack));
    EXPECT_EQ(r.transport.pending().size(), 0u);
    r.transport.stop();
    Rig third;
    ASSERT_FALSE(third.transport.openJournal(f.path()));
    EXPECT_EQ(third.transport.pending().size(), 0u) << "acknowledged or handed over: gone for good";
}

} // namespace

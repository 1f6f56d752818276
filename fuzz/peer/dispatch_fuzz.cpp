// Datagrams of any content from the server's address or a peer's, into a chat channel, with time
// moving between them so that the queued handshake copies go out; plus the server-dispatched
// CmdPeerAddress and CmdChatAck. Nothing may be read beyond what arrived, and whatever the
// datagrams say, the channel only ever sends to addresses and in sizes it can hold.
#include "peer/transport.h"
#include "platform/clock.h"
#include "protocol/chat.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace vantor;
using namespace vantor::peer;

namespace {

// Time moved by hand; due timers fire in order (a small stand-in for the platform's manual clock,
// which lives in a Qt library).
class StepClock : public platform::Clock {
  public:
    class T : public platform::Timer {
      public:
        explicit T(StepClock& c) : c_(c) { c_.timers.push_back(this); }
        ~T() override { c_.timers.erase(std::find(c_.timers.begin(), c_.timers.end(), this)); }
        void setInterval(int ms) override { interval_ = ms; }
        int interval() const override { return interval_; }
        void setSingleShot(bool s) override { single_ = s; }
        bool isSingleShot() const override { return single_; }
        void start() override {
            active_ = true;
            due_ = c_.now + std::max(interval_, 1);
        }
        void stop() override { active_ = false; }
        bool isActive() const override { return active_; }
        StepClock& c_;
        int interval_ = 0;
        bool single_ = false, active_ = false;
        int64_t due_ = 0;
    };
    int64_t nowMs() const override { return now; }
    std::unique_ptr<platform::Timer> createTimer() override { return std::make_unique<T>(*this); }
    void advance(int64_t ms) {
        const int64_t end = now + ms;
        for (int guard = 0; guard < 10000; ++guard) {
            T* next = nullptr;
            for (T* t : timers)
                if (t->active_ && t->due_ <= end && (!next || t->due_ < next->due_)) next = t;
            if (!next) break;
            now = next->due_;
            if (next->single_)
                next->active_ = false;
            else
                next->due_ = now + std::max(next->interval_, 1);
            if (next->onTimeout) next->onTimeout();
        }
        now = end;
    }
    int64_t now = 0;
    std::vector<T*> timers;
};

struct Link : IServerLink {
    bool connected() const override { return true; }
    void sendToServer(std::string_view m) override {
        if (m.empty() || m.size() > protocol::kMaxOrdinaryMessage) abort();
    }
    std::string serverAddress() const override { return "198.51.100.1"; }
    uint16_t serverPort() const override { return 8000; }
    uint32_t ownId() const override { return 7; }
};

struct Directory : IPeerDirectory {
    std::optional<uint8_t> contactStatus(uint32_t id) const override {
        if (id == 42) return 0;
        if (id == 43) return 10;
        return std::nullopt;
    }
    void requestUserRecord(uint32_t) override {}
};

struct Sink : IPeerRecordSink {
    void peerRecord(const protocol::Message& m, TMySocket&) override {
        const auto* info = protocol::codeInfo(m.code);
        if (!info || m.body.size() < info->received.head) abort();
    }
};

struct Socket : DatagramSocket {
    bool send(std::string_view data, const Endpoint& to) override {
        if (data.empty() || data.size() > protocol::kMaxDatagram || to.address.size() > 15) abort();
        return true;
    }
    uint16_t localPort() const override { return 40000; }
    bool ready() const override { return true; }
};

struct Sockets : DatagramSocketFactory {
    std::unique_ptr<DatagramSocket> open(const UdpProxy&) override { return std::make_unique<Socket>(); }
    std::string localAddressTowards(const std::string&, uint16_t) override { return "10.1.0.2"; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StepClock clock;
    Link link;
    Directory directory;
    Sink sink;
    Sockets sockets;
    PeerTransport transport(link, directory, sink, clock, sockets);
    transport.start();
    TMySocket& channel = transport.ensureChatChannel(42);
    protocol::ChatMessage queued;
    queued.recipientId = 42;
    queued.senderId = 7;
    queued.sendTick = 100;
    transport.queueChat(queued);

    // Each item: one selector byte, a 16-bit length, then that many bytes.
    size_t pos = 0;
    while (pos + 3 <= size) {
        const uint8_t sel = data[pos];
        const size_t len =
            std::min<size_t>(size_t(data[pos + 1]) | size_t(data[pos + 2]) << 8, size - pos - 3);
        const std::string_view item(reinterpret_cast<const char*>(data) + pos + 3, len);
        pos += 3 + len;
        switch (sel % 6) {
        case 0:
            channel.OnDataRead(item, {"198.51.100.1", 8000});
            break;
        case 1:
            channel.OnDataRead(item, {"198.51.100.3", 40100});
            break;
        case 2:
            transport.onPeerAddress(item);
            break;
        case 3:
            transport.onChatAck(item);
            break;
        case 4:
            clock.advance(int64_t(sel) * 97);
            break;
        case 5:
            channel.Punch();
            break;
        }
    }
    clock.advance(70000);
    return 0;
}

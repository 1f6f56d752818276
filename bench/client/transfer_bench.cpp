// A file between two whole clients through vantor-server on loopback: relayed by the server (no
// direct path: the clients' LAN addresses lead nowhere and the server answers no echo), and
// directly after punching with 0 %, 1 % and 5 % of the clients' datagrams dropped at random on the
// way out. Throughput and CPU time (the clients' event loop, their file workers, the server).
// Baselines in the same run: a raw UDP blast of the same 1402-byte datagrams (what arrives per
// second at a receiver that only counts) and a TCP copy of the same bytes. Size in MB from
// BENCH_TRANSFER_MB (default 200); BENCH_TRANSFER_RUNS picks runs by name ("relayed,0,1,5").
#include "client_fixture.h"
#include "peer/qt_sockets.h"
#include "transfer/transfers.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <random>
#include <thread>

using namespace vantor;
using vantor::testing::TestClient;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The channels' sockets of one client: real UDP sockets, a share of whose outgoing datagrams is
// dropped at random, and (for the relayed run) a LAN address that leads nowhere.
class PathSocket : public peer::DatagramSocket {
  public:
    PathSocket(std::unique_ptr<peer::DatagramSocket> inner, int lossPercent, std::mt19937& rng)
        : inner_(std::move(inner)), loss_(lossPercent), rng_(rng) {
        inner_->onDatagram = [this](std::string_view d, const protocol::Endpoint& from) {
            if (onDatagram) onDatagram(d, from);
        };
        inner_->onReady = [this] {
            if (onReady) onReady();
        };
        inner_->onFailed = [this](const std::string& m) {
            if (onFailed) onFailed(m);
        };
    }
    bool send(std::string_view data, const protocol::Endpoint& to) override {
        if (loss_ > 0 && int(rng_() % 100) < loss_) return true; // lost on the way
        return inner_->send(data, to);
    }
    uint16_t localPort() const override { return inner_->localPort(); }
    bool ready() const override { return inner_->ready(); }

  private:
    std::unique_ptr<peer::DatagramSocket> inner_;
    int loss_;
    std::mt19937& rng_;
};

class PathFactory : public peer::DatagramSocketFactory {
  public:
    PathFactory(platform::Clock& clock, int lossPercent, bool noLan)
        : real_(clock), loss_(lossPercent), noLan_(noLan) {}
    std::unique_ptr<peer::DatagramSocket> open(const peer::UdpProxy& proxy) override {
        auto s = real_.open(proxy);
        if (!s) return s;
        return std::make_unique<PathSocket>(std::move(s), loss_, rng_);
    }
    std::string localAddressTowards(const std::string& server, uint16_t port) override {
        return noLan_ ? std::string("192.0.2.1") : real_.localAddressTowards(server, port);
    }

  private:
    peer::UdpSocketFactory real_;
    int loss_;
    bool noLan_;
    std::mt19937 rng_{20261210};
};

struct Accept : transfer::ITransferView {
    transfer::Transfers* transfers = nullptr;
    QString folder;
    int done = 0;
    bool direct = false, relayed = false;
    void transferAdded(transfer::TTransmitFile& t) override {
        if (t.direction == transfer::TTransmitFile::Receiving) transfers->accept(t.transmitId, folder);
    }
    void transferChanged(transfer::TTransmitFile& t) override {
        direct |= t.channel && !t.channel->viaServer();
        relayed |= t.channel && t.channel->viaServer();
    }
    void transferRemoved(transfer::TTransmitFile&, transfer::Outcome) override { ++done; }
    void transferLine(transfer::TTransmitFile&, const std::string&, bool) override {}
    void fileReceived(transfer::TTransmitFile&, const QString&) override {}
    void transferMessage(const std::string&, const std::string&) override {}
    void pictureDone(transfer::TTransmitFile&, bool) override {}
};

// Raw UDP: one thread sends `count` datagrams of 1402 bytes as fast as it can, the receiver counts
// what arrives; the rate is bytes of payload (1280 per datagram) per second at the receiver.
double udpBlastMBps(uint64_t count) {
    int rx = socket(AF_INET, SOCK_DGRAM, 0), tx = socket(AF_INET, SOCK_DGRAM, 0);
    int buf = 4 << 20;
    setsockopt(rx, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(rx, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(rx, reinterpret_cast<sockaddr*>(&a), &len);
    timeval tv{0, 200000};
    setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    uint64_t got = 0;
    QElapsedTimer t;
    t.start();
    std::thread sender([&] {
        char d[1402] = {0x0C};
        for (uint64_t i = 0; i < count; ++i)
            sendto(tx, d, sizeof d, 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    });
    char r[2048];
    qint64 last = 0;
    while (recv(rx, r, sizeof r, 0) > 0) {
        ++got;
        last = t.nsecsElapsed();
    }
    sender.join();
    close(rx);
    close(tx);
    return last > 0 ? double(got) * 1280 / (double(last) / 1e9) / 1e6 : 0;
}

double tcpCopyMBps(const QString& path) {
    int ls = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(ls, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(ls, 1);
    socklen_t len = sizeof a;
    getsockname(ls, reinterpret_cast<sockaddr*>(&a), &len);
    QElapsedTimer t;
    t.start();
    std::thread sender([&] {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        std::string buf(1 << 16, '\0');
        qint64 n;
        while ((n = f.read(buf.data(), qint64(buf.size()))) > 0)
            for (qint64 off = 0; off < n;)
                off += std::max<ssize_t>(0, ::send(s, buf.data() + off, size_t(n - off), 0));
        close(s);
    });
    int c = accept(ls, nullptr, nullptr);
    QFile out(QDir::temp().filePath(QStringLiteral("vantor-tcp-copy.bin")));
    out.open(QIODevice::WriteOnly);
    char buf[1 << 16];
    ssize_t n;
    uint64_t total = 0;
    while ((n = recv(c, buf, sizeof buf, 0)) > 0) {
        out.write(buf, n);
        total += uint64_t(n);
    }
    out.close();
    out.remove();
    sender.join();
    close(c);
    close(ls);
    return double(total) / (double(t.nsecsElapsed()) / 1e9) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 mb = qEnvironmentVariableIntValue("BENCH_TRANSFER_MB") > 0
                          ? qEnvironmentVariableIntValue("BENCH_TRANSFER_MB")
                          : 200;
    const QStringList runs = qEnvironmentVariableIsSet("BENCH_TRANSFER_RUNS")
                                 ? qEnvironmentVariable("BENCH_TRANSFER_RUNS").split(QLatin1Char(','))
                                 : QStringList{QStringLiteral("relayed"), QStringLiteral("0"),
                                               QStringLiteral("1"), QStringLiteral("5")};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.bin"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (qint64 i = 0; i < mb; ++i) {
            for (int j = 0; j < chunk.size(); ++j)
                chunk[j] = char((j * 131 + i * 7) >> 2);
            f.write(chunk);
        }
    }
    const double bytes = double(mb) * 1048576;
    std::printf("file: %lld MB\n", static_cast<long long>(mb));
    {
        // The blast's CPU (sender and counting receiver) per 100 MB that arrived, to compare the
        // transfer's cost per byte with the least any datagram path costs on this machine.
        const double cpu0 = cpuSeconds();
        const double rate = udpBlastMBps(uint64_t(bytes / 1280));
        const double cpu = cpuSeconds() - cpu0;
        std::printf("raw UDP blast (1402-byte datagrams): %.1f MB/s; CPU %.2f s per 100 MB sent\n", rate,
                    cpu * 100 / (bytes / 1048576));
    }
    std::printf("TCP copy: %.1f MB/s\n", tcpCopyMBps(path));
    std::fflush(stdout);

    std::string error;
    auto server = vantor::testing::startServer(vantor::testing::sampleOrganisation(), dir.path(), &error);
    if (!server) {
        std::fprintf(stderr, "server: %s\n", error.c_str());
        return 1;
    }
    platform::ManualClock clock;
    QElapsedTimer real;
    real.start();
    // The injected clock follows real time, so the pacer and the watchdog run as in the program.
    auto spin = [&](const std::function<bool()>& done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            const int64_t behind = real.elapsed() - clock.nowMs();
            if (behind > 0) clock.advance(behind);
        }
        return done();
    };
    auto serverCpu = [&] {
        double cpu = 0;
        server->call([&](server::Server&) { cpu = threadCpuSeconds(); });
        return cpu;
    };
    int n = 0;
    for (const QString& run : runs) {
        const bool relayed = run == QLatin1String("relayed");
        const int loss = relayed ? 0 : run.toInt();
        ++n;
        server->call([&](server::Server& s) { s.setDirectPaths(!relayed); });
        PathFactory socketsA(clock, loss, relayed), socketsB(clock, loss, relayed);
        auto a = std::make_unique<TestClient>(dir.filePath(QStringLiteral("a%1").arg(n)), clock,
                                              server->port(), &socketsA);
        auto b = std::make_unique<TestClient>(dir.filePath(QStringLiteral("b%1").arg(n)), clock,
                                              server->port(), &socketsB);
        a->start("zhangwei", "zhangwei123");
        b->start("wangfang", "wangfang123");
        if (!spin([&] { return a->messenger().SignedIn() && b->messenger().SignedIn(); }, 20000)) return 1;
        Accept av, bv;
        av.transfers = &a->core().transfers();
        bv.transfers = &b->core().transfers();
        bv.folder = dir.filePath(QStringLiteral("inbox%1").arg(n));
        a->core().setTransferView(&av);
        b->core().setTransferView(&bv);
        const double cpu0 = cpuSeconds(), main0 = threadCpuSeconds(), server0 = serverCpu();
        QElapsedTimer t;
        t.start();
        a->core().transfers().offer(a->openWith(1002).key, 1002, path);
        if (!spin([&] { return av.done && bv.done; }, 900000)) {
            std::fprintf(stderr, "transfer did not finish\n");
            return 1;
        }
        const double secs = double(t.nsecsElapsed()) / 1e9;
        const double perHundred = 100 / (bytes / 1048576);
        const double cpu = cpuSeconds() - cpu0, mainCpu = threadCpuSeconds() - main0,
                     srvCpu = serverCpu() - server0;
        const QString received = QDir(bv.folder).filePath(QStringLiteral("bench.bin"));
        const bool same = QFileInfo(received).size() == QFileInfo(path).size();
        std::printf(
            "%s: %.1f MB/s (%.1f s), %s, %llu blocks sent for %llu, %s; CPU per 100 MB: clients' event "
            "loop %.2f s, file workers %.2f s, server %.2f s\n",
            relayed ? "relayed by the server" : qPrintable(QStringLiteral("direct, %1 % loss").arg(loss)),
            bytes / secs / 1e6, secs,
            av.direct ? (av.relayed ? "direct and relayed" : "went direct") : "stayed relayed",
            static_cast<unsigned long long>(a->core().transfers().blocksSent()),
            static_cast<unsigned long long>((uint64_t(bytes) + 1279) / 1280),
            same ? "arrived whole" : "SIZE DIFFERS", mainCpu * perHundred,
            (cpu - mainCpu - srvCpu) * perHundred, srvCpu * perHundred);
        std::fflush(stdout);
        QFile::remove(received);
        a->core().setTransferView(nullptr);
        b->core().setTransferView(nullptr);
        a.reset();
        b.reset();
    }
    return 0;
}

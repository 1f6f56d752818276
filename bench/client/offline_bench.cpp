// Offline files on loopback: TFTPClient uploads a file to vantor-server's file server (on a thread
// of its own) and downloads it again, on this thread's event loop, while a 1 ms timer measures the
// longest turn of that loop. Baseline in the same run: a plain TCP copy of the same bytes (a
// blocking sender reading the file, a blocking receiver writing a file). Size in MB from
// BENCH_OFFLINE_MB (default 500).
#include "server/file_server.h"
#include "server/store.h"
#include "test_files.h"
#include "transfer/ftp_client.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

using namespace vantor;

namespace {

void writeFile(const QString& path, qint64 size) {
    if (!testing::writeRandomFile(path, size)) std::abort();
}

using testing::sha256;

// A plain TCP copy of a file into another file over loopback: seconds.
double tcpCopy(const QString& from, const QString& to) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(listener, 1) != 0)
        std::abort();
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    QElapsedTimer t;
    t.start();
    std::thread receiver([&] {
        const int s = ::accept(listener, nullptr, nullptr);
        QFile out(to);
        if (!out.open(QIODevice::WriteOnly)) std::abort();
        std::vector<char> buf(64 * 1024);
        for (ssize_t n; (n = ::recv(s, buf.data(), buf.size(), 0)) > 0;)
            out.write(buf.data(), n);
        out.close();
        ::close(s);
    });
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) std::abort();
    std::vector<char> buf(64 * 1024);
    for (qint64 n; (n = in.read(buf.data(), qint64(buf.size()))) > 0;)
        for (qint64 sent = 0; sent < n;) {
            const ssize_t k = ::send(s, buf.data() + sent, size_t(n - sent), 0);
            if (k <= 0) std::abort();
            sent += k;
        }
    ::shutdown(s, SHUT_WR);
    receiver.join();
    ::close(s);
    ::close(listener);
    return double(t.nsecsElapsed()) / 1e9;
}

// The longest gap between the ticks of a 1 ms timer while `run` goes on: the loop's longest turn.
struct TurnMeter {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    TurnMeter() {
        timer.setInterval(1);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
    }
    void start() {
        clock.start();
        last = 0;
        longest = 0;
        timer.start();
    }
    double stopMs() {
        timer.stop();
        return double(longest) / 1e6;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 mb = qEnvironmentVariableIsSet("BENCH_OFFLINE_MB")
                          ? qEnvironmentVariableIntValue("BENCH_OFFLINE_MB")
                          : 500;
    const qint64 size = mb << 20;
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    writeFile(source, size);

    // The file server on a thread of its own.
    QThread serverThread;
    serverThread.start();
    QObject context;
    context.moveToThread(&serverThread);
    std::unique_ptr<server::Store> store;
    std::unique_ptr<server::FileServer> files;
    uint16_t port = 0;
    QMetaObject::invokeMethod(
        &context,
        [&] {
            std::string error;
            store = server::Store::open(dir.filePath(QStringLiteral("org.db")).toStdString(), &error);
            files = std::make_unique<server::FileServer>(
                *store, dir.filePath(QStringLiteral("files")).toStdString(), 60000);
            if (!files->start(QHostAddress::LocalHost, 0, &error)) std::abort();
            port = files->port();
        },
        Qt::BlockingQueuedConnection);

    auto run = [&](bool download, double& seconds, double& longestMs) {
        transfer::TFTPClient c(QStringLiteral("127.0.0.1"), port);
        c.IsDownload = download;
        c.Name = download ? QStringLiteral("1001_1002_BENCH_1") : source;
        c.Target = QStringLiteral("1001_1002_BENCH_1");
        c.SavedPath = dir.filePath(QStringLiteral("downloaded.bin"));
        c.ExpectedSize = size;
        bool done = false;
        c.OnDone = [&](transfer::TFTPClient&, const QString&, const QString& text) {
            if (c.result() != (download ? transfer::TFTPClient::Result::Downloaded
                                        : transfer::TFTPClient::Result::Uploaded)) {
                std::fprintf(stderr, "failed: %s\n", qPrintable(text));
                std::abort();
            }
            done = true;
        };
        TurnMeter meter;
        QElapsedTimer t;
        t.start();
        meter.start();
        c.StartTransfer();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        longestMs = meter.stopMs();
        seconds = double(t.nsecsElapsed()) / 1e9;
    };
    double up = 0, upTurn = 0, down = 0, downTurn = 0;
    run(false, up, upTurn);
    // The server stores the file once every byte has arrived on its thread.
    for (int i = 0; i < 500 && !QFile::exists(dir.filePath(QStringLiteral("files/1001_1002_BENCH_1"))); ++i)
        QThread::msleep(10);
    run(true, down, downTurn);
    if (sha256(dir.filePath(QStringLiteral("downloaded.bin"))) != sha256(source)) {
        std::fprintf(stderr, "the downloaded file differs\n");
        return 1;
    }
    QFile::remove(dir.filePath(QStringLiteral("downloaded.bin")));
    const double tcp = tcpCopy(source, dir.filePath(QStringLiteral("copy.bin")));

    const double m = double(size) / 1048576;
    std::printf("| %lld MB | MB/s | against the TCP copy | longest turn of the loop |\n",
                static_cast<long long>(mb));
    std::printf("| upload (TFTPClient -> file server) | %.0f | %.2f | %.1f ms |\n", m / up, tcp / up, upTurn);
    std::printf("| download (file server -> TFTPClient) | %.0f | %.2f | %.1f ms |\n", m / down, tcp / down,
                downTurn);
    std::printf("| plain TCP copy, file to file | %.0f | 1 | - |\n", m / tcp);

    QMetaObject::invokeMethod(
        &context,
        [&] {
            files.reset();
            store.reset();
        },
        Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    return 0;
}

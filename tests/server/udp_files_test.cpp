// The UDP side (public-address echo, punching datagrams) and the file server of offline files.
#include "protocol/peer_records.h"
#include "server/file_protocol.h"
#include "server/store.h"
#include "server_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace vantor::testing {
namespace {

using protocol::Endpoint;

struct Udp {
    QUdpSocket socket;
    Udp() { socket.bind(QHostAddress::LocalHost, 0); }
    Endpoint endpoint() const { return {"127.0.0.1", socket.localPort()}; }
    void send(const Message& m, uint16_t port) {
        const std::string b = m.bytes();
        socket.writeDatagram(b.data(), qint64(b.size()), QHostAddress::LocalHost, port);
    }
    std::optional<Message> receive(int ms = 1000) {
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(ms)) return std::nullopt;
        const QByteArray d = socket.receiveDatagram().data();
        Message m;
        if (!protocol::decodeDatagram(std::string_view(d.constData(), size_t(d.size())), m))
            return std::nullopt;
        return m;
    }
};

Message echo(uint32_t user, const Udp& u) {
    protocol::UdpEcho e;
    e.userId = user;
    e.local = u.endpoint();
    return protocol::makeMessage(Cmd::UdpEcho, e);
}

TEST_F(ServerTest, EchoTellsThePublicAddressAndPunchesGoWhereTheReceiverProbedFrom) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    Udp ua, ub, stranger;
    const uint16_t port = server_->port();

    ua.send(echo(11, ua), port);
    auto answer = ua.receive();
    ASSERT_TRUE(answer);
    protocol::UdpEcho e;
    ASSERT_TRUE(wire::decode(answer->body, e));
    EXPECT_EQ(e.userId, 11u);
    EXPECT_EQ(e.observed, ua.endpoint());
    ub.send(echo(12, ub), port);
    ASSERT_TRUE(ub.receive());
    stranger.send(echo(13, stranger), port); // not signed in: no answer
    EXPECT_FALSE(stranger.receive(200));

    const protocol::PunchRequest request{12, 11, ub.endpoint(), ua.endpoint(), ua.endpoint(), {}};
    const protocol::PunchShort probe{12, 11, ub.endpoint()};
    const protocol::PunchConfirm confirm{12, 11, ub.endpoint(), ua.endpoint(), ub.endpoint()};
    protocol::PunchRequest elsewhere = request;
    elsewhere.receiverPublic = stranger.endpoint();
    const struct {
        const char* what;
        Message m;
        bool forwarded;
    } cases[] = {
        {"request", protocol::makeMessage(Cmd::PunchRequest, request), true},
        {"probe", protocol::makeMessage(Cmd::PunchProbe, probe), true},
        {"confirm", protocol::makeMessage(Cmd::PunchConfirm, confirm), true},
        {"request naming an address the receiver never probed from",
         protocol::makeMessage(Cmd::PunchRequest, elsewhere), false},
    };
    for (const auto& c : cases) {
        ua.send(c.m, port);
        const auto got = ub.receive(c.forwarded ? 1000 : 200);
        EXPECT_EQ(bool(got), c.forwarded) << c.what;
        if (got) {
            EXPECT_EQ(got->body, c.m.body) << c.what;
        }
        EXPECT_FALSE(stranger.receive(50)) << c.what;
    }

    // Without direct paths there are no answers, so clients relay everything.
    server_->call([](server::Server& s) { s.setDirectPaths(false); });
    ua.send(echo(11, ua), port);
    EXPECT_FALSE(ua.receive(200));
    ua.send(cases[0].m, port);
    EXPECT_FALSE(ub.receive(200));
}

// One request on its own connection; returns everything the server answered before closing.
std::string fileRequest(uint16_t port, const std::string& bytes, bool* closed = nullptr) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(2000)) return {};
    s.write(bytes.data(), qint64(bytes.size()));
    s.waitForBytesWritten(2000);
    std::string got;
    QElapsedTimer t;
    t.start();
    // Answers come at once: stop at the first quiet moment after them, or after 300 ms of nothing.
    while (t.elapsed() < 300 && s.state() == QAbstractSocket::ConnectedState) {
        if (s.waitForReadyRead(got.empty() ? 100 : 50))
            got += s.readAll().toStdString();
        else if (!got.empty())
            break;
    }
    got += s.readAll().toStdString();
    if (closed) *closed = s.state() != QAbstractSocket::ConnectedState;
    return got;
}

std::string request(int32_t code, const std::string& name, const std::string& data = {},
                    bool upload = false) {
    std::string r = server::bigEndian32(int32_t(server::kFileHello)) + server::bigEndian32(code);
    if (upload) r += server::bigEndian32(int32_t(data.size()));
    return r + "OfflineFile\\" + name + "\r\n" + data;
}

TEST_F(ServerTest, FileServerStoresServesAndDeletesOfflineFiles) {
    const uint16_t port = server_->filePort();
    const std::string missing = protocol::toGbk("文件不存在") + "\r\n";
    const struct {
        const char* name;
        std::string data;
    } files[] = {{"11_12_0123ABCD_99", std::string(5000, 'x') + "end"}, {"empty_file", ""}};
    for (const auto& f : files) {
        fileRequest(port, request(server::kFileUpload, f.name, f.data, true));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 2000 &&
               !server_->call([&](server::Server& s) { return s.store()->fileSize(f.name); }))
            ;
        EXPECT_EQ(fileRequest(port, request(server::kFileDownload, f.name)),
                  "OK\r\n" + server::bigEndian32(int32_t(f.data.size())) + f.data)
            << f.name;
        fileRequest(port, request(server::kFileDelete, f.name));
        EXPECT_EQ(fileRequest(port, request(server::kFileDownload, f.name)), missing) << f.name;
    }

    // Names that could leave the folder, and broken requests, close the connection unanswered.
    const std::string bad[] = {
        request(server::kFileUpload, "../escape", "data", true),
        request(server::kFileUpload, "sub/escape", "data", true),
        request(server::kFileDownload, "..\\..\\etc\\passwd"),
        request(server::kFileDownload, ".hidden"),
        request(server::kFileDownload, std::string(81, 'n')),
        request(server::kFileDownload, ""),
        server::bigEndian32(1234) + server::bigEndian32(server::kFileDownload),
        server::bigEndian32(int32_t(server::kFileHello)) + server::bigEndian32(7),
        server::bigEndian32(int32_t(server::kFileHello)) + server::bigEndian32(server::kFileUpload) +
            server::bigEndian32(-5) + "OfflineFile\\neg\r\n",
        server::bigEndian32(int32_t(server::kFileHello)) + server::bigEndian32(server::kFileDownload) +
            std::string(600, 'L'),
    };
    for (const auto& b : bad) {
        bool closed = false;
        EXPECT_EQ(fileRequest(port, b, &closed), "");
        EXPECT_TRUE(closed);
    }
    const QDir root(dir_.path());
    EXPECT_FALSE(root.exists("escape"));
    EXPECT_FALSE(QDir(root.filePath("store.db.files")).exists("escape"));
}

} // namespace
} // namespace vantor::testing

// The UDP side (public-address echo, punching datagrams) and the file server of offline files.
#include "protocol/peer_records.h"
#include "server/file_protocol.h"
#include "server/store.h"
#include "server_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QThread>
#include <QUdpSocket>

namespace vantor::testing {
namespace {

using protocol::Endpoint;

struct Udp {
    QUdpSocket socket;
    explicit Udp(const char* address = "127.0.0.1") : address(address) {
        socket.bind(QHostAddress(address), 0);
    }
    Endpoint endpoint() const { return {address, socket.localPort()}; }
    std::string address;
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

TEST_F(ServerTest, EchoesInSomeoneElsesNamePushNoEndpointOut) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    Udp ua, ub;
    const uint16_t port = server_->port();
    ua.send(echo(11, ua), port);
    ASSERT_TRUE(ua.receive());
    // Another host names user 11 from many ports: no answer, nothing learnt.
    std::vector<std::unique_ptr<Udp>> forgers;
    for (int i = 0; i < 20; ++i) {
        forgers.push_back(std::make_unique<Udp>("127.0.0.9"));
        forgers.back()->send(echo(11, *forgers.back()), port);
    }
    for (auto& f : forgers)
        EXPECT_FALSE(f->receive(20));
    // Punches still reach the endpoint user 11 probed from.
    const protocol::PunchRequest request{11, 12, ua.endpoint(), ub.endpoint(), ub.endpoint(), {}};
    ub.send(protocol::makeMessage(Cmd::PunchRequest, request), port);
    EXPECT_TRUE(ua.receive());
    protocol::PunchRequest diverted = request;
    diverted.receiverPublic = forgers.front()->endpoint();
    ub.send(protocol::makeMessage(Cmd::PunchRequest, diverted), port);
    EXPECT_FALSE(forgers.front()->receive(200));
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
std::string fileRequest(uint16_t port, const std::string& bytes, bool* closed = nullptr,
                        const char* source = nullptr) {
    QTcpSocket s;
    if (source) s.bind(QHostAddress(QString::fromLatin1(source)));
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

// The sender tells the receiver it sends offline, naming the transfer, before it uploads.
Message offlineNotice(uint32_t receiver, const std::string& transferId) {
    std::string b(protocol::codeInfo(Cmd::FileOffline)->sent.head, '\0');
    wire::storeU32(b.data(), receiver);
    b[4] = char(transferId.size());
    b.replace(5, transferId.size(), transferId);
    return Message{uint8_t(Cmd::FileOffline), b};
}

void waitForFile(ServerThread& server, const std::string& name) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 2000 && !server.call([&](server::Server& s) { return s.store()->fileSize(name); }))
        ;
}

TEST_F(ServerTest, FileServerStoresServesAndDeletesOfflineFiles) {
    const uint16_t port = server_->filePort();
    const std::string missing = protocol::toGbk("文件不存在") + "\r\n";
    const struct {
        const char* name;
        std::string data;
    } files[] = {{"11_12_0123ABCD_99", std::string(5000, 'x') + "end"}, {"11_12_EEEE_1", ""}};
    auto a = signedIn('a');
    auto b = signedIn('b');
    for (const auto& f : files)
        a->send(offlineNotice(12, f.name));
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(a->waitFor(Cmd::Heartbeat));
    for (const auto& f : files) {
        fileRequest(port, request(server::kFileUpload, f.name, f.data, true));
        waitForFile(*server_, f.name);
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

TEST_F(ServerTest, FileServerTakesOnlyAnnouncedUploadsAndNeverReplacesAFile) {
    server_.reset();
    config_.fileQuotaPerUser = 6000;
    config_.maxFileConnections = 3;
    startServer();
    const uint16_t port = server_->filePort();
    auto a = signedIn('a');
    auto b = signedIn('b');
    const std::string name = "11_12_AB_1", big = "11_12_CD_2";
    a->send(offlineNotice(12, name));
    a->send(offlineNotice(12, big));
    b->send(offlineNotice(11, "11_12_EF_3")); // not b's own transfer
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(a->waitFor(Cmd::Heartbeat));
    const std::string first(4000, 'a');
    const struct {
        const char* what;
        std::string name, data;
        const char* source;
        bool stored;
    } uploads[] = {
        {"a name nobody announced", "11_12_00_9", "x", nullptr, false},
        {"announced in someone else's name", "11_12_EF_3", "x", nullptr, false},
        {"from another address than the sender's", name, "x", "127.0.0.2", false},
        {"announced, from the sender's address", name, first, nullptr, true},
        {"the same name again", name, std::string(10, 'b'), nullptr, false},
        {"over the sender's quota", big, std::string(3000, 'c'), nullptr, false},
    };
    bool kept = false;
    for (const auto& u : uploads) {
        kept = kept || u.stored;
        bool closed = false;
        fileRequest(port, request(server::kFileUpload, u.name, u.data, true), &closed, u.source);
        if (u.stored) waitForFile(*server_, u.name);
        const auto size = server_->call([&](server::Server& s) { return s.store()->fileSize(u.name); });
        EXPECT_EQ(size.value_or(-1), u.name == name && kept ? int64_t(first.size()) : -1) << u.what;
    }
    EXPECT_EQ(fileRequest(port, request(server::kFileDownload, name)),
              "OK\r\n" + server::bigEndian32(int32_t(first.size())) + first);
    // Only the two colleagues the file is between may delete it.
    fileRequest(port, request(server::kFileDelete, name), nullptr, "127.0.0.2");
    EXPECT_TRUE(server_->call([&](server::Server& s) { return s.store()->fileSize(name); }));
    // Connections beyond the limit are closed at once.
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 3; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(idle.back()->waitForConnected(2000));
    }
    QThread::msleep(100);
    bool closed = false;
    EXPECT_EQ(fileRequest(port, request(server::kFileDownload, name), &closed), "");
    EXPECT_TRUE(closed);
}

} // namespace
} // namespace vantor::testing

#include "scripted_server.h"

#include "../platform/test_net.h"

namespace vantor::testing {

ScriptedServer::ScriptedServer() {
    server_.listen(QHostAddress::LocalHost, freeLowPort());
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            ++connections_;
            readers_.push_back(std::make_unique<protocol::ServerFrameReader>());
            protocol::ServerFrameReader* reader = readers_.back().get();
            auto greeted = std::make_shared<bool>(false);
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, reader, greeted] {
                QByteArray b = s->readAll();
                if (greetingInOneRead && !reader->greetingDone() &&
                    b.size() > qsizetype(protocol::kGreetingSize)) {
                    lostWithGreeting += size_t(b.size()) - protocol::kGreetingSize;
                    b.truncate(qsizetype(protocol::kGreetingSize));
                }
                reader->feed(std::string_view(b.constData(), size_t(b.size())));
                protocol::Message m;
                for (;;) {
                    const auto r = reader->next(m);
                    if (!*greeted && reader->greetingDone()) {
                        *greeted = true;
                        if (holdGreetingAnswer) {
                            unanswered_.emplace_back(s);
                        } else {
                            const std::string g = protocol::greeting();
                            s->write(g.data(), qint64(g.size()));
                        }
                    }
                    if (r != protocol::ServerFrameReader::Result::Message) break;
                    received.push_back(m);
                    if (onMessage) onMessage(s, m);
                }
            });
        }
    });
}

void ScriptedServer::answerGreetings() {
    const std::string g = protocol::greeting();
    for (const QPointer<QTcpSocket>& s : std::exchange(unanswered_, {}))
        if (s) s->write(g.data(), qint64(g.size()));
}

void ScriptedServer::send(QTcpSocket* s, const protocol::Message& m) {
    const std::string f = protocol::frameMessage(m);
    s->write(f.data(), qint64(f.size()));
}

} // namespace vantor::testing

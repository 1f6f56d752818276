#include "danted.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QThread>

#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantor::peer::testing {

namespace {

int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

} // namespace

std::string Danted::unavailableReason() {
    if (::geteuid() != 0) return "dante-server tests need root";
    if (::access("/usr/sbin/danted", X_OK) != 0) return "danted is not installed (dante-server)";
    return {};
}

uint16_t Danted::freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

Danted::Danted(Method method) {
    if (!dir_.isValid()) {
        error_ = "no temporary folder";
        return;
    }
    if (method == Method::Username) {
        static std::atomic<int> serial{0};
        user_ = "vtpeer" + std::to_string(::getpid()) + "x" + std::to_string(serial++);
        password_ = "Pw-" + std::to_string(::getpid());
        if (run("useradd -M -N -s /usr/sbin/nologin " + user_) != 0) {
            error_ = "useradd failed";
            return;
        }
        userCreated_ = true;
        if (run("echo '" + user_ + ":" + password_ + "' | chpasswd") != 0) {
            error_ = "chpasswd failed";
            return;
        }
    }
    port_ = freePort();
    const QString conf = dir_.filePath("danted.conf");
    const std::string text = "logoutput: " + dir_.filePath("danted.log").toStdString() +
                             "\n"
                             "internal: 127.0.0.1 port = " +
                             std::to_string(port_) +
                             "\n"
                             "external: lo\n"
                             "socksmethod: " +
                             (method == Method::Username ? "username" : "none") +
                             "\n"
                             "clientmethod: none\n"
                             "user.privileged: root\n"
                             "user.unprivileged: nobody\n"
                             "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                             "socks pass { from: 0.0.0.0/0 to: 0.0.0.0/0 command: udpassociate udpreply }\n";
    QFile f(conf);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), qint64(text.size())) != qint64(text.size())) {
        error_ = "cannot write the configuration";
        return;
    }
    f.close();
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start("/usr/sbin/danted", {"-f", conf, "-p", dir_.filePath("danted.pid")});
    if (!process_->waitForStarted(5000)) {
        error_ = "danted did not start";
        return;
    }
    for (int i = 0; i < 100; ++i) {
        QTcpSocket probe;
        probe.connectToHost("127.0.0.1", port_);
        if (probe.waitForConnected(100)) return;
        QThread::msleep(50);
    }
    error_ = "danted does not listen";
}

Danted::~Danted() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(3000)) {
            process_->kill();
            process_->waitForFinished(3000);
        }
    }
    if (userCreated_) run("userdel " + user_);
}

} // namespace vantor::peer::testing

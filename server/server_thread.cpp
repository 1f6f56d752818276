#include "server/server_thread.h"

namespace vantor::server {

ServerThread::ServerThread(ServerConfig config) : config_(std::move(config)) {}

ServerThread::~ServerThread() {
    stop();
}

bool ServerThread::start(std::string* error) {
    if (server_) return true;
    thread_.start();
    context_ = new QObject;
    context_->moveToThread(&thread_);
    bool ok = false;
    QMetaObject::invokeMethod(
        context_,
        [&] {
            server_ = new Server(config_);
            ok = server_->start(error);
            if (!ok) {
                delete server_;
                server_ = nullptr;
                return;
            }
            port_ = server_->port();
            filePort_ = server_->filePort();
        },
        Qt::BlockingQueuedConnection);
    if (!ok) stop();
    return ok;
}

void ServerThread::run(const std::function<void(Server&)>& fn) {
    if (!server_) return;
    QMetaObject::invokeMethod(
        context_, [&] { fn(*server_); }, Qt::BlockingQueuedConnection);
}

void ServerThread::stop() {
    if (context_) {
        QMetaObject::invokeMethod(
            context_,
            [this] {
                delete server_;
                server_ = nullptr;
            },
            Qt::BlockingQueuedConnection);
        context_->deleteLater();
        context_ = nullptr;
    }
    if (thread_.isRunning()) {
        thread_.quit();
        thread_.wait();
    }
}

} // namespace vantor::server

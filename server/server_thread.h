// Runs a Server on a thread of its own, for tests and benchmarks that drive it from another
// thread (for example with blocking sockets). Control calls are carried to the server's thread.
#pragma once

#include "server/server.h"

#include <QThread>

#include <functional>
#include <string>

namespace vantor::server {

class ServerThread {
  public:
    explicit ServerThread(ServerConfig config);
    ~ServerThread();
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    bool start(std::string* error = nullptr);
    // Stops the server (clients are told it stopped) and the thread.
    void stop();
    uint16_t port() const { return port_; }
    uint16_t filePort() const { return filePort_; }

    // Runs `fn` with the server on the server's thread and waits for it.
    void run(const std::function<void(Server&)>& fn);
    template <class F>
    auto call(F&& fn) {
        using R = decltype(fn(std::declval<Server&>()));
        if constexpr (std::is_void_v<R>) {
            run(fn);
        } else {
            R result{};
            run([&](Server& s) { result = fn(s); });
            return result;
        }
    }

  private:
    ServerConfig config_;
    QThread thread_;
    QObject* context_ = nullptr;
    Server* server_ = nullptr;
    uint16_t port_ = 0;
    uint16_t filePort_ = 0;
};

} // namespace vantor::server

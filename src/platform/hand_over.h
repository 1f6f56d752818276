// The running client's end of the hand-over from `agent`: a local socket private to the user. Each
// connection carries one NUL-terminated text; once the handler has returned, the client answers
// one byte (kHandOverDone) and closes. Connections from other users are refused.
#pragma once

#include "platform/clock.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace vantor::platform {

inline constexpr char kHandOverDone = 0x01;
inline constexpr int kMaxHandOverText = 64 * 1024;
inline constexpr int kHandOverIdleMs = 5000;

class HandOverServer : public QObject {
    Q_OBJECT
  public:
    enum class Listen { Listening, AlreadyServed, Failed };

    explicit HandOverServer(Clock& clock, QObject* parent = nullptr);
    ~HandOverServer() override;

    // Takes the socket path. A live server already there (another client of this user) is left
    // alone; a stale socket file is replaced.
    Listen listen(const QString& path);
    QString path() const { return path_; }
    void close();

    // Runs on the thread of the server for each text received (without its NUL).
    std::function<void(const QByteArray&)> onText;

  private:
    struct Pending;
    void accept();
    void read(Pending* p);
    void drop(Pending* p);

    Clock& clock_;
    std::unique_ptr<QLocalServer> server_;
    QString path_;
    std::vector<std::unique_ptr<Pending>> pending_;
    std::vector<std::unique_ptr<Timer>> retired_;
};

} // namespace vantor::platform

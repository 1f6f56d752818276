// TFTPClient: one operation on the file server of offline files, over a TCP connection of its own
// (hello 94375979, then download 1000, upload 1001 or delete 1002; big-endian integers, lines
// read up to LF). Event-driven on the thread that owns it, so nothing ever waits on the network;
// OnDone comes once per StartTransfer, queued, so the owner may delete the client in it.
//
// A download lands in a temporary file beside the chosen path and takes the path only when every
// byte has arrived; an upload counts as done only when the server's end has taken every byte.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

class QTcpSocket;
class QTimer;

namespace vantor::transfer {

namespace ftp {
inline constexpr uint32_t kHello = 94375979;
inline constexpr int32_t kDownload = 1000;
inline constexpr int32_t kUpload = 1001;
inline constexpr int32_t kDelete = 1002;
inline constexpr int64_t kChunk = 4096;
// The size field is a signed 32-bit integer: larger files cannot travel.
inline constexpr int64_t kMaxSize = INT32_MAX;
inline constexpr int kMaxLine = 512;
inline constexpr int kMaxName = 80;
inline constexpr int kProgressMs = 500;
} // namespace ftp

// The texts of the completion report.
inline const QString kFtpDownloaded = QStringLiteral("下载完成");
inline const QString kFtpUploaded = QStringLiteral("上传完成");
inline const QString kFtpNoConnection = QStringLiteral("无法连接服务器");
inline const QString kFtpMissing = QStringLiteral("文件不存在");
inline const QString kFtpTooLarge = QStringLiteral("文件大小超过 2GB，无法保存至服务器");

// A name on the file server: 1 to 80 letters, digits, '_', '-' and '.', not starting with '.'
// (transfer ids are such names).
bool isFileServerName(std::string_view name);
// "12.34 KB/S", above 1024 KB/s "1.50 M/S".
QString ftpSpeedText(double kbPerSecond);
// "-h:m:s" without padding ("-0:1:5").
QString ftpRemainingText(int64_t seconds);

class TFTPClient : public QObject {
  public:
    enum class Result { None, Downloaded, Uploaded, NoConnection, Missing, TooLarge, Failed };

    TFTPClient(QString host, uint16_t port, QObject* parent = nullptr);
    ~TFTPClient() override;
    TFTPClient(const TFTPClient&) = delete;
    TFTPClient& operator=(const TFTPClient&) = delete;

    QString Host;
    uint16_t Port = 0;
    bool IsDownload = false;
    QString Name;      // upload: the local file; download: the name on the server
    QString Target;    // upload: the name on the server; download: the suggested file name
    QString SavedPath; // download: the chosen file (set before StartTransfer; the final path after)
    int64_t Total = 0;
    int64_t Done = 0;
    double Speed = 0; // KB/s of the last report
    int Percent = 0;
    QString SpeedText;
    QString Status; // "下载完成", "上传完成", "无法连接服务器" or empty

    // Download: the size the notice announced (-1: not known); a larger answer is refused.
    int64_t ExpectedSize = -1;
    // Download: an existing file at SavedPath is replaced (the user agreed); otherwise a free
    // variant of the name is taken ("name (1).ext").
    bool Overwrite = false;
    int connectTimeoutMs = 10000;
    int stallTimeoutMs = 60000;

    // (client, status, text): "下载完成" + the saved path, "上传完成" + Name, "无法连接服务器",
    // or an empty status with the reason when nothing (or not everything) was moved.
    std::function<void(TFTPClient&, const QString& status, const QString& text)> OnDone;
    std::function<void(int percent, const QString& speed, const QString& remaining)> OnProgress;

    void StartTransfer();
    // The delete request for Name (the name on the server) on a connection of its own; `done`
    // (may be empty) once the request has left or could not.
    void DeleteRemote(std::function<void(bool ok)> done = {});
    static void deleteRemote(const QString& host, uint16_t port, const QString& name,
                             std::function<void(bool ok)> done = {});

    // Delete requests still on their way (a process waits for them before it ends).
    static int deletesRunning();

    bool running() const { return state_ != State::Idle; }
    Result result() const { return result_; }
    // The reason of the last failure (empty after a success).
    const QString& failure() const { return failure_; }

  private:
    enum class State { Idle, Connecting, Sending, Draining, Line, Size, Data };
    void onConnected();
    void onReadyRead();
    void onBytesWritten();
    void onClosed();
    void pump();
    void checkDrained();
    bool readDownload();
    bool placeDownload();
    void progress(bool force);
    void finish(Result r, const QString& text);
    void resetCounters();
    void stall();

    State state_ = State::Idle;
    Result result_ = Result::None;
    QString failure_;
    QTcpSocket* socket_ = nullptr;  // child; goes with deleteLater once the operation ends
    std::unique_ptr<QTimer> timer_; // connect and stall timeout
    std::unique_ptr<QTimer> drain_; // upload: waits until the server's end has every byte
    QFile file_;                    // upload: the source; download: the temporary file
    QByteArray line_;
    QElapsedTimer started_;
    int64_t lastReportMs_ = -1;
    int drainTurns_ = 0;
};

} // namespace vantor::transfer

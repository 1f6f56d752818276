// ThxUDPSocket: the client's one UDP endpoint, bound to a system-chosen port, sending and receiving
// directly or through a SOCKS 5 proxy's UDP association. Readability is watched by the event loop
// of the owning thread, which hands OnDataRead over once per readable datagram, in order; nothing
// ever blocks that thread (the proxy exchange runs on its signals).
#pragma once

#include "peer/socks5_udp.h"
#include "platform/clock.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace vantor::peer {

// The errors of this socket; what() is the GBK text with the system error code filled in.
class TUDPException : public std::runtime_error {
  public:
    TUDPException(const char* utf8Format, int code)
        : std::runtime_error(udpErrorText(utf8Format, code)), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

inline constexpr const char* kOpenFailed = "初始化套接字发生错误，错误码是%d";
inline constexpr const char* kNotifierFailed = "建立监听线程发生错误!";
inline constexpr const char* kBadRemoteAddress = "无效的远程主机地址!";
inline constexpr const char* kSendFailed = "发送数据时出错。错误码是%d";
inline constexpr const char* kReceiveFailed = "接收数据出错。错误码是%d";
inline constexpr const char* kRelaySendFailed = "发送数据错误!错误号是%d";
inline constexpr const char* kRelayReceiveFailed = "接收数据错误!错误号是%d";
inline constexpr const char* kSendBufferFailed = "设置发送缓冲区错误。错误码是%d";
inline constexpr const char* kRecvBufferFailed = "设置接收缓冲区出错。错误码是%d";

class ThxUDPSocket : public QObject {
    Q_OBJECT
  public:
    enum ErrorKind : int { ekOpen = 0, ekSend = 1, ekReceive = 2 };
    struct TPeerInfo {
        std::string IP;
        int Port = 0;
    };
    // The largest datagram the client sends; the relay buffer holds it behind the relay header.
    static constexpr int kMaxDatagram = 2048;
    // Datagrams taken per readiness notification at most.
    static constexpr int kReadsPerNotification = 32;
    static constexpr int kProxyTimeoutMs = 15000;

    explicit ThxUDPSocket(platform::Clock& clock, QObject* parent = nullptr);
    ~ThxUDPSocket() override;

    // Local port to bind; 0 lets the system choose, and after opening it holds the bound port.
    int Port = 0;
    // Consulted before an error becomes an exception; setting the code to 0 suppresses it.
    std::function<void(ThxUDPSocket&, ErrorKind, int& code)> OnError;
    // A datagram can be read: the handler calls ReceiveBuf once.
    std::function<void(ThxUDPSocket&, TPeerInfo&)> OnDataRead;
    // Sender of the last datagram read.
    TPeerInfo PeerInfo;
    // Milliseconds without a datagram before OnTimeOut; -1 waits without limit.
    int WaitTimeout = -1;
    std::function<void(ThxUDPSocket&)> OnTimeOut;
    bool Broadcast = false;
    bool ProxyEnabled = false;
    std::string ProxyAddress; // dotted IPv4
    uint16_t ProxyPort = 0;
    std::string ProxyUsername; // empty: no authentication
    std::string ProxyPassword;
    // The proxy's association is made, or it failed or was lost (the socket is then closed).
    std::function<void(ThxUDPSocket&)> OnProxyReady;
    std::function<void(ThxUDPSocket&, const TUDPException&)> OnProxyError;

    bool Active() const { return fd_ >= 0; }
    // True opens (throws TUDPException on failure, leaving the socket closed), false closes.
    void SetActive(bool on);
    // Datagrams can flow: open, and with a proxy its association made.
    bool Ready() const { return Active() && (!ProxyEnabled || relayPort_ != 0); }

    int SendBufSize() const { return sendBufSize_; }
    int RecvBufSize() const { return recvBufSize_; }
    void SetSendBufSize(int bytes);
    void SetRecvBufSize(int bytes);

    // One datagram to ip:port. False when nothing was handed to the network (empty address, the
    // send would block, the proxy's association not made yet).
    bool SendBuf(const char* data, int length, int port, const std::string& ip);
    // Reads one datagram (at most `size` bytes) and sets PeerInfo; `received` gets its length.
    // False when none was read, or when a proxy's datagram had no valid relay header.
    bool ReceiveBuf(char* buffer, int size, int* received = nullptr);

    int handle() const { return fd_; }
    // The proxy's relay endpoint once associated.
    std::string relayAddress() const { return relayPort_ ? ipv4Text(relayAddress_) : std::string(); }
    uint16_t relayPort() const { return relayPort_; }

  private:
    void open();
    void close();
    void setBuffer(int option, int bytes, int& stored, const char* failure);
    void onReadable();
    void startProxy();
    void onProxyConnected();
    void onProxyReadyRead();
    void onProxyLost(int code);
    void proxyFailed(const TUDPException& e);

    platform::Clock& clock_;
    int fd_ = -1;
    int sendBufSize_ = 8192;
    int recvBufSize_ = 8192;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<platform::Timer> waitTimer_;
    bool readDuringNotification_ = false;
    bool tookDatagram_ = false; // the last ReceiveBuf took a datagram off the socket
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    // The proxy's control connection and association.
    std::unique_ptr<QTcpSocket> control_;
    std::unique_ptr<Socks5UdpAssociation> association_;
    std::string controlIn_;
    std::unique_ptr<platform::Timer> proxyTimer_;
    uint32_t relayAddress_ = 0;
    uint16_t relayPort_ = 0;
    char relayBuf_[kRelayHeaderSize + kMaxDatagram + 1];
};

} // namespace vantor::peer

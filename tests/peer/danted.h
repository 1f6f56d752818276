// dante-server on loopback as a SOCKS 5 proxy for one test: a generated configuration on a free
// port, with or without user name/password (against a throwaway system user), stopped again when
// the object goes away, also when the test fails.
#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace vantor::peer::testing {

class Danted {
  public:
    enum class Method { None, Username };

    // Empty when dante can run here (root, danted installed), else why not.
    static std::string unavailableReason();

    explicit Danted(Method method);
    ~Danted();
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    uint16_t port() const { return port_; }
    // The system user the proxy accepts (Username method).
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    // A port nobody listens on.
    static uint16_t freePort();

  private:
    std::string error_;
    uint16_t port_ = 0;
    std::string user_, password_;
    bool userCreated_ = false;
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
};

} // namespace vantor::peer::testing

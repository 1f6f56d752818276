// The office services' view of the client: the server connection, the signed-in user and the
// local time (injectable, so that tests can stand before or after the end of the working day).
#pragma once

#include "services/host.h"

#include <functional>

namespace vantor::client {

class ClientCore;

class ServicesBridge : public services::IServicesHost {
  public:
    explicit ServicesBridge(ClientCore& core) : core_(core) {}

    bool sendToServer(const protocol::Message& m) override;
    uint32_t ownId() override;
    std::string ownName() override;
    double now() override;

    // The local time as a day count; none: the system's.
    void setLocalTime(std::function<double()> now) { now_ = std::move(now); }

  private:
    ClientCore& core_;
    std::function<double()> now_;
};

} // namespace vantor::client

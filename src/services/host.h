// What the office services need of the client: the server connection, the signed-in user and the
// local time.
#pragma once

#include "protocol/frame.h"

#include <cstdint>
#include <string>

namespace vantor::services {

class IServicesHost {
  public:
    virtual ~IServicesHost() = default;
    // False when the message was not written (the connection is closed or failed).
    virtual bool sendToServer(const protocol::Message& m) = 0;
    virtual uint32_t ownId() = 0;
    virtual std::string ownName() = 0; // GBK
    // The local time as a day count.
    virtual double now() = 0;
};

} // namespace vantor::services

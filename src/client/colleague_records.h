// Where the client hands what belongs to the subsystems beside the chat (transfers, media): records
// from colleagues, by their channel or through the server, that the chat core does not take, and
// changes of a colleague.
#pragma once

#include "protocol/chat.h"
#include "protocol/frame.h"

#include <cstdint>

namespace vantor::peer {
class TMySocket;
}

namespace vantor::client {

class IColleagueRecords {
  public:
    virtual ~IColleagueRecords() = default;
    // A record from a colleague that is not chat (file block, media or screen frame).
    // `channel` is the one it came on, or null when the server forwarded it. The body has passed
    // the code table's length check. The handler may free the channel.
    virtual void colleagueRecord(const protocol::Message& m, peer::TMySocket* channel) = 0;
    // A colleague's status, picture, signature or name changed (`own`: the signed-in user).
    virtual void userChanged(uint32_t /*userId*/, bool /*own*/) {}
    // The colleague went offline or to a phone: its transfers and media sessions end.
    virtual void sessionsEnded(uint32_t /*userId*/) {}
};

} // namespace vantor::client

// The dispatch table: one handler per message code the server may send. The session core fills
// the sign-in codes; the directory, conversations, groups and the rest register their own.
#pragma once

#include "protocol/codes.h"
#include "protocol/frame.h"

#include <array>
#include <functional>

namespace vantor::session {

using MessageHandler = std::function<void(const protocol::Message&)>;

class Dispatcher {
  public:
    // Replaces the code's handler (an empty handler removes it).
    void registerHandler(protocol::Cmd code, MessageHandler handler) {
        handlers_[static_cast<uint8_t>(code)] = std::move(handler);
    }
    bool hasHandler(protocol::Cmd code) const { return bool(handlers_[static_cast<uint8_t>(code)]); }

    // Runs the handler of the message's code; a code without one is dropped. An exception that
    // escapes a handler is swallowed: its work stays unfinished and the next message goes on.
    // Returns false when the handler threw.
    bool dispatch(const protocol::Message& m) const;

  private:
    std::array<MessageHandler, 256> handlers_;
};

} // namespace vantor::session

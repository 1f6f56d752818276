// Datagrams that must leave one after another with pauses between them (the hole-punching
// exchanges). Steps run in the order they were queued; a pause is a single-shot timer, so nothing
// waits on the caller's thread. A send that fails skips its pause.
#pragma once

#include "peer/interfaces.h"
#include "platform/clock.h"

#include <deque>
#include <memory>
#include <string>

namespace vantor::peer {

class SendScript {
  public:
    struct Step {
        std::string datagram;
        Endpoint to;
        int pauseAfterMs = 0;
    };
    // `send` hands one datagram to the network and says whether it went.
    using Sender = std::function<bool(const std::string& datagram, const Endpoint& to)>;

    SendScript(platform::Clock& clock, Sender send);

    // Appends the steps and runs what is due now.
    void queue(std::initializer_list<Step> steps);
    void queue(Step step);
    bool idle() const { return steps_.empty() && !timer_->isActive(); }
    void clear();

  private:
    void run();
    Sender send_;
    std::unique_ptr<platform::Timer> timer_;
    std::deque<Step> steps_;
    bool running_ = false;
};

} // namespace vantor::peer

#include "peer/send_script.h"

namespace vantor::peer {

SendScript::SendScript(platform::Clock& clock, Sender send)
    : send_(std::move(send)), timer_(clock.createTimer()) {
    timer_->setSingleShot(true);
    timer_->onTimeout = [this] { run(); };
}

void SendScript::queue(std::initializer_list<Step> steps) {
    for (const auto& s : steps)
        steps_.push_back(s);
    if (!timer_->isActive()) run();
}

void SendScript::queue(Step step) {
    queue({std::move(step)});
}

void SendScript::clear() {
    steps_.clear();
    timer_->stop();
}

void SendScript::run() {
    if (running_) return; // a send that re-enters (a nested queue) is picked up by the loop below
    running_ = true;
    while (!steps_.empty() && !timer_->isActive()) {
        Step s = std::move(steps_.front());
        steps_.pop_front();
        bool sent = false;
        try {
            sent = send_(s.datagram, s.to);
        } catch (...) {
            sent = false; // every socket error of the exchanges is swallowed
        }
        if (sent && s.pauseAfterMs > 0) timer_->start(s.pauseAfterMs);
    }
    running_ = false;
}

} // namespace vantor::peer

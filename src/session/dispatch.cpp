#include "session/dispatch.h"

#include <QtGlobal>

#include <exception>

namespace vantor::session {

bool Dispatcher::dispatch(const protocol::Message& m) const {
    // A copy: the handler may replace itself while it runs.
    const MessageHandler h = handlers_[m.code];
    if (!h) return true;
    try {
        h(m);
    } catch (const std::exception& e) {
        qWarning("handler of %s: %s", protocol::codeName(m.code).data(), e.what());
        return false;
    } catch (...) {
        qWarning("handler of %s failed", protocol::codeName(m.code).data());
        return false;
    }
    return true;
}

} // namespace vantor::session

// Helpers of the session core: GBK text at the window boundary, and entry points that swallow
// what goes wrong inside them (a failed settings write stops the step that was writing, not the
// client).
#pragma once

#include "protocol/text.h"

#include <QString>
#include <QtGlobal>

#include <exception>
#include <string>
#include <string_view>

namespace vantor::session {

inline QString qtext(std::string_view gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}
inline std::string gbk(const QString& s) {
    return protocol::toGbk(s.toStdString());
}
inline std::string gbk(const char* utf8) {
    return protocol::toGbk(utf8);
}

template <class F>
void guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        qWarning("session: %s", e.what());
    } catch (...) {
        qWarning("session: unknown error");
    }
}

} // namespace vantor::session

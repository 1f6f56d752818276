// The meeting points of our processes in the user's runtime folder (private to the user): the
// client's hand-over socket and the updater's lock file. `agent` and the updater compute the same
// paths on their own; docs/session.md states the contract.
#pragma once

#include <QString>

namespace vantor::platform {

// $XDG_RUNTIME_DIR, or the toolkit's private fallback folder when it is not set.
QString runtimeFolder();
inline constexpr const char* kHandOverName = "kezique-handover";
inline constexpr const char* kUpdaterLockName = "kezique-updater.lock";
QString handOverPath();
QString updaterLockPath();

} // namespace vantor::platform

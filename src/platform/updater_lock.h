// Whether our updater is at work. The updater is a separate program: while it runs it holds an
// exclusive flock() on its lock file (runtime_paths.h). The client only tests the lock and never
// keeps it, so it cannot hold the updater up.
#pragma once

#include <QString>

namespace vantor::platform {

// True when the lock file exists and another process holds an exclusive lock on it.
bool updaterRunning(const QString& lockPath);

} // namespace vantor::platform

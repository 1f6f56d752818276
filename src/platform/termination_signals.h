// SIGTERM and SIGINT turned into a call on the event loop's thread (the handler only writes a byte
// into a pipe that the loop watches).
#pragma once

#include <functional>

namespace vantor::platform {

// Call once, after the application object exists.
void onTerminationSignals(std::function<void()> handler);

} // namespace vantor::platform

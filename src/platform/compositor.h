// Whether the desktop composes translucent windows (a compositing manager owns the screen's
// _NET_WM_CM_S<n> selection). Asked once when a drop shadow is made; without X11 the answer is no.
#pragma once

namespace vantor::platform {

bool compositorRunning();

} // namespace vantor::platform

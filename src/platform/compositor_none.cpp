#include "platform/compositor.h"

namespace vantor::platform {

bool compositorRunning() {
    return false;
}

} // namespace vantor::platform

// The camera probe over the multimedia framework's device list (built only when that framework is
// available; see the platform CMakeLists).
#pragma once

#include "platform/devices.h"

namespace vantor::platform {

class MultimediaCameraProbe : public CameraProbe {
  public:
    bool hasCamera() override;
};

} // namespace vantor::platform

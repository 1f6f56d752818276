#include "platform/media_devices.h"

#include <QCameraDevice>
#include <QMediaDevices>

namespace vantor::platform {

bool MultimediaCameraProbe::hasCamera() {
    return !QMediaDevices::videoInputs().isEmpty();
}

} // namespace vantor::platform

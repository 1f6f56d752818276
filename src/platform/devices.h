// Which media devices this machine has, as the sign-in request and status messages report them.
#pragma once

namespace vantor::platform {

class CameraProbe {
  public:
    virtual ~CameraProbe() = default;
    // True when at least one video input device is present.
    virtual bool hasCamera() = 0;
};

// No camera, or a fixed answer for tests.
class NullCameraProbe : public CameraProbe {
  public:
    explicit NullCameraProbe(bool present = false) : present_(present) {}
    bool hasCamera() override { return present_; }

  private:
    bool present_;
};

} // namespace vantor::platform

// An Xvfb of a test's own: a free display number chosen by the server itself (-displayfd), the
// process ended by its id when the object goes.
#pragma once

#include <string>

#include <sys/types.h>

namespace vantor::testing {

class Xvfb {
  public:
    Xvfb() = default;
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // Starts `Xvfb -displayfd N -screen 0 1280x800x24`; false (with error()) when it cannot.
    bool start(int waitMs = 10000);
    // ":N"
    const std::string& display() const { return display_; }
    const std::string& error() const { return error_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};

} // namespace vantor::testing

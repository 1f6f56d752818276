// The commands of vantor-cli about the office services: the day's attendance (and pressing the
// attendance window's button), and the service points the server lists. vantor-cli signs in to
// look, not to work: it neither signs in for work with its sign-in nor out when it leaves.
#pragma once

#include "client/client_core.h"

#include <QString>

#include <functional>

namespace vantor::app {

struct ServiceOptions {
    enum class Command { None, Attendance, Services } command = Command::None;
    bool sign = false; // attendance: press the button ("签 到" or "签 退")
    bool yes = false;  // attendance --sign: sign out also before the end of the working day
};

class CliServices {
  public:
    CliServices(client::ClientCore& core, ServiceOptions options,
                std::function<void(int, const QString&)> finish);
    ~CliServices();
    CliServices(const CliServices&) = delete;
    CliServices& operator=(const CliServices&) = delete;

    // Runs the command once signed in; false when there is none.
    bool run();

  private:
    void stateChanged();
    void print();
    void done(int code, const QString& message = {});

    client::ClientCore& core_;
    ServiceOptions options_;
    std::function<void(int, const QString&)> finish_;
    bool pressed_ = false;
    bool finished_ = false;
};

} // namespace vantor::app

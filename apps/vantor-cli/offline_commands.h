// The commands of vantor-cli about offline files: a file sent to the file server for a colleague
// (send-file --offline), and the files left for us there (offline-files: list, fetch into a
// folder, refuse).
#pragma once

#include "client/client_core.h"

#include <QString>
#include <QTimer>

#include <functional>
#include <string>

namespace vantor::app {

struct OfflineOptions {
    enum class Command { None, SendFile, List, Fetch, Refuse } command = Command::None;
    QString target; // send-file: the colleague's id
    QString file;   // send-file: the file
    QString folder; // fetch: where the files go
    QString id;     // fetch, refuse: one transfer id (empty: every file not handled)
    int timeoutSeconds = 40;
};

class CliOffline {
  public:
    // `finish(code, message)` ends the run.
    CliOffline(client::ClientCore& core, OfflineOptions options,
               std::function<void(int, const QString&)> finish);
    ~CliOffline();
    CliOffline(const CliOffline&) = delete;
    CliOffline& operator=(const CliOffline&) = delete;

    // Runs the command once signed in; false when there is none. `colleague`: send-file's
    // receiver, found by the session.
    bool run(uint32_t colleague = 0);
    // The transfer that send-file offered (its panel going away is not the end of the run).
    bool owns(const std::string& transmitId) const { return !transmitId.empty() && transmitId == sending_; }

  private:
    void tick();
    void listed();
    void done(int code, const QString& message = {});

    client::ClientCore& core_;
    OfflineOptions options_;
    std::function<void(int, const QString&)> finish_;
    QTimer timer_;
    uint64_t serial_ = 0; // send-file: the offered transfer
    std::string sending_; // its transfer id once known
    int quietTurns_ = 0;  // offline-files: notices arrive right after the sign-in
    size_t lastCount_ = 0;
    int running_ = 0; // fetches in progress
    int failures_ = 0;
    int64_t waitedMs_ = 0;
    bool ending_ = false;
    bool finished_ = false;
};

} // namespace vantor::app

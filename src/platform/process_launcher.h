// Starting sibling programs: always an executable path and a list of arguments, never a command
// line for a shell. The recording launcher stands in for it in tests.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vantor::platform {

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts the program without waiting for it; false when it could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder = {}) = 0;
};

class QtProcessLauncher : public ProcessLauncher {
  public:
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder = {}) override;
};

class RecordingProcessLauncher : public ProcessLauncher {
  public:
    struct Start {
        QString program;
        QStringList arguments;
        QString workingFolder;
    };
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder = {}) override {
        starts.push_back({program, arguments, workingFolder});
        return result;
    }
    std::vector<Start> starts;
    bool result = true;
};

} // namespace vantor::platform

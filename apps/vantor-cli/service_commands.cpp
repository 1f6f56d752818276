#include "service_commands.h"

#include "protocol/text.h"
#include "services/service_desk.h"
#include "terminal_text.h"

#include <cstdio>

namespace vantor::app {

using services::Attendance;
using services::SignButton;

CliServices::CliServices(client::ClientCore& core, ServiceOptions options,
                         std::function<void(int, const QString&)> finish)
    : core_(core), options_(options), finish_(std::move(finish)) {}

CliServices::~CliServices() {
    core_.attendance().onChanged = nullptr;
}

bool CliServices::run() {
    switch (options_.command) {
    case ServiceOptions::Command::None:
        return false;
    case ServiceOptions::Command::Services:
        // One line per listed point: {guid} TAB section TAB name TAB description.
        for (const auto& section : services::serviceSections(core_.servicePoints()))
            for (const auto& p : section.points)
                std::printf("%s\t%s\t%s\t%s\n", p.guid.toString().c_str(), section.title.c_str(),
                            terminalText(protocol::fromGbk(p.name)).c_str(),
                            terminalText(protocol::fromGbk(p.description)).c_str());
        std::fflush(stdout);
        done(0);
        return true;
    case ServiceOptions::Command::Attendance:
        if (!core_.messenger().ServerSettings.attendanceBySignIn) {
            done(1, QStringLiteral("the server keeps no attendance"));
            return true;
        }
        core_.attendance().onChanged = [this] { stateChanged(); };
        core_.attendance().windowOpened();
        return true;
    }
    return false;
}

void CliServices::print() {
    const Attendance& a = core_.attendance();
    const std::string in = a.signInText(), out = a.signOutText();
    // in TAB out TAB the button's text (times "-" while not set).
    std::printf("%s\t%s\t%s\n", in.empty() ? "-" : in.c_str(), out.empty() ? "-" : out.c_str(),
                services::signButtonText(a.button()));
    std::fflush(stdout);
}

void CliServices::stateChanged() {
    Attendance& a = core_.attendance();
    if (finished_ || a.button() == SignButton::Unknown) return;
    if (!options_.sign || pressed_) {
        print();
        done(0);
        return;
    }
    pressed_ = true;
    Attendance::Click c = a.click();
    if (c == Attendance::Click::AskEarly) {
        if (!options_.yes) {
            print();
            done(1, QStringLiteral("the working day has not ended yet: --yes signs out all the same"));
            return;
        }
        c = a.confirmEarlySignOut();
    }
    switch (c) {
    case Attendance::Click::SentAndClose:
        // Ask again to print what the server now holds.
        a.windowClosed();
        a.windowOpened();
        return;
    case Attendance::Click::Close:
        print();
        done(0, QStringLiteral("signed in and out today already"));
        return;
    default:
        done(1, QStringLiteral("the attendance was not sent"));
        return;
    }
}

void CliServices::done(int code, const QString& message) {
    if (finished_) return;
    finished_ = true;
    core_.attendance().onChanged = nullptr;
    finish_(code, message);
}

} // namespace vantor::app

// The headless client's directory window and colleague hooks: print, one line each, what the
// contact views and conversations would show.
#pragma once

#include "client/colleague_records.h"
#include "directory/interfaces.h"

#include <cstdio>
#include <functional>
#include <string>

namespace vantor::app {

class PrintingDirectoryView : public directory::IDirectoryView {
  public:
    explicit PrintingDirectoryView(std::FILE* out = stdout) : out_(out) {}

    void showBalloon(const std::string& title, const std::string& text, int seconds,
                     directory::BalloonIcon icon) override;
    void showMessage(const std::string& title, const std::string& text, directory::MessageIcon icon) override;
    // Nobody answers a headless question: No, Cancel.
    bool ask(const std::string& title, const std::string& text, directory::Question buttons) override;
    std::optional<std::string> askText(const std::string& prompt) override;
    void showOwnState(const directory::OwnStateDisplay& state) override;
    void showWorkState(const std::string& name) override;
    void showView(int view) override;
    void storeViewSetting(directory::ViewSetting key, const std::string& value) override;

  private:
    void print(const std::string& utf8) const;
    std::FILE* out_;
};

// Prints colleagues' changes and records until conversations and transfers take them.
class PrintingColleagues : public client::IColleagueRecords {
  public:
    // `describe` gives "name (status)" of a user id, UTF-8.
    PrintingColleagues(std::function<std::string(uint32_t)> describe, std::FILE* out = stdout)
        : describe_(std::move(describe)), out_(out) {}
    void colleagueRecord(const protocol::Message& m, peer::TMySocket* channel) override;
    void userChanged(uint32_t userId, bool own) override;

  private:
    std::function<std::string(uint32_t)> describe_;
    std::FILE* out_;
};

} // namespace vantor::app

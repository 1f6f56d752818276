// The command-line client's directory window: prints, one line each (with --verbose), what the
// contact views would show.
#pragma once

#include "client/colleague_records.h"
#include "directory/interfaces.h"

#include <cstdio>
#include <functional>
#include <string>

namespace vantor::app {

class PrintingDirectoryView : public directory::IDirectoryView {
  public:
    explicit PrintingDirectoryView(std::FILE* out) : out_(out) {}

    void showBalloon(const std::string& title, const std::string& text, int seconds,
                     directory::BalloonIcon icon) override;
    void showMessage(const std::string& title, const std::string& text, directory::MessageIcon icon) override;
    // Nobody answers a headless question: No, Cancel.
    void ask(const std::string& title, const std::string& text, directory::Question buttons,
             Answer answered) override;
    void askText(const std::string& prompt, TextAnswer answered) override;
    void showOwnState(const directory::OwnStateDisplay& state) override;
    void showWorkState(const std::string& name) override;
    void showView(int view) override;
    void storeViewSetting(directory::ViewSetting key, const std::string& value) override;

  private:
    void print(const std::string& utf8) const;
    std::FILE* out_;
};

} // namespace vantor::app

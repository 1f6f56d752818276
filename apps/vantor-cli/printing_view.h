// The command-line client's main window: prints, one line each (with --verbose), what the
// window would show; nothing when given no stream.
#pragma once

#include "session/main_view.h"

#include <cstdio>

namespace vantor::app {

class PrintingMainView : public session::IMainView {
  public:
    explicit PrintingMainView(std::FILE* out) : out_(out) {}

    void setCaption(const QString& caption) override;
    void setTrayHint(const QString& hint) override;
    void showProductName(const QString& name, bool showTelephone) override;
    void placeAtStart(const settings::WindowRect& stored) override;
    settings::WindowRect windowRect() const override { return rect_; }
    int workAreaHeight() const override { return 768; }
    void showShadow() override;
    void applySignedInWidth(int width) override;
    void applySignInWidth() override;
    void applyWindowOptions(bool autoHide, bool onTop) override;
    void setWindowHidden(bool hidden) override;
    void closeMainWindow() override;

    void fillSignInPanel(const session::SignInInputs& inputs) override;
    session::SignInInputs signInInputs() const override { return inputs_; }
    void showSignInPanel() override;
    void hideSignInPanel() override;
    void showSignInProgress(const QString& text) override;
    void showProgressPanel(const QString& text) override;
    void hideProgress() override;
    void showReLoginPanel(bool networkLost) override;
    void hideReLoginPanel() override;

    void setConnectEntry(const QString& caption, bool enabled) override;
    void setSessionEntries(bool enabled) override;
    void setMyStateText(const QString& text) override;
    void setOfflineCount(int count) override;
    void setSignedInButtons(const session::SignedInButtons& buttons) override;
    void hideBadgesAndToolbarLinks() override;
    void setMessageCentreMode(bool on) override;
    void setOwnHeadPicture(const QString& path) override;

    void showContactViews(bool shown) override;
    void showView(session::ContactView view) override;

    void showBalloon(const QString& title, const QString& text, int seconds,
                     session::BalloonIcon icon) override;
    void showMessage(const QString& text, const QString& title) override;
    void openSettingsDialog() override;
    void openWebPage(const QString& url, int width, int height) override;
    void openConversation(uint32_t userId) override;

  private:
    void print(const QString& line) const;
    std::FILE* out_;
    settings::WindowRect rect_{0, 0, settings::kSignInWidth, 512};
    session::SignInInputs inputs_;
};

} // namespace vantor::app

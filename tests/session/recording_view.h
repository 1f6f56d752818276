// The main window for tests: records every call as one line of text ("balloon 连接失败|…|10|error")
// and holds what the sign-in panel's boxes contain.
#pragma once

#include "session/main_view.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::testing {

class RecordingMainView : public session::IMainView {
  public:
    std::vector<std::string> calls;
    session::SignInInputs inputs;
    settings::WindowRect rect{0, 0, settings::kSignInWidth, 512};

    size_t count(std::string_view call) const {
        return size_t(
            std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c == call; }));
    }
    size_t countPrefix(std::string_view prefix) const {
        return size_t(std::count_if(calls.begin(), calls.end(),
                                    [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }
    bool has(std::string_view call) const { return count(call) > 0; }
    // Index of the last call equal to `call`, or -1.
    long last(std::string_view call) const {
        for (size_t i = calls.size(); i-- > 0;)
            if (calls[i] == call) return long(i);
        return -1;
    }

    void setCaption(const QString& c) override { rec("caption " + c); }
    void setTrayHint(const QString& h) override { rec("tray hint " + h); }
    void showProductName(const QString& n, bool tel) override { rec("product " + n + (tel ? " tel" : "")); }
    void placeAtStart(const settings::WindowRect& r) override {
        rect = {r.left, r.top, settings::kSignInWidth, r.height};
        rec(QStringLiteral("place"));
    }
    settings::WindowRect windowRect() const override { return rect; }
    int workAreaHeight() const override { return 768; }
    void showShadow() override { rec(QStringLiteral("shadow")); }
    void applySignedInWidth(int w) override {
        rect.width = w;
        rec(QStringLiteral("width %1").arg(w));
    }
    void applySignInWidth() override {
        rect.width = settings::kSignInWidth;
        rec(QStringLiteral("width sign-in"));
    }
    void applyWindowOptions(bool autoHide, bool onTop) override {
        rec(QStringLiteral("options %1 %2").arg(autoHide).arg(onTop));
    }
    void setWindowHidden(bool h) override { rec(h ? QStringLiteral("hidden") : QStringLiteral("unhidden")); }
    void closeMainWindow() override { rec(QStringLiteral("close")); }

    void fillSignInPanel(const session::SignInInputs& in) override {
        inputs = in;
        rec("fill " + in.account + "|" + in.password + "|" + in.status + "|" +
            QString::number(in.rememberPassword) + "|" + QString::number(in.autoLogin));
    }
    session::SignInInputs signInInputs() const override { return inputs; }
    void showSignInPanel() override { rec(QStringLiteral("sign-in panel")); }
    void hideSignInPanel() override { rec(QStringLiteral("sign-in panel hidden")); }
    void showSignInProgress(const QString& t) override { rec("sign-in progress " + t); }
    void showProgressPanel(const QString& t) override { rec("progress panel " + t); }
    void hideProgress() override { rec(QStringLiteral("progress hidden")); }
    void showReLoginPanel(bool lost) override {
        rec(QStringLiteral("re-login %1").arg(lost ? "lost" : "by user"));
    }
    void hideReLoginPanel() override { rec(QStringLiteral("re-login hidden")); }

    void setConnectEntry(const QString& c, bool e) override {
        rec("connect entry " + c + (e ? "" : " disabled"));
    }
    void setSessionEntries(bool e) override {
        rec(e ? QStringLiteral("session entries") : QStringLiteral("no session entries"));
    }
    void setMyStateText(const QString& t) override { rec("my state " + t); }
    void setOfflineCount(int n) override { rec(QStringLiteral("offline count %1").arg(n)); }
    void setSignedInButtons(const session::SignedInButtons& b) override {
        rec(QStringLiteral("buttons %1 %2 %3").arg(b.addContact).arg(b.workState).arg(b.workStateSignedIn));
    }
    void hideBadgesAndToolbarLinks() override { rec(QStringLiteral("badges hidden")); }
    void setMessageCentreMode(bool on) override { rec(QStringLiteral("message-centre mode %1").arg(on)); }
    void setOwnHeadPicture(const QString& p) override { rec("head " + p); }
    void showContactViews(bool s) override {
        rec(s ? QStringLiteral("views shown") : QStringLiteral("views hidden"));
    }
    void showView(session::ContactView v) override { rec(QStringLiteral("view %1").arg(int(v))); }

    void showBalloon(const QString& title, const QString& text, int seconds,
                     session::BalloonIcon icon) override {
        rec(QStringLiteral("balloon %1|%2|%3|%4")
                .arg(title, text)
                .arg(seconds)
                .arg(icon == session::BalloonIcon::Error ? "error" : "information"));
    }
    void showMessage(const QString& text, const QString& title) override {
        rec("message " + title + "|" + text);
    }
    void openSettingsDialog() override { rec(QStringLiteral("settings dialog")); }
    void openWebPage(const QString& url, int w, int h) override {
        rec(QStringLiteral("web %1 %2 %3").arg(url).arg(w).arg(h));
    }
    void openConversation(uint32_t id) override { rec(QStringLiteral("conversation %1").arg(id)); }

  private:
    void rec(const QString& s) { calls.push_back(s.toStdString()); }
};

} // namespace vantor::testing

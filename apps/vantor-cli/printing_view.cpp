#include "printing_view.h"

#include "terminal_text.h"

namespace vantor::app {

namespace {
QString yesNo(bool v) {
    return v ? QStringLiteral("yes") : QStringLiteral("no");
}
} // namespace

void PrintingMainView::print(const QString& line) const {
    if (!out_) return;
    const std::string b = terminalText(line.toStdString());
    std::fprintf(out_, "view: %s\n", b.c_str());
    std::fflush(out_);
}

void PrintingMainView::setCaption(const QString& caption) {
    print(QStringLiteral("caption %1").arg(caption));
}
void PrintingMainView::setTrayHint(const QString& hint) {
    print(QStringLiteral("tray hint %1").arg(hint));
}
void PrintingMainView::showProductName(const QString& name, bool showTelephone) {
    print(QStringLiteral("product name %1 (telephone picture: %2)").arg(name, yesNo(showTelephone)));
}
void PrintingMainView::placeAtStart(const settings::WindowRect& stored) {
    rect_.left = stored.left;
    rect_.top = stored.top;
    rect_.height = stored.height > 0 ? stored.height : rect_.height;
    print(QStringLiteral("window at %1,%2").arg(rect_.left).arg(rect_.top));
}
void PrintingMainView::showShadow() {
    print(QStringLiteral("shadow shown"));
}
void PrintingMainView::applySignedInWidth(int width) {
    rect_.width = width;
    print(QStringLiteral("window width %1").arg(width));
}
void PrintingMainView::applySignInWidth() {
    rect_.width = settings::kSignInWidth;
    print(QStringLiteral("window width %1").arg(rect_.width));
}
void PrintingMainView::applyWindowOptions(bool autoHide, bool onTop) {
    print(QStringLiteral("window options: auto-hide %1, on top %2").arg(yesNo(autoHide), yesNo(onTop)));
}
void PrintingMainView::setWindowHidden(bool hidden) {
    print(hidden ? QStringLiteral("window hidden") : QStringLiteral("window shown"));
}
void PrintingMainView::closeMainWindow() {
    print(QStringLiteral("main window closed"));
}

void PrintingMainView::fillSignInPanel(const session::SignInInputs& inputs) {
    inputs_ = inputs;
    print(QStringLiteral("sign-in panel filled: account \"%1\", remember %2, auto %3")
              .arg(inputs.account, yesNo(inputs.rememberPassword), yesNo(inputs.autoLogin)));
}
void PrintingMainView::showSignInPanel() {
    print(QStringLiteral("sign-in panel shown"));
}
void PrintingMainView::hideSignInPanel() {
    print(QStringLiteral("sign-in panel hidden"));
}
void PrintingMainView::showSignInProgress(const QString& text) {
    print(QStringLiteral("sign-in panel progress %1").arg(text));
}
void PrintingMainView::showProgressPanel(const QString& text) {
    print(QStringLiteral("progress panel %1").arg(text));
}
void PrintingMainView::hideProgress() {
    print(QStringLiteral("progress hidden"));
}
void PrintingMainView::showReLoginPanel(bool networkLost) {
    print(QStringLiteral("re-login panel (network lost: %1)").arg(yesNo(networkLost)));
}
void PrintingMainView::hideReLoginPanel() {
    print(QStringLiteral("re-login panel hidden"));
}

void PrintingMainView::setConnectEntry(const QString& caption, bool enabled) {
    print(QStringLiteral("menu connect %1 (%2)")
              .arg(caption, enabled ? QStringLiteral("enabled") : QStringLiteral("disabled")));
}
void PrintingMainView::setSessionEntries(bool enabled) {
    print(QStringLiteral("session entries %1")
              .arg(enabled ? QStringLiteral("enabled") : QStringLiteral("disabled")));
}
void PrintingMainView::setMyStateText(const QString& text) {
    print(QStringLiteral("my state %1").arg(text));
}
void PrintingMainView::setOfflineCount(int count) {
    print(QStringLiteral("waiting messages %1").arg(count));
}
void PrintingMainView::setSignedInButtons(const session::SignedInButtons& b) {
    print(QStringLiteral("buttons: add contact %1, work state %2, attendance %3")
              .arg(yesNo(b.addContact), yesNo(b.workState), yesNo(b.workStateSignedIn)));
}
void PrintingMainView::hideBadgesAndToolbarLinks() {
    print(QStringLiteral("badges and toolbar links hidden"));
}
void PrintingMainView::setMessageCentreMode(bool on) {
    print(QStringLiteral("message-centre mode %1").arg(yesNo(on)));
}
void PrintingMainView::setOwnHeadPicture(const QString& path) {
    print(QStringLiteral("own head picture %1").arg(path));
}

void PrintingMainView::showContactViews(bool shown) {
    print(shown ? QStringLiteral("contact views shown") : QStringLiteral("contact views hidden"));
}
void PrintingMainView::showView(session::ContactView view) {
    print(QStringLiteral("view %1").arg(int(view)));
}

void PrintingMainView::showBalloon(const QString& title, const QString& text, int seconds,
                                   session::BalloonIcon icon) {
    print(QStringLiteral("balloon %1: %2 (%3 s, %4)")
              .arg(title, text)
              .arg(seconds)
              .arg(icon == session::BalloonIcon::Error ? QStringLiteral("error")
                                                       : QStringLiteral("information")));
}
void PrintingMainView::showMessage(const QString& text, const QString& title) {
    print(QStringLiteral("message box %1: %2").arg(title, text));
}
void PrintingMainView::openSettingsDialog() {
    print(QStringLiteral("settings dialog opened"));
}
void PrintingMainView::openWebPage(const QString& url, int width, int height) {
    print(QStringLiteral("web page %1 (%2 x %3)").arg(url).arg(width).arg(height));
}
void PrintingMainView::openConversation(uint32_t userId) {
    print(QStringLiteral("open conversation %1").arg(userId));
}

} // namespace vantor::app

#include "directory_view.h"

#include "terminal_text.h"

#include "protocol/codes.h"
#include "protocol/text.h"

namespace vantor::app {

namespace {
std::string utf8(const std::string& gbk) {
    return protocol::fromGbk(gbk);
}
} // namespace

void PrintingDirectoryView::print(const std::string& line) const {
    if (!out_) return;
    std::fprintf(out_, "directory: %s\n", terminalText(line).c_str());
    std::fflush(out_);
}

void PrintingDirectoryView::showBalloon(const std::string& title, const std::string& text, int seconds,
                                        directory::BalloonIcon) {
    print("balloon " + utf8(title) + "|" + utf8(text) + "|" + std::to_string(seconds));
}
void PrintingDirectoryView::showMessage(const std::string& title, const std::string& text,
                                        directory::MessageIcon) {
    print("message " + utf8(title) + "|" + utf8(text));
}
void PrintingDirectoryView::ask(const std::string& title, const std::string& text, directory::Question,
                                Answer answered) {
    print("question " + utf8(title) + "|" + utf8(text) + " (answered no)");
    answered(false);
}
void PrintingDirectoryView::askText(const std::string& prompt, TextAnswer answered) {
    print("input box " + utf8(prompt) + " (cancelled)");
    answered(std::nullopt);
}
void PrintingDirectoryView::showOwnState(const directory::OwnStateDisplay& s) {
    print("own state " + utf8(s.userName) + " " + utf8(s.statusLabel) + " tray \"" + utf8(s.trayHint) + "\"");
}
void PrintingDirectoryView::showWorkState(const std::string& name) {
    print("work state " + utf8(name));
}
void PrintingDirectoryView::showView(int view) {
    print("view " + std::to_string(view));
}
void PrintingDirectoryView::storeViewSetting(directory::ViewSetting key, const std::string& value) {
    print("view setting " + std::to_string(int(key)) + " = " + utf8(value));
}

} // namespace vantor::app

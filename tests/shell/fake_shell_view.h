// A main window that records what the shell behaviour did to it.
#pragma once

#include "shell/shell_view.h"

#include <QStringList>

#include <map>
#include <vector>

namespace vantor::shell::test {

class FakeShellView : public IShellView {
  public:
    void setTrayAlertPicture(const QString& path) override { alertPicture = path; }
    void setTrayFlashFrame(bool picture) override { frames.push_back(picture); }
    void restoreTrayStatusIcon() override { ++statusIconRestored; }
    void showPendingCount(int count) override { pendingCount = count; }
    void markInLists(const client::ConversationAlert& alert, bool marked) override {
        marks[alert.conversationId] = marked;
    }
    void requestAttention() override { ++attentionRequests; }
    void showBadge(BadgeKind kind, const BadgeDisplay& display) override { badges[kind] = display; }
    void showToolbarButton(int button, const QString& hint) override { buttons[button] = hint; }
    FrameRect frameRect() const override { return frame; }
    int screenWidth() const override { return screen; }
    void cursorPosition(int& x, int& y) const override {
        x = cursorX;
        y = cursorY;
    }
    void moveFrame(const FrameRect& rect) override { frame = rect; }
    void setTopMost(bool on) override { topMost.push_back(on); }
    void showMainWindow() override { ++mainWindowShown; }
    void openLink(const QUrl& url) override { links.push_back(url); }
    void reportProblem(const QString& title, const QString& text) override {
        problems << title + ": " + text;
    }

    QString alertPicture;
    std::vector<bool> frames;
    int statusIconRestored = 0;
    int pendingCount = 0;
    std::map<int, bool> marks;
    int attentionRequests = 0;
    std::map<BadgeKind, BadgeDisplay> badges;
    std::map<int, QString> buttons;
    FrameRect frame{100, 100, 220, 500};
    int screen = 1280;
    int cursorX = 0, cursorY = 0;
    std::vector<bool> topMost;
    int mainWindowShown = 0;
    std::vector<QUrl> links;
    QStringList problems;
};

} // namespace vantor::shell::test

// The one history window of the client: opened on a colleague, a group or no partner, from the
// main window and from conversation windows.
#pragma once

#include "ui/chat/chat_windows.h"
#include "ui/history/history_form.h"

#include <QPointer>

#include <functional>

namespace vantor::ui {

class HistoryWindows : public IHistoryOpener {
  public:
    // `context` is asked for at each opening (the signed-in account may have changed); nothing
    // opens while it gives none.
    using ContextSource = std::function<std::optional<HistoryContext>()>;
    explicit HistoryWindows(ContextSource source) : source_(std::move(source)) {}
    ~HistoryWindows() override;

    // Over a whole client: its store, its directory, the program's pictures in `programFolder`.
    static ContextSource clientSource(client::ClientCore& core, IHistoryDirectory& directory,
                                      IHistoryServices& services, QString programFolder = {});

    // 0: opens or raises the window with no partner (first tree item expanded). A colleague: the
    // open window closes and a new one opens on them; the own user is ignored.
    void openHistoryOf(uint32_t userId) override;
    void openHistoryOfConversation(const conversation::Conversation& c) override;

    THistoryForm* window() const { return window_; }

  private:
    THistoryForm* fresh();

    ContextSource source_;
    QPointer<THistoryForm> window_;
};

} // namespace vantor::ui

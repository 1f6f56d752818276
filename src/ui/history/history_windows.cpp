#include "ui/history/history_windows.h"

#include <QTreeWidget>

namespace vantor::ui {

HistoryWindows::~HistoryWindows() {
    delete window_.data();
}

HistoryWindows::ContextSource HistoryWindows::clientSource(client::ClientCore& core,
                                                           IHistoryDirectory& directory,
                                                           IHistoryServices& services,
                                                           QString programFolder) {
    return [&core, &directory, &services, programFolder]() -> std::optional<HistoryContext> {
        const auto location = core.historyLocation();
        const auto& own = core.messenger().OwnUser;
        if (!location || !own) return std::nullopt;
        const auto& layout = core.messenger().environment().layout;
        QString program =
            programFolder.isEmpty() ? QString::fromStdString(layout.programFolder()) : programFolder;
        if (!program.endsWith(QLatin1Char('/'))) program += QLatin1Char('/');
        HistoryContext ctx;
        ctx.store = *location;
        ctx.directory = &directory;
        ctx.services = &services;
        ctx.folders = {program + QStringLiteral("Face/"), program + QStringLiteral("SysImages/"),
                       program + QStringLiteral("CustomFace/"),
                       QString::fromStdString(layout.imagesFolder(own->userId))};
        ctx.userPicFolder = QString::fromStdString(layout.userPicFolder(own->userId));
        ctx.headFolder = QString::fromStdString(core.messenger().UserHeadFolder);
        return ctx;
    };
}

THistoryForm* HistoryWindows::fresh() {
    std::optional<HistoryContext> ctx = source_();
    if (!ctx) return nullptr;
    if (window_) window_->close();
    window_ = new THistoryForm(std::move(*ctx));
    return window_;
}

void HistoryWindows::openHistoryOf(uint32_t userId) {
    if (userId == 0) {
        if (!window_ && !fresh()) return;
        if (window_->tree()->topLevelItemCount() > 0) window_->tree()->topLevelItem(0)->setExpanded(true);
    } else {
        const auto ctx = source_();
        if (!ctx || int32_t(userId) == ctx->store.accountId) return;
        if (!fresh()) return;
        window_->selectColleague(userId);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void HistoryWindows::openHistoryOfConversation(const conversation::Conversation& c) {
    if (c.kind() == protocol::kOneToOne) return openHistoryOf(c.peerId);
    if (!fresh()) return;
    window_->selectGroup(c.key.groupId, c.kind() == protocol::kServiceConversation);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace vantor::ui

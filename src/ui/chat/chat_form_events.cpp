// The conversation window's event handlers: dropped files, link clicks, closing, showing and
// hiding.
#include "conversation/action_link.h"
#include "protocol/text.h"
#include "ui/chat/chat_form.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

namespace vantor::ui {

using conversation::Conversation;

namespace {

QString fromGbk(std::string_view s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

} // namespace

void TfrmChatForm::dropFiles(const QStringList& paths, QPoint globalPos) {
    Conversation* c = conversation();
    if (!c) return;
    const bool overInput =
        chatlayout::overInputArea(globalPos, frameGeometry(), display_->width(), input_->height());
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists() || info.isDir()) continue;
        if (overInput && chatlayout::isPictureFile(path) && input_->insertPictureFile(path)) continue;
        ctx_.services->offerFile(*c, path);
    }
}

void TfrmChatForm::linkClicked(const QString& link) {
    Conversation* c = conversation();
    if (!c) return;
    const auto parsed = conversation::parseActionLink(protocol::toGbk(link.toStdString()));
    if (!parsed) {
        const QUrl url(link);
        static const QStringList kSchemes = {QStringLiteral("http"), QStringLiteral("https"),
                                             QStringLiteral("ftp"), QStringLiteral("mailto")};
        if (url.isValid() && kSchemes.contains(url.scheme().toLower())) ctx_.services->openUrl(url);
        return;
    }
    const QString argument = fromGbk(parsed->argument);
    if (parsed->action == conversation::kActionOpenFile || parsed->action == conversation::kActionOpenDir) {
        const bool file = parsed->action == conversation::kActionOpenFile;
        const QFileInfo info(argument);
        if (file ? info.isFile() : info.isDir()) {
            ctx_.services->openPath(argument);
            return;
        }
        display_->disableLink(link);
        ctx_.services->alert(this, file ? QStringLiteral("无法打开此文件，文件已经删除或转移。")
                                        : QStringLiteral("不存在此目录，可能已经删除或转移。"));
        return;
    }
    ctx_.services->actionLink(*c, parsed->action, parsed->argument);
}

void TfrmChatForm::closeEvent(QCloseEvent* event) {
    Conversation* c = conversation();
    if (c) {
        // The question about running transfers is answered later; its OK closes the window again,
        // past both checks (the close query has had its say).
        if (closeQuestionOpen_) {
            event->ignore();
            return;
        }
        if (!closeAgreed_) {
            if (!ctx_.chat->closeQuery(*c, [&] { return ctx_.services->evaluationAsksToStay(*c); })) {
                event->ignore();
                return;
            }
            const auto question = conversation::closeQuestion(ctx_.services->runningFileTransfers(*c),
                                                              ctx_.services->runningMedia(*c));
            if (question) {
                event->ignore();
                closeQuestionOpen_ = true;
                ctx_.services->confirm(this, QStringLiteral("提示"), fromGbk(*question), [this](bool ok) {
                    closeQuestionOpen_ = false;
                    if (!ok) return;
                    closeAgreed_ = true;
                    // Not from inside this close: Qt refuses a close within a close.
                    QMetaObject::invokeMethod(
                        this, [this] { close(); }, Qt::QueuedConnection);
                });
                return;
            }
        }
        closeAgreed_ = false;
        ctx_.services->endActivities(*c);
    }
    event->accept();
    emit closed(id_);
}

void TfrmChatForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        dress();
        if (ctx_.firstShown) ctx_.firstShown(this);
    }
    if (!event->spontaneous()) showSmsBox();
    if (Conversation* c = conversation()) {
        if (!event->spontaneous()) ctx_.services->windowShown(*c);
        input_->setReadOnly(c->readOnly);
        // A window shown minimised is still hidden for the alerts.
        if (!isMinimized()) {
            c->visible = true;
            c->alerted = true;
            emit broughtUp(id_);
        }
    }
    input_->setFocus();
}

void TfrmChatForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (Conversation* c = conversation()) c->visible = c->inFront = false;
}

void TfrmChatForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    Conversation* c = conversation();
    if (!c) return;
    if (event->type() == QEvent::ActivationChange) c->inFront = isActiveWindow();
    if (event->type() != QEvent::WindowStateChange) return;
    // Minimised is hidden as far as alerts go: a message then goes to the pending alerts. Restored,
    // the window is seen again and leaves them (the tray stops flashing when none is left).
    if (isMinimized()) {
        c->visible = c->inFront = false;
    } else if (isVisible() && !c->visible) {
        c->visible = true;
        c->alerted = true;
        emit broughtUp(id_);
    }
}

bool TfrmChatForm::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        if (!e->mimeData()->hasUrls()) break;
        e->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (!e->mimeData()->hasUrls()) break;
        QStringList paths;
        for (const QUrl& url : e->mimeData()->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
        auto* w = static_cast<QWidget*>(watched);
        dropFiles(paths, w->mapToGlobal(e->position().toPoint()));
        e->acceptProposedAction();
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantor::ui

#include "ui/services/service_windows.h"

#include "directory/head_picture.h"
#include "services/reminder.h"
#include "ui/chat/chat_windows.h"
#include "ui/kit/dialogs.h"
#include "ui/services/attendance_form.h"
#include "ui/services/evaluation_form.h"
#include "ui/services/remind_form.h"
#include "ui/services/reservation_form.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace vantor::ui {

using conversation::Conversation;

ServiceWindows::ServiceWindows(client::ClientCore& core, ChatWindows& chat, QString programFolder,
                               QObject* parent)
    : QObject(parent), core_(core), chat_(chat), programFolder_(std::move(programFolder)) {
    core_.serviceDesk().setView(this);
    chat_.onReservation = [this](const Conversation& c) { reservationTool(c); };
    chat_.onEvaluation = [this](const Conversation& c) { return evaluationWanted(c); };
    connect(&chat_, &ChatWindows::reminderWanted, this, &ServiceWindows::showReminder);
    // A conversation brought up takes its sender's reminder away.
    connect(&chat_, &ChatWindows::conversationBroughtUp, this, [this](int conversationId) {
        if (const Conversation* c = core_.conversations().byId(conversationId);
            c && c->kind() == protocol::kOneToOne)
            closeReminderFor(c->peerId);
    });
    workArea = [] {
        QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    };
}

ServiceWindows::~ServiceWindows() {
    core_.serviceDesk().setView(nullptr);
    chat_.onReservation = nullptr;
    chat_.onEvaluation = nullptr;
    delete attendance_.data();
    delete reservation_.data();
    delete evaluation_.data();
    delete reminder_.data();
}

TfrmAttence* ServiceWindows::openAttendance() {
    if (!attendance_) attendance_ = new TfrmAttence(core_.attendance());
    attendance_->show();
    attendance_->raise();
    attendance_->activateWindow();
    return attendance_;
}

TfrmAttence* ServiceWindows::attendance() const {
    return attendance_.data();
}
TfrmReservation* ServiceWindows::reservation() const {
    return reservation_.data();
}
TfrmEvaluation* ServiceWindows::evaluation() const {
    return evaluation_.data();
}
TfrmRemind* ServiceWindows::reminder() const {
    return reminder_.data();
}

void ServiceWindows::openServicePoint(const wire::Guid& guid) {
    core_.serviceDesk().open(guid);
}

void ServiceWindows::reservationTool(const Conversation& c) {
    TfrmChatForm* form = chat_.existing(c.id);
    if (!form || reservation_) return;
    switch (core_.serviceDesk().mayPropose(c)) {
    case services::ServiceDesk::Proposal::NothingSentYet:
        showInformation(form, QStringLiteral("提示"), QStringLiteral("请先与工作人员沟通后再设置预约时间！"));
        return;
    case services::ServiceDesk::Proposal::Sent:
        break;
    default:
        return;
    }
    reservation_ = new TfrmReservation(core_, c.id, form);
    reservation_->placeOver(form);
    reservation_->show();
}

bool ServiceWindows::evaluationWanted(const Conversation& c) {
    TfrmChatForm* form = chat_.existing(c.id);
    if (!form) return false;
    if (evaluation_) return true; // already asking
    QPointer<TfrmChatForm> target(form);
    evaluation_ = new TfrmEvaluation(
        core_, c.id,
        [target] {
            // Not from inside the button's click: the conversation's close runs its own queries.
            if (target)
                QMetaObject::invokeMethod(
                    target,
                    [target] {
                        if (target) target->close();
                    },
                    Qt::QueuedConnection);
        },
        form);
    evaluation_->placeOver(form);
    evaluation_->show();
    return true;
}

void ServiceWindows::showReminder(const protocol::Shake& record) {
    if (!services::remindsWithToast(record.remindKind)) return;
    const directory::User* u = core_.directory().directory().findUser(record.senderId);
    std::string name = u ? u->record.name : std::to_string(record.senderId);
    QString picture;
    if (const auto& own = core_.messenger().OwnUser) {
        directory::PictureFolders folders;
        const auto& layout = core_.messenger().environment().layout;
        folders.userPic = QString::fromStdString(layout.userPicFolder(own->userId));
        folders.userHead = QString::fromStdString(core_.messenger().UserHeadFolder);
        folders.sysImages = QDir(programFolder_).filePath(QStringLiteral("SysImages"));
        picture = directory::resolveHeadPicture(folders, record.senderId,
                                                u ? u->record.headPicture : std::string());
    }
    // The sender's system picture when it has no picture of its own.
    if (picture.isEmpty() || !QFile::exists(picture))
        picture = QDir(programFolder_).filePath(QStringLiteral("SysImages/DefaultHead.bmp"));
    if (!reminder_) {
        reminder_ = new TfrmRemind;
        reminder_->onOpen = [this](const protocol::Shake& r) {
            protocol::ConversationKey key = r.key;
            if (Conversation* c = core_.conversations().findOrCreate(key, true)) chat_.bringToFront(*c);
        };
    }
    reminder_->showReminder(record, name, picture, workArea());
}

void ServiceWindows::closeReminderFor(uint32_t userId) {
    if (reminder_ && reminder_->senderId() == userId) reminder_->slideOut();
}

void ServiceWindows::serviceChanged(Conversation& c) {
    if (TfrmChatForm* f = chat_.existing(c.id)) f->refreshService();
}

void ServiceWindows::showConversation(Conversation& c) {
    chat_.bringToFront(c);
    if (TfrmChatForm* f = chat_.existing(c.id)) f->refreshService();
}

void ServiceWindows::reviewReservation(Conversation& c, const protocol::Reservation& r) {
    delete reservation_.data(); // a customer's own window of an earlier session, if any
    TfrmChatForm* form = chat_.existing(c.id);
    reservation_ = new TfrmReservation(core_, c.id, r, form);
    reservation_->placeOver(form);
    reservation_->show();
}

} // namespace vantor::ui

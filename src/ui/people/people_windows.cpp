#include "ui/people/people_windows.h"

#include "ui/people/request_windows.h"
#include "ui/people/search_add_user.h"
#include "ui/people/use_pic.h"
#include "ui/people/user_card_window.h"

#include <QGuiApplication>
#include <QScreen>

namespace vantor::ui {

PeopleWindows::PeopleWindows(client::ClientCore& core) : core_(core) {
    core_.people().addListener(this);
}

PeopleWindows::~PeopleWindows() {
    core_.people().removeListener(this);
    for (QWidget* w : std::initializer_list<QWidget*>{contactWindow_, joinWindow_, search_, picture_, card_})
        delete w;
}

const people::IPictureCodec& PeopleWindows::pictures() {
    static const people::PictureCodec codec;
    return codec;
}

void PeopleWindows::openSearchWizard() {
    if (!search_) search_ = new TfrmSearchAddUser(core_);
    search_->show();
    search_->raise();
    search_->activateWindow();
}

void PeopleWindows::openPictureDialog() {
    if (!picture_) picture_ = new TfrmUsePic(core_);
    picture_->show();
    picture_->raise();
}

TfrmUserInfo& PeopleWindows::userCard() {
    if (!card_) card_ = new TfrmUserInfo(core_);
    return *card_;
}

void PeopleWindows::contactRequestsChanged() {
    if (!contactWindow_ && !core_.people().contactRequests().empty()) openRequests(true);
}

void PeopleWindows::joinRequestsChanged() {
    if (!joinWindow_ && !core_.people().joinRequests().empty()) openRequests(false);
}

void PeopleWindows::openRequests(bool contacts) {
    auto* w = new RequestWindow(core_, contacts);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        w->place(s->availableGeometry(), s->geometry().width());
    w->show();
    (contacts ? contactWindow_ : joinWindow_) = w;
}

} // namespace vantor::ui

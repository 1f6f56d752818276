// The people windows of one desktop client: the request windows opened (one of each) when requests
// arrive, the search wizard and the picture dialog (one instance each), and the hover card.
#pragma once

#include "client/client_core.h"
#include "people/picture_codec.h"
#include "ui/people/request_windows.h"
#include "ui/people/search_add_user.h"
#include "ui/people/use_pic.h"
#include "ui/people/user_card_window.h"

#include <QPointer>

namespace vantor::ui {

class PeopleWindows : private people::IPeopleListener {
  public:
    explicit PeopleWindows(client::ClientCore& core);
    ~PeopleWindows() override;

    // The codec the client's core takes (ClientEnvironment::pictures).
    static const people::IPictureCodec& pictures();

    void openSearchWizard();  // OpenSearchWizard
    void openPictureDialog(); // OpenPictureDialog
    TfrmUserInfo& userCard();
    RequestWindow* contactRequestWindow() const { return contactWindow_; }
    RequestWindow* joinRequestWindow() const { return joinWindow_; }

  private:
    void contactRequestsChanged() override;
    void joinRequestsChanged() override;
    void openRequests(bool contacts);

    client::ClientCore& core_;
    QPointer<RequestWindow> contactWindow_;
    QPointer<RequestWindow> joinWindow_;
    QPointer<TfrmSearchAddUser> search_;
    QPointer<TfrmUsePic> picture_;
    QPointer<TfrmUserInfo> card_;
};

} // namespace vantor::ui

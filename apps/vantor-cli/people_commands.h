// The commands of vantor-cli about colleagues: searching users and groups on the server, asking to
// add a contact, a colleague's details (and its head photo when the server's copy is newer), the
// own head photo, and answering contact and join requests while listening.
#pragma once

#include "client/client_core.h"
#include "people/picture_codec.h"

#include <QString>
#include <QTimer>

#include <functional>

namespace vantor::app {

struct PeopleOptions {
    enum class Command {
        None,
        SearchUsers,
        SearchGroups,
        AddContact,
        Details,
        SetPhoto
    } command = Command::None;
    QString text; // search: the name or keyword; add-contact, details: the colleague; set-photo: the file
    QString department; // search-users
    QString group;      // add-contact: the own contact group
    int page = 1;
    QString requests; // listen: "accept" or "decline" every contact and join request
};

class CliPeople : public people::IPeopleListener {
  public:
    // `finish(code, message)` ends the run.
    CliPeople(client::ClientCore& core, PeopleOptions options,
              std::function<void(int, const QString&)> finish);
    ~CliPeople() override;
    CliPeople(const CliPeople&) = delete;
    CliPeople& operator=(const CliPeople&) = delete;

    // Runs the command once signed in; false when there is none.
    bool run();

    void userResultsChanged() override;
    void groupResultsChanged() override;
    void contactRequestsChanged() override;
    void joinRequestsChanged() override;
    void detailArrived(uint32_t userId, bool pushed) override;
    void pictureArrived(uint32_t userId) override;

  private:
    void printResults();
    void printDetail(uint32_t userId);
    void done(int code, const QString& message = {});
    std::optional<uint32_t> colleague(const QString& target);

    client::ClientCore& core_;
    PeopleOptions options_;
    std::function<void(int, const QString&)> finish_;
    QTimer quiet_; // searches have no end marker: a page is complete when nothing more arrives
    uint32_t detailOf_ = 0;
    bool waitingPicture_ = false;
    bool finished_ = false;
};

} // namespace vantor::app

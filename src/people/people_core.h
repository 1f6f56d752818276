// PeopleCore: finding colleagues and groups on the server (the search wizard's pages), contact and
// join requests waiting in the two request windows, detail records, and head pictures (fetched
// when the server's copy is newer, made into thumbnails, uploaded). It reaches the session and the
// directory through IPeopleHost and tells the windows through IPeopleListener.
#pragma once

#include "people/picture_files.h"
#include "people/requests.h"
#include "people/search_pages.h"
#include "protocol/frame.h"
#include "protocol/group.h"
#include "protocol/picture.h"
#include "protocol/records.h"
#include "protocol/user_detail.h"

#include <QString>

#include <map>
#include <optional>
#include <span>
#include <vector>

namespace vantor::people {

class IPeopleHost {
  public:
    virtual ~IPeopleHost() = default;
    // False when nothing could be sent (not connected, or the write failed).
    virtual bool sendToServer(const protocol::Message& m) = 0;
    virtual uint32_t ownId() const = 0; // 0 while signed out
    virtual std::string ownName() const = 0;
    virtual const protocol::UserRecord* findUser(uint32_t id) const = 0;
    virtual QString userPicFolder() const = 0; // empty while signed out
    virtual QString imagesFolder() const = 0;  // empty while signed out
    // A one-to-one conversation window with the colleague is open.
    virtual bool conversationOpen(uint32_t userId) const = 0;
    virtual std::vector<protocol::ContactGroup> contactGroups() const = 0;
    // The discussion group is in the own group store.
    virtual bool hasGroup(const protocol::Guid& guid) const = 0;
};

class IPeopleListener {
  public:
    virtual ~IPeopleListener() = default;
    virtual void userResultsChanged() {}
    virtual void groupResultsChanged() {}
    virtual void contactRequestsChanged() {}
    virtual void joinRequestsChanged() {}
    // A detail record arrived (`pushed`: CmdUserDetailPush).
    virtual void detailArrived(uint32_t /*userId*/, bool /*pushed*/) {}
    // A head photo (and its thumbnail, when it could be made) is in the UserPic folder.
    virtual void pictureArrived(uint32_t /*userId*/) {}
    // A conversation picture from the server is in the Images folder under `name`.
    virtual void conversationPictureArrived(const protocol::ImageFileHead& /*head*/,
                                            const QString& /*name*/) {}
};

class PeopleCore {
  public:
    PeopleCore(IPeopleHost& host, const IPictureCodec& codec);

    static std::span<const protocol::Cmd> handledCodes();
    // One message of a handled code; false when its body does not decode.
    bool handle(const protocol::Message& m);
    void addListener(IPeopleListener* l);
    void removeListener(IPeopleListener* l);
    // Sign-out: details, picture times, pending requests and results are dropped.
    void clear();

    // ---- search wizard ----
    // Results are taken only while the wizard is open (otherwise read and dropped).
    void setSearchOpen(bool open);
    bool searchOpen() const { return searchOpen_; }
    bool searchUsers(const std::string& name, const std::string& department, uint32_t page);
    bool searchGroups(const std::string& keyword, uint32_t page);
    const UserPages& userPages() const { return userPages_; }
    const GroupPages& groupPages() const { return groupPages_; }
    const UserColumns& userColumns() const { return columns_; }
    // The user is in the user list and not known only through a group: already a contact.
    bool alreadyContact(uint32_t userId) const;
    // A contact request to `targetId` into the own contact group named `groupName` (0 when none
    // matches). False when nothing was sent: the window reports the failure.
    bool sendContactRequest(uint32_t targetId, const std::string& groupName);
    bool sendJoinRequest(const protocol::GroupSearchResult& group, const std::string& applyText);

    // ---- incoming requests ----
    RequestQueue<protocol::ContactRequest>& contactRequests() { return contactRequests_; }
    RequestQueue<protocol::GroupJoinRequest>& joinRequests() { return joinRequests_; }
    // Answers the current request; accepted contacts go into the group named `groupName`. False
    // when the answer could not be sent (the request stays).
    bool answerContactRequest(bool accept, const std::string& groupName);
    bool answerJoinRequest(bool accept);

    // ---- details and pictures ----
    bool requestDetail(uint32_t userId);
    const protocol::UserDetail* detail(uint32_t userId) const;
    // Replaces the held record (the settings dialog saved the own one).
    void setDetail(const protocol::UserDetail& d) { details_[d.userId] = d; }
    // The server's picture time: the latest CmdPictureChanged, else the user record's.
    double pictureTime(uint32_t userId) const;
    bool pictureStale(uint32_t userId) const;
    bool requestPicture(uint32_t userId);
    // Makes `picture` (a file of any picture format) the own head photo: framed as the picture
    // dialog frames it when it opens, saved with its thumbnail and uploaded.
    bool setOwnPhotoFromFile(const QString& picture);
    // Saves JPEG bytes as the own head photo, makes the thumbnail and uploads it.
    bool setOwnPhoto(const QByteArray& jpeg);
    // CmdImageUpload of the own head photo; false when the file is missing or nothing was sent.
    bool uploadPicture();
    QString photoPath(uint32_t userId) const;
    QString thumbnailPath(uint32_t userId) const;

  private:
    void onUserResult(const protocol::UserSearchResult& r);
    void onGroupResult(const protocol::GroupSearchResult& r);
    void onContactRequest(const protocol::ContactRequest& r);
    void onJoinRequest(const protocol::GroupJoinRequest& r);
    void onDetail(const protocol::UserDetail& d, bool pushed);
    void onImageFile(std::string_view body);
    void onPictureChanged(const protocol::PictureChanged& c);
    uint32_t contactGroupId(const std::string& name) const;
    template <class F>
    void tell(F f) {
        for (IPeopleListener* l : std::vector<IPeopleListener*>(listeners_))
            f(*l);
    }

    IPeopleHost& host_;
    const IPictureCodec& codec_;
    std::vector<IPeopleListener*> listeners_;
    bool searchOpen_ = false;
    UserPages userPages_;
    GroupPages groupPages_;
    UserColumns columns_;
    RequestQueue<protocol::ContactRequest> contactRequests_;
    RequestQueue<protocol::GroupJoinRequest> joinRequests_;
    std::map<uint32_t, protocol::UserDetail> details_;
    std::map<uint32_t, double> pictureTimes_;
};

} // namespace vantor::people

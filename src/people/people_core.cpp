#include "people/people_core.h"

#include "protocol/text.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace vantor::people {

using protocol::Cmd;

namespace {
constexpr std::array kCodes{Cmd::UserSearch,       Cmd::GroupSearch,   Cmd::AddContactRequest,
                            Cmd::GroupJoinRequest, Cmd::UserDetail,    Cmd::UserDetailPush,
                            Cmd::ImageFile,        Cmd::PictureChanged};

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string cut(const std::string& s, size_t n) {
    return s.substr(0, wire::gbkCutLength(s, n));
}
} // namespace

PeopleCore::PeopleCore(IPeopleHost& host, const IPictureCodec& codec) : host_(host), codec_(codec) {}

std::span<const Cmd> PeopleCore::handledCodes() {
    return kCodes;
}

void PeopleCore::addListener(IPeopleListener* l) {
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void PeopleCore::removeListener(IPeopleListener* l) {
    std::erase(listeners_, l);
}

void PeopleCore::clear() {
    userPages_ = {};
    groupPages_ = {};
    contactRequests_.clear();
    joinRequests_.clear();
    details_.clear();
    pictureTimes_.clear();
}

bool PeopleCore::handle(const protocol::Message& m) {
    switch (m.cmd()) {
    case Cmd::UserSearch: {
        protocol::UserSearchResult r;
        if (!wire::decode(m.body, r)) return false;
        if (searchOpen_) onUserResult(r);
        return true;
    }
    case Cmd::GroupSearch: {
        protocol::GroupSearchResult r;
        if (!wire::decode(m.body, r)) return false;
        if (searchOpen_) onGroupResult(r);
        return true;
    }
    case Cmd::AddContactRequest: {
        protocol::ContactRequest r;
        if (!wire::decode(m.body, r)) return false;
        onContactRequest(r);
        return true;
    }
    case Cmd::GroupJoinRequest: {
        protocol::GroupJoinRequest r;
        if (!wire::decode(m.body, r)) return false;
        onJoinRequest(r);
        return true;
    }
    case Cmd::UserDetail:
    case Cmd::UserDetailPush: {
        protocol::UserDetail d;
        if (!wire::decode(m.body, d)) return false;
        onDetail(d, m.cmd() == Cmd::UserDetailPush);
        return true;
    }
    case Cmd::ImageFile:
        if (m.body.size() < protocol::ImageFileHead::kSize) return false;
        onImageFile(m.body);
        return true;
    case Cmd::PictureChanged: {
        protocol::PictureChanged c;
        if (!wire::decode(m.body, c)) return false;
        onPictureChanged(c);
        return true;
    }
    default:
        return false;
    }
}

// ---- search ----

void PeopleCore::setSearchOpen(bool open) {
    searchOpen_ = open;
    if (!open) {
        userPages_ = {};
        groupPages_ = {};
        columns_ = {};
    }
}

bool PeopleCore::searchUsers(const std::string& name, const std::string& department, uint32_t page) {
    protocol::UserSearchRequest r;
    r.ownId = host_.ownId();
    r.name = cut(trimmed(name), 70);
    r.department = cut(trimmed(department), 30);
    r.page = std::max<uint32_t>(1, page);
    userPages_.start(r.page);
    tell([](IPeopleListener& l) { l.userResultsChanged(); });
    return r.ownId && host_.sendToServer(protocol::makeMessage(Cmd::UserSearch, r));
}

bool PeopleCore::searchGroups(const std::string& keyword, uint32_t page) {
    protocol::GroupSearchRequest r;
    r.ownId = host_.ownId();
    r.keyword = cut(trimmed(keyword), 30);
    r.page = std::max<uint32_t>(1, page);
    groupPages_.start(r.page);
    tell([](IPeopleListener& l) { l.groupResultsChanged(); });
    return r.ownId && host_.sendToServer(protocol::makeMessage(Cmd::GroupSearch, r));
}

void PeopleCore::onUserResult(const protocol::UserSearchResult& r) {
    const bool own = r.userId == host_.ownId();
    if (userPages_.add(r, r.page, !own)) columns_.fit(r.name);
    tell([](IPeopleListener& l) { l.userResultsChanged(); });
}

void PeopleCore::onGroupResult(const protocol::GroupSearchResult& r) {
    groupPages_.add(r, r.page, true);
    tell([](IPeopleListener& l) { l.groupResultsChanged(); });
}

bool PeopleCore::alreadyContact(uint32_t userId) const {
    const protocol::UserRecord* u = host_.findUser(userId);
    return u && !u->notInTree;
}

uint32_t PeopleCore::contactGroupId(const std::string& name) const {
    for (const auto& g : host_.contactGroups())
        if (g.name == name) return g.groupId;
    return 0;
}

bool PeopleCore::sendContactRequest(uint32_t targetId, const std::string& groupName) {
    const uint32_t own = host_.ownId();
    if (!own || targetId == 0 || targetId == own) return false;
    protocol::ContactRequest r;
    r.requesterId = own;
    r.targetId = targetId;
    r.contactGroupId = contactGroupId(groupName);
    r.answer = protocol::kRequestAsked;
    r.requesterName = cut(host_.ownName(), 20);
    return host_.sendToServer(protocol::makeMessage(Cmd::AddContactRequest, r));
}

bool PeopleCore::sendJoinRequest(const protocol::GroupSearchResult& group, const std::string& applyText) {
    const uint32_t own = host_.ownId();
    if (!own) return false;
    protocol::GroupJoinRequest r;
    r.requesterId = own;
    r.requesterName = cut(host_.ownName(), 70);
    r.groupNumber = group.groupNumber;
    r.guid = group.guid;
    r.groupName = cut(group.name, 60);
    r.applyText = cut(applyText, 100);
    r.answer = protocol::kRequestAsked;
    return host_.sendToServer(protocol::makeMessage(Cmd::GroupJoinRequest, r));
}

// ---- requests ----

void PeopleCore::onContactRequest(const protocol::ContactRequest& r) {
    // Answers to our own requests change nothing here: the new contact arrives as a user item.
    if (r.answer != protocol::kRequestAsked || r.targetId != host_.ownId()) return;
    if (contactRequests_.add(r)) tell([](IPeopleListener& l) { l.contactRequestsChanged(); });
}

void PeopleCore::onJoinRequest(const protocol::GroupJoinRequest& r) {
    if (r.answer != protocol::kRequestAsked || r.requesterId == host_.ownId()) return;
    if (joinRequests_.add(r)) tell([](IPeopleListener& l) { l.joinRequestsChanged(); });
}

bool PeopleCore::answerContactRequest(bool accept, const std::string& groupName) {
    const protocol::ContactRequest* current = contactRequests_.current();
    if (!current) return false;
    const protocol::ContactRequest a = contactAnswer(*current, accept, contactGroupId(groupName));
    if (!host_.sendToServer(protocol::makeMessage(Cmd::AddContactRequest, a))) return false;
    contactRequests_.take();
    tell([](IPeopleListener& l) { l.contactRequestsChanged(); });
    return true;
}

bool PeopleCore::answerJoinRequest(bool accept) {
    const protocol::GroupJoinRequest* current = joinRequests_.current();
    if (!current) return false;
    if (!host_.sendToServer(protocol::makeMessage(Cmd::GroupJoinRequest, joinAnswer(*current, accept))))
        return false;
    joinRequests_.take();
    tell([](IPeopleListener& l) { l.joinRequestsChanged(); });
    return true;
}

// ---- details and pictures ----

bool PeopleCore::requestDetail(uint32_t userId) {
    protocol::UserDetailRequest r;
    r.userId = userId;
    return host_.ownId() && host_.sendToServer(protocol::makeMessage(Cmd::UserDetail, r));
}

const protocol::UserDetail* PeopleCore::detail(uint32_t userId) const {
    const auto it = details_.find(userId);
    return it == details_.end() ? nullptr : &it->second;
}

double PeopleCore::pictureTime(uint32_t userId) const {
    if (const auto it = pictureTimes_.find(userId); it != pictureTimes_.end()) return it->second;
    const protocol::UserRecord* u = host_.findUser(userId);
    return u ? u->photoTime : 0;
}

bool PeopleCore::pictureStale(uint32_t userId) const {
    const QString folder = host_.userPicFolder();
    return !folder.isEmpty() && IsPictureStale(folder, userId, pictureTime(userId));
}

QString PeopleCore::photoPath(uint32_t userId) const {
    const QString folder = host_.userPicFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(photoName(userId));
}

QString PeopleCore::thumbnailPath(uint32_t userId) const {
    const QString folder = host_.userPicFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(thumbnailName(userId));
}

bool PeopleCore::requestPicture(uint32_t userId) {
    if (!host_.ownId() || userId == 0) return false;
    protocol::ImageFileHead h;
    h.userId = int32_t(userId);
    h.imageKind = protocol::kImageKindHead;
    h.fileSize = 0;
    h.fileName = std::to_string(userId) + ".jpg";
    return host_.sendToServer(protocol::Message{uint8_t(Cmd::ImageFile), wire::encode(h)});
}

void PeopleCore::onDetail(const protocol::UserDetail& d, bool pushed) {
    if (!host_.findUser(d.userId)) return; // an unknown colleague's record is dropped
    details_[d.userId] = d;
    if (!pushed) {
        if (d.userId == host_.ownId()) {
            if (pictureStale(d.userId)) requestPicture(d.userId);
        } else if (host_.conversationOpen(d.userId) && pictureTime(d.userId) != 0 && pictureStale(d.userId)) {
            requestPicture(d.userId);
        }
    }
    tell([&](IPeopleListener& l) { l.detailArrived(d.userId, pushed); });
}

void PeopleCore::onPictureChanged(const protocol::PictureChanged& c) {
    if (!host_.findUser(c.userId)) return;
    // Kept with or without a detail record: the next look at the colleague fetches the new photo.
    pictureTimes_[c.userId] = c.pictureTime;
    if (host_.conversationOpen(c.userId)) requestPicture(c.userId);
}

void PeopleCore::onImageFile(std::string_view body) {
    protocol::ImageFileHead head;
    if (!wire::decode(body, head)) return;
    const std::string_view rest = body.substr(protocol::ImageFileHead::kSize);
    if (head.fileSize != rest.size() || rest.empty() || qint64(rest.size()) > kMaxPictureBytes) return;
    const QByteArray bytes(rest.data(), qsizetype(rest.size()));
    if (!codec_.decodes(bytes)) return; // an empty or broken picture never replaces a good one
    if (head.imageKind == protocol::kImageKindHead) {
        // Always "<id>.jpg" whatever name the head carries: a name from the network never picks
        // the file.
        if (head.userId <= 0) return;
        const uint32_t id = uint32_t(head.userId);
        const QString folder = host_.userPicFolder();
        if (folder.isEmpty() || !QDir().mkpath(folder)) return;
        if (!writeAtomically(photoPath(id), bytes)) return;
        codec_.makeThumbnail(photoPath(id), thumbnailPath(id));
        tell([&](IPeopleListener& l) { l.pictureArrived(id); });
        return;
    }
    const auto name = storedPictureName(head.fileName);
    const QString folder = host_.imagesFolder();
    if (!name || folder.isEmpty() || !QDir().mkpath(folder)) return;
    if (!writeAtomically(QDir(folder).filePath(*name), bytes)) return;
    tell([&](IPeopleListener& l) { l.conversationPictureArrived(head, *name); });
}

bool PeopleCore::setOwnPhotoFromFile(const QString& picture) {
    const auto jpeg = codec_.photoFromFile(picture);
    return jpeg && setOwnPhoto(*jpeg);
}

bool PeopleCore::setOwnPhoto(const QByteArray& jpeg) {
    const uint32_t own = host_.ownId();
    const QString folder = host_.userPicFolder();
    if (!own || folder.isEmpty() || jpeg.isEmpty() || jpeg.size() > kMaxPictureBytes || !codec_.decodes(jpeg))
        return false;
    if (!QDir().mkpath(folder) || !writeAtomically(photoPath(own), jpeg)) return false;
    codec_.makeThumbnail(photoPath(own), thumbnailPath(own));
    tell([&](IPeopleListener& l) { l.pictureArrived(own); });
    return uploadPicture();
}

bool PeopleCore::uploadPicture() {
    const uint32_t own = host_.ownId();
    if (!own) return false;
    QFile f(photoPath(own));
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 0 || f.size() > kMaxPictureBytes) return false;
    const QByteArray bytes = f.readAll();
    protocol::ImageFileHead h;
    h.userId = int32_t(own);
    h.imageKind = protocol::kImageKindHead;
    h.fileSize = uint32_t(bytes.size());
    h.fileName = std::to_string(own) + ".jpg";
    return host_.sendToServer(protocol::Message{
        uint8_t(Cmd::ImageUpload), wire::encode(h) + std::string(bytes.constData(), size_t(bytes.size()))});
}

} // namespace vantor::people

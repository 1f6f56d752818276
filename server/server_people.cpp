// Colleagues finding each other: contact and join requests waiting for their answers (an accepted
// one links the two contacts or adds the member), detail records, and head photos and
// conversation pictures kept for colleagues who cannot ask their owner.
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "server/log.h"
#include "server/server.h"
#include "server/session.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace vantor::server {

using protocol::Cmd;
using protocol::Message;

namespace {
// A name of our own folders: 1 to 40 ASCII letters, digits, '.', '-' and '_', not starting with '.'.
bool plainName(const std::string& name) {
    if (name.empty() || name.size() > protocol::ImageFileHead::kNameCapacity || name[0] == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '-' || c == '_';
    });
}

bool isJpeg(const std::string& bytes) {
    return bytes.size() >= 4 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xD8 &&
           uint8_t(bytes[2]) == 0xFF;
}

std::optional<std::string> readFile(const QString& path, size_t cap) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 0 || size_t(f.size()) > cap) return std::nullopt;
    const QByteArray b = f.readAll();
    return std::string(b.constData(), size_t(b.size()));
}

bool writeFile(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path); // a temporary file renamed over the old one: readers never see half a picture
    return f.open(QIODevice::WriteOnly) &&
           f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()) && f.commit();
}
} // namespace

QString Server::headPhotoPath(uint32_t userId) const {
    return QString::fromStdString(config_.pictureFolder) + "/head/" + QString::number(userId) + ".jpg";
}

// Conversation pictures: a group's under its GUID, a one-to-one conversation's under its owner.
QString Server::conversationPicturePath(const wire::Guid& group, uint32_t owner,
                                        const std::string& name) const {
    const QString folder = group.isNull()
                               ? "u" + QString::number(owner)
                               : QString::fromLatin1(QByteArray::fromStdString(guidKey(group)).toHex());
    return QString::fromStdString(config_.pictureFolder) + "/chat/" + folder + "/" +
           QString::fromStdString(name);
}

// Who hears of a colleague's new details and photo: the signed-in colleagues who keep it as a
// contact or whom it keeps, and those who asked for its details in their session.
std::vector<Session*> Server::watchersOf(uint32_t userId) {
    std::vector<uint32_t> ids = directory_.contactOwnersOf(userId);
    for (const auto& l : directory_.contactLinksOf(userId))
        ids.push_back(l.userId);
    if (auto it = detailReaders_.find(userId); it != detailReaders_.end()) {
        std::erase_if(it->second, [&](uint32_t reader) { return !byUser_.count(reader); });
        ids.insert(ids.end(), it->second.begin(), it->second.end());
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::vector<Session*> out;
    for (uint32_t id : ids)
        if (const auto it = byUser_.find(id); it != byUser_.end() && id != userId) out.push_back(it->second);
    return out;
}

void Server::onDetailQuery(Session& s, const DetailQuery& q) {
    const protocol::UserRecord* u = directory_.user(q.userId);
    if (!u) return;
    protocol::UserDetail d;
    if (const auto stored = store_->detail(q.userId); !stored || !wire::decode(*stored, d)) {
        d = {};
        d.userId = q.userId;
        d.sex = u->female ? 1 : 0;
        d.company = directory_.departmentName(u->departmentId);
    }
    d.userId = q.userId;
    auto& readers = detailReaders_[q.userId];
    if (readers.size() < config_.maxDetailReaders) readers.insert(s.userId());
    s.send(protocol::makeMessage(Cmd::UserDetail, d));
}

void Server::onDetailSave(Session& s, protocol::UserDetail d) {
    const uint32_t me = s.userId();
    d.userId = me; // only ever the signed-in colleague's own record
    const std::string record = wire::encode(d);
    if (!store_->saveDetail(me, record)) {
        log(LogLevel::Warning,
            "cannot store the details of user " + std::to_string(me) + ": " + store_->lastError());
        return;
    }
    const Message push{uint8_t(Cmd::UserDetailPush), record};
    for (Session* w : watchersOf(me))
        w->send(push);
}

void Server::onPictureQuery(Session& s, const PictureQuery& q) {
    protocol::ImageFileHead head = q.head;
    std::optional<std::string> bytes;
    if (head.imageKind == protocol::kImageKindHead) {
        if (head.userId <= 0 || !directory_.user(uint32_t(head.userId))) return;
        bytes = readFile(headPhotoPath(uint32_t(head.userId)), config_.maxPictureBytes);
        head.fileName = std::to_string(head.userId) + ".jpg";
        head.conversationGuid = {};
    } else {
        if (!plainName(head.fileName)) return;
        if (head.userId == -1) { // a group's picture, for its members only
            const DiscussionGroup* g = directory_.group(head.conversationGuid);
            if (!g || std::find(g->members.begin(), g->members.end(), s.userId()) == g->members.end()) return;
            bytes = readFile(conversationPicturePath(head.conversationGuid, 0, head.fileName),
                             config_.maxPictureBytes);
        } else if (head.userId > 0) {
            bytes = readFile(conversationPicturePath({}, uint32_t(head.userId), head.fileName),
                             config_.maxPictureBytes);
        }
    }
    if (!bytes) return; // nothing kept under that name: no answer, as for a colleague who lacks it
    head.fileSize = uint32_t(bytes->size());
    s.send(Message{uint8_t(Cmd::ImageFile), wire::encode(head) + *bytes});
}

void Server::onPictureUpload(Session& s, const PictureUpload& u) {
    const uint32_t me = s.userId(); // the signed-in colleague's, whatever the head says
    if (u.bytes.empty() || u.bytes.size() > config_.maxPictureBytes) {
        log(LogLevel::Warning, "user " + std::to_string(me) + " uploaded a picture of " +
                                   std::to_string(u.bytes.size()) + " bytes");
        return;
    }
    if (u.head.imageKind == protocol::kImageKindHead) {
        if (!isJpeg(u.bytes)) { // an empty or broken photo never replaces a good one
            log(LogLevel::Warning, "user " + std::to_string(me) + " uploaded a head photo that is no JPEG");
            return;
        }
        if (!writeFile(headPhotoPath(me), u.bytes)) {
            log(LogLevel::Warning, "cannot store the head photo of user " + std::to_string(me));
            return;
        }
        protocol::PictureChanged changed;
        changed.userId = me;
        changed.pictureTime = protocol::nowDayCount();
        store_->setPhotoTime(me, changed.pictureTime);
        directory_.setPhotoTime(me, changed.pictureTime);
        const Message m = protocol::makeMessage(Cmd::PictureChanged, changed);
        for (Session* w : watchersOf(me))
            w->send(m);
        return;
    }
    if (!plainName(u.head.fileName)) return;
    const bool group = !u.head.conversationGuid.isNull();
    if (group) {
        const DiscussionGroup* g = directory_.group(u.head.conversationGuid);
        if (!g || std::find(g->members.begin(), g->members.end(), me) == g->members.end()) return;
    }
    const QString path = conversationPicturePath(u.head.conversationGuid, me, u.head.fileName);
    if (QFileInfo::exists(path)) return; // names are digests of their content: kept as first stored
    const QDir folder = QFileInfo(path).absoluteDir();
    if (folder.exists() && folder.entryList(QDir::Files).size() >= qsizetype(config_.maxPicturesPerFolder)) {
        log(LogLevel::Warning, "the pictures of " + folder.dirName().toStdString() + " are full");
        return;
    }
    if (!writeFile(path, u.bytes)) log(LogLevel::Warning, "cannot store picture " + u.head.fileName);
}

// Requests are remembered until answered, so that an answer can only follow a request that was
// made; the server writes the requester's name itself. Returns the record to relay (none: drop).
std::optional<Message> Server::noteRequest(uint32_t me, const Message& m) {
    auto refuse = [&](const std::string& why) -> std::optional<Message> {
        log(LogLevel::Warning,
            "user " + std::to_string(me) + " sent " + std::string(protocol::codeName(m.code)) + " " + why);
        return std::nullopt;
    };
    const protocol::UserRecord* self = directory_.user(me);
    if (!self) return std::nullopt;
    if (m.cmd() == Cmd::AddContactRequest) {
        protocol::ContactRequest r;
        if (!wire::decode(m.body, r)) return std::nullopt;
        if (r.answer == protocol::kRequestAsked) {
            if (r.targetId == me || !directory_.user(r.targetId)) return refuse("to nobody");
            if (store_->pendingCount(PendingKind::Contact, r.targetId) >= config_.maxPendingRequests)
                return refuse("to a colleague with too many requests waiting");
            r.requesterId = me;
            r.requesterName = self->name.substr(0, wire::gbkCutLength(self->name, 20));
            if (!store_->addPending(PendingKind::Contact, me, r.targetId, r.contactGroupId))
                return std::nullopt;
            return protocol::makeMessage(Cmd::AddContactRequest, r);
        }
        const auto requesterGroup = store_->takePending(PendingKind::Contact, r.requesterId, me);
        if (!requesterGroup) return refuse("answering no request");
        if (r.answer == protocol::kRequestAccepted) {
            linkContact(me, r.requesterId, r.contactGroupId);
            linkContact(r.requesterId, me, *requesterGroup);
        }
        return m;
    }
    if (m.cmd() == Cmd::GroupJoinRequest) {
        protocol::GroupJoinRequest r;
        if (!wire::decode(m.body, r)) return std::nullopt;
        const DiscussionGroup* g = directory_.group(r.guid);
        if (!g) return refuse("for no group");
        const bool member =
            std::find(g->members.begin(), g->members.end(), r.requesterId) != g->members.end();
        if (r.answer == protocol::kRequestAsked) {
            if (member) return refuse("for a group it is in");
            if (store_->pendingCount(PendingKind::Join, g->number) >= config_.maxPendingRequests)
                return refuse("to a group with too many requests waiting");
            r.requesterId = me;
            r.requesterName = self->name;
            r.groupNumber = g->number;
            r.groupName = g->name;
            if (!store_->addPending(PendingKind::Join, me, g->number, 0)) return std::nullopt;
            return protocol::makeMessage(Cmd::GroupJoinRequest, r);
        }
        if (!store_->takePending(PendingKind::Join, r.requesterId, g->number))
            return refuse("answering no request");
        if (r.answer == protocol::kRequestAccepted && !member) addMember(*g, r.requesterId);
        return m;
    }
    return std::nullopt;
}

// `owner` keeps `contact` in its contact group `wanted` (its first group when that is not one of
// its own; a new group "我的好友" when it has none), and its client learns of it at once.
void Server::linkContact(uint32_t owner, uint32_t contact, uint32_t wanted) {
    const protocol::UserRecord* u = directory_.user(contact);
    if (!u || !directory_.user(owner)) return;
    uint32_t group = 0;
    const auto groups = directory_.contactGroupsOf(owner);
    for (const auto& g : groups)
        if (g.groupId == wanted) group = wanted;
    if (!group && !groups.empty()) group = groups.front().groupId;
    bool newGroup = false;
    if (!group) {
        const std::string name = protocol::toGbk("我的好友");
        group = store_->addContactGroup(owner, name);
        if (!group) return;
        directory_.addContactGroup(owner, group, name);
        newGroup = true;
    }
    if (!store_->setContactLink(owner, contact, group)) return;
    directory_.setContactLink(owner, contact, group);
    const auto it = byUser_.find(owner);
    if (it == byUser_.end()) return; // its next sign-in loads the link
    if (newGroup)
        it->second->send(
            Message{uint8_t(Cmd::ContactGroups), protocol::encodeList(directory_.contactGroupsOf(owner))});
    protocol::UserItem item;
    item.action = protocol::kItemFrequent;
    item.position = uint32_t(directory_.position(contact));
    item.loadCount = uint32_t(directory_.userCount());
    item.user = *u;
    item.user.isOwn = false;
    item.user.contactGroupId = group;
    item.user.frequent = true;
    it->second->send(Message{uint8_t(Cmd::UserItem), item.encodeBody()});
}

// An accepted join request: the member is added (within the same bounds as any addition) and
// invited like a member its creator adds.
void Server::addMember(const DiscussionGroup& existing, uint32_t userId) {
    if (!directory_.user(userId) || existing.members.size() >= protocol::kGroupSlots ||
        directory_.groupsOf(userId).size() >= config_.maxGroupsPerMember) {
        log(LogLevel::Warning, "user " + std::to_string(userId) + " cannot join a group");
        return;
    }
    DiscussionGroup d = existing;
    d.members.push_back(userId);
    if (!store_->saveGroup(d)) return;
    directory_.putGroup(d);
    protocol::GroupRecord invite;
    invite.targetId = userId;
    invite.creatorId = d.creator;
    invite.name = d.name;
    invite.topic = d.topic;
    invite.hidden = d.hidden;
    invite.count = uint32_t(d.members.size());
    for (size_t i = 0; i < d.members.size() && i < protocol::kGroupSlots; ++i)
        invite.members[i] = d.members[i];
    invite.key.groupId = d.guid;
    invite.key.kind = protocol::kGroupConversation;
    deliverOrHold(userId, d.creator, protocol::makeMessage(Cmd::GroupInvite, invite), Relay::Hold::Notice);
}

} // namespace vantor::server

#include "conversation/picture_request.h"

#include "conversation/picture_name.h"
#include "protocol/codes.h"
#include "protocol/text.h"

namespace vantor::conversation {

namespace {

protocol::Message makeMessage(protocol::Cmd code, std::string body) {
    protocol::Message m;
    m.code = static_cast<uint8_t>(code);
    m.body = std::move(body);
    return m;
}

} // namespace

PictureRoute pictureRoute(uint8_t ownerStatus) {
    const uint8_t status = ownerStatus & 0x7F;
    return status == protocol::kOffline || status == protocol::kMobile ? PictureRoute::Server
                                                                       : PictureRoute::Peer;
}

PictureRequester::PictureRequester(uint32_t ownId, PictureSenders senders)
    : ownId_(ownId), senders_(std::move(senders)) {}

PictureRoute PictureRequester::request(const protocol::ConversationKey& key, uint32_t ownerId,
                                       uint8_t ownerStatus, std::string_view name) {
    if (!isPlainPictureName(name) || ownerId == 0 || ownerId == ownId_) return PictureRoute::Refused;
    const PictureRoute route = pictureRoute(ownerStatus);
    if (route == PictureRoute::Server) {
        // The server's name field is shorter; a cut name would fetch another picture.
        if (name.size() > ImageFileHead::kNameCapacity || !senders_.toServer) return PictureRoute::Refused;
        ImageFileHead head;
        head.userId = key.groupId.isNull() ? int32_t(ownerId) : -1;
        head.imageKind = kImageKindConversation;
        head.fileName = std::string(name);
        head.conversationGuid = key.groupId;
        senders_.toServer(makeMessage(protocol::Cmd::ImageFile, wire::encode(head)));
        return route;
    }
    if (!senders_.relayed) return PictureRoute::Refused;
    PictureRequest r;
    r.ownerId = ownerId;
    r.requesterId = ownId_;
    r.key = key;
    r.fileName = std::string(name);
    senders_.relayed(ownerId, makeMessage(protocol::Cmd::PictureRequest, wire::encode(r)));
    return route;
}

PictureResponder::PictureResponder(uint32_t ownId, const ImagesFolder& images, IPictureTransfer& transfer)
    : ownId_(ownId), images_(images), transfer_(transfer) {}

PictureResponder::Outcome PictureResponder::answer(std::string_view body) {
    PictureRequest r;
    if (!wire::decode(body, r)) return Outcome::Malformed;
    if (r.ownerId != ownId_ || r.requesterId == ownId_ || r.requesterId == 0) return Outcome::NotForUs;
    if (!isPlainPictureName(r.fileName)) return Outcome::NotPlain;
    if (!images_.holds(r.fileName)) return Outcome::Missing;
    if (!transfer_.startPictureTransfer(r.requesterId, r.key, images_.pathOf(r.fileName), r.fileName))
        return Outcome::UnknownRequester;
    return Outcome::Started;
}

bool shouldUploadPictures(const protocol::ConversationKey& key, uint8_t recipientStatus) {
    return key.kind == protocol::kGroupConversation || pictureRoute(recipientStatus) == PictureRoute::Server;
}

std::optional<protocol::Message> pictureUpload(uint32_t ownId, const protocol::ConversationKey& key,
                                               const ImagesFolder& images, std::string_view name) {
    if (!isPlainPictureName(name) || name.size() > ImageFileHead::kNameCapacity) return std::nullopt;
    std::optional<std::string> bytes = images.read(name, kMaxPictureBytes);
    if (!bytes) return std::nullopt;
    ImageFileHead head;
    head.userId = int32_t(ownId);
    head.imageKind = kImageKindConversation;
    head.fileSize = uint32_t(bytes->size());
    head.fileName = std::string(name);
    head.conversationGuid = key.groupId;
    return makeMessage(protocol::Cmd::ImageUpload, wire::encode(head) + *bytes);
}

} // namespace vantor::conversation

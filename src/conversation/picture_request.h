// Fetching a picture that a received message shows but the Images folder lacks: from the picture's
// owner (`CmdPictureRequest`, relayed by the server) or from the server (`CmdImageFile`), and the
// owner's side that answers a request. Offering own pictures to the server (`CmdImageUpload`) for
// colleagues who cannot ask us directly.
#pragma once

#include "conversation/images_folder.h"
#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/picture.h"
#include "protocol/wire.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::conversation {

// CmdPictureRequest: the requester asks the picture's owner for a picture of its Images folder.
struct PictureRequest {
    static constexpr size_t kSize = 159;
    static constexpr size_t kNameCapacity = 80;
    uint32_t ownerId = 0;
    uint32_t requesterId = 0;
    protocol::ConversationKey key;
    std::string fileName; // text[80]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.ownerId);
        io.u32(r.requesterId);
        protocol::ConversationKey::layout(io, r.key);
        io.text(kNameCapacity, r.fileName);
        io.skip(40);
    }
};

using protocol::kImageKindConversation;
using protocol::kImageKindHead;
// The largest picture we upload (the same limit applies to pictures the server sends us).
inline constexpr uint64_t kMaxPictureBytes = 16u * 1024 * 1024;

using protocol::ImageFileHead;

// How the session sends: to the server (framed on the ordinary or the stream path by length), and
// to a colleague through its chat channel, relayed by the server.
struct PictureSenders {
    std::function<void(const protocol::Message&)> toServer;
    std::function<void(uint32_t peerId, const protocol::Message&)> relayed;
};

enum class PictureRoute : uint8_t {
    Peer,    // CmdPictureRequest to the owner
    Server,  // CmdImageFile to the server
    Refused, // nothing sent: show the error picture
};

// Where to ask for a missing picture, by the owner's status: the server when the owner is offline
// or signed in from a mobile phone (an unknown owner counts as offline), else the owner.
PictureRoute pictureRoute(uint8_t ownerStatus);

// The receiver's side: asks for the pictures that renderPlainText() listed as missing.
class PictureRequester {
  public:
    PictureRequester(uint32_t ownId, PictureSenders senders);

    // Asks for `name`, shown in a message of `ownerId` in the conversation `key`. Refused for names
    // that are not plain, for names too long for the chosen request, and for an owner id of 0 or
    // our own.
    PictureRoute request(const protocol::ConversationKey& key, uint32_t ownerId, uint8_t ownerStatus,
                         std::string_view name);

  private:
    uint32_t ownId_;
    PictureSenders senders_;
};

// Starts the transfer of a picture from the Images folder to a colleague (the direct file transfer
// implements it). It finds or creates the conversation window for the key and runs the transfer
// there; false when the requester is not a known colleague.
class IPictureTransfer {
  public:
    virtual ~IPictureTransfer() = default;
    virtual bool startPictureTransfer(uint32_t requesterId, const protocol::ConversationKey& key,
                                      const QString& path, const std::string& name) = 0;
};

// The owner's side: answers CmdPictureRequest with a transfer of a picture of the Images folder.
class PictureResponder {
  public:
    enum class Outcome : uint8_t {
        Started,
        Malformed,        // body too short
        NotForUs,         // addressed to another owner, or sent by ourselves
        NotPlain,         // a name that could leave the Images folder: never looked up
        Missing,          // the folder does not hold it: nothing happens
        UnknownRequester, // the transfer refused the requester
    };

    PictureResponder(uint32_t ownId, const ImagesFolder& images, IPictureTransfer& transfer);

    // `body` is the received record (159 bytes).
    Outcome answer(std::string_view body);

  private:
    uint32_t ownId_;
    const ImagesFolder& images_;
    IPictureTransfer& transfer_;
};

// Whether the pictures of an own message go to the server as well: in a discussion group, or when
// the recipient is offline or signed in from a mobile phone.
bool shouldUploadPictures(const protocol::ConversationKey& key, uint8_t recipientStatus);

// CmdImageUpload of a picture of the Images folder for the conversation `key`; nothing when the
// name is not plain or longer than 40 bytes, or the file is missing or larger than kMaxPictureBytes.
std::optional<protocol::Message> pictureUpload(uint32_t ownId, const protocol::ConversationKey& key,
                                               const ImagesFolder& images, std::string_view name);

} // namespace vantor::conversation

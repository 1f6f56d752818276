// The records of head and conversation pictures: the 66-byte head of CmdImageFile (both ways) and
// CmdImageUpload, and CmdPictureChanged.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>

namespace vantor::protocol {

inline constexpr uint8_t kImageKindHead = 1;
inline constexpr uint8_t kImageKindConversation = 2;

// The head of CmdImageFile (both ways) and CmdImageUpload; a reply or an upload is followed by
// fileSize bytes of the file.
struct ImageFileHead {
    static constexpr size_t kSize = 66;
    static constexpr size_t kNameCapacity = 40;
    int32_t userId = 0; // -1 when the picture belongs to the conversation named by conversationGuid
    uint8_t imageKind = kImageKindConversation;
    uint32_t fileSize = 0; // 0 in a request
    std::string fileName;  // text[40]
    wire::Guid conversationGuid;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.i32(r.userId);
        io.u8(r.imageKind);
        io.u32(r.fileSize);
        io.text(kNameCapacity, r.fileName);
        io.guid(r.conversationGuid);
    }
};

// CmdPictureChanged: a colleague has a new head photo since `pictureTime` (a day count).
struct PictureChanged {
    static constexpr size_t kSize = 12;
    uint32_t userId = 0;
    double pictureTime = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.f64(r.pictureTime);
    }
};

// CmdUserDetail as sent: whose detail record is wanted.
struct UserDetailRequest {
    static constexpr size_t kSize = 4;
    uint32_t userId = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
    }
};

} // namespace vantor::protocol

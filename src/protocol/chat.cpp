#include "protocol/chat.h"

#include "protocol/frame.h"

namespace vantor::protocol {

std::string ChatMessage::encodeBody() const {
    ChatMessage head = *this;
    head.text.clear();
    const size_t n = std::min(text.size(), kMaxText);
    head.textLength = static_cast<uint32_t>(n);
    wire::WireWriter w(kHead);
    layout(w, head);
    return countedBody(w.bytes(), std::string_view(text).substr(0, n));
}

bool ChatMessage::decodeHead(std::string_view head, ChatMessage& out) {
    out = ChatMessage{};
    if (head.size() < kHead) return false;
    wire::WireReader r(head.substr(0, kHead));
    layout(r, out);
    return true;
}

bool ChatMessage::decodeBody(std::string_view body, ChatMessage& out) {
    out = ChatMessage{};
    if (body.size() < 4 + kHead) return false;
    const uint32_t n = wire::loadU32(body.data());
    if (n > kMaxText || body.size() < 4 + kHead + n) return false;
    decodeHead(body.substr(4, kHead), out);
    out.text.assign(body.substr(4 + kHead, n));
    return true;
}

} // namespace vantor::protocol

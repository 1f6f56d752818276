// Writes the seed inputs that need our own encoders: framed messages and datagrams of every code,
// the records, the peer dispatcher's item lists, compound files and message stores written by our
// engine, and ciphertexts. scripts/fuzz-seeds runs it as `vantor-seed-writer <corpus folder>` and
// adds the seeds it can write itself. Each seed is laid out the way its target reads its input.
#include "crypto/cipher.h"
#include "history/compound_file.h"
#include "history/message_store.h"
#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/group.h"
#include "protocol/peer_records.h"
#include "protocol/records.h"
#include "protocol/relay.h"
#include "protocol/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace vantor;
using protocol::BodyRule;
using protocol::Message;

namespace {

constexpr uint32_t kOwner = 1234;   // the message-store target's account
constexpr uint32_t kPartner = 205;  // and its partner
constexpr uint32_t kOwnId = 7;      // the peer dispatcher's own id
constexpr uint32_t kColleague = 42; // and the colleague whose channel it feeds

fs::path root;

void put(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(root / target);
    std::ofstream(root / target / ("seed-" + name), std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

void putU32(std::string& s, size_t at, uint32_t v) {
    if (at + 4 > s.size()) return;
    for (int i = 0; i < 4; ++i)
        s[at + i] = char(v >> (8 * i));
}

std::string hexName(uint8_t code) {
    char b[8];
    std::snprintf(b, sizeof b, "%02x", code);
    return b;
}

// A body that fits `rule`, with the relay route's receiver and sender filled in and a few bytes of
// text where the rule has a count.
std::string bodyFor(uint8_t code, const BodyRule& rule, uint32_t receiver, uint32_t sender) {
    std::string body;
    const uint32_t count = rule.hasCount() ? std::min<uint32_t>(rule.maxCount, 3) : 0;
    switch (rule.kind) {
    case BodyRule::Fixed:
    case BodyRule::Counted:
    case BodyRule::Layout:
        body.assign(size_t(rule.total(count)), '\0');
        if (rule.hasCount()) putU32(body, size_t(rule.countOffset), count);
        for (size_t i = rule.prefix(); i < body.size(); ++i)
            body[i] = char('a' + i % 26);
        break;
    case BodyRule::Stream:
        body = "stream-bytes";
        break;
    case BodyRule::None:
        return body;
    }
    if (const auto* route = protocol::relayRoute(code)) {
        const size_t skip = rule.kind == BodyRule::Counted ? 4 : 0;
        if (route->receiver >= 0) putU32(body, skip + size_t(route->receiver), receiver);
        if (route->sender >= 0) putU32(body, skip + size_t(route->sender), sender);
    }
    return body;
}

// Chat texts as they travel: GBK, faces as their codes, pictures as placeholders.
const std::vector<std::string>& chatTexts() {
    static const std::vector<std::string> texts = {
        protocol::toGbk("你好/~wx"),
        protocol::toGbk("看这张图/{3F2504E04F8911D39A0C0305E82C3301.jpg}/~se/~shui好"),
        protocol::toGbk("/~dk/{a.gif}/{未完"),
        std::string("plain text"),
    };
    return texts;
}

protocol::ChatMessage chat(uint32_t sender, uint32_t recipient, const std::string& text, bool group) {
    protocol::ChatMessage m;
    m.senderId = sender;
    m.recipientId = group ? 0 : recipient;
    m.sendTime = 46000.5;
    m.sendTick = 1000 + uint32_t(text.size());
    m.fontName = protocol::toGbk("宋体");
    m.fontSize = 9;
    m.bold = text.size() % 2;
    m.key.userA = sender;
    m.key.userB = group ? 0 : recipient;
    if (group) {
        m.key.kind = protocol::kGroupConversation;
        wire::Guid::fromString("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", m.key.groupId);
    }
    m.text = crypto::DesEncryptText(text);
    m.textLength = uint32_t(m.text.size());
    return m;
}

protocol::Endpoint endpoint(const char* address, uint32_t port) {
    return {address, port};
}

// ---- framed messages ----

void clientStream() {
    // The target's input: a step byte, a flags byte (bit 0: a greeting first), then items of code,
    // mode, 16-bit length and payload; the target fixes up the counts (see client_stream_fuzz.cpp).
    auto item = [](std::string& s, uint8_t code, const std::string& payload, uint8_t mode = 0) {
        s.push_back(char(code));
        s.push_back(char(mode));
        s.push_back(char(payload.size() & 0xFF));
        s.push_back(char(payload.size() >> 8));
        s += payload;
    };
    std::string all = {char(40), char(1)};
    for (int c = 0; c < 256; ++c) {
        const auto* info = protocol::codeInfo(uint8_t(c));
        if (!info || info->received.kind == BodyRule::None) continue;
        std::string body = bodyFor(uint8_t(c), info->received, kOwnId, kColleague);
        if (info->received.kind == BodyRule::Counted) body.erase(0, 4);
        std::string one = {char(c % 97), char(c & 1)};
        item(one, uint8_t(c), body);
        const char* kind = info->received.kind == BodyRule::Fixed     ? "fixed"
                           : info->received.kind == BodyRule::Counted ? "counted"
                                                                      : "layout";
        put("fuzz_client_stream", hexName(uint8_t(c)) + "-" + kind, one);
        if (all.size() < 6000) item(all, uint8_t(c), body);
    }
    item(all, 0x00, "unknown code", 1); // raw bytes: an unknown code the reader drops
    put("fuzz_client_stream", "sequence", all);
    // A chat message with its text, a status with a signature, then a count over its cap.
    std::string mixed = {char(7), char(1)};
    for (const std::string& t : chatTexts())
        item(mixed, 0x08, chat(kColleague, kOwnId, t, t.size() % 2).encodeBody().substr(4));
    protocol::StatusRecord st{kColleague, 1, true, false, false, 2, protocol::toGbk("开会中")};
    item(mixed, 0x02, st.encodeBody().substr(4));
    std::string over = std::string("\xE9\x03\x00\x00", 4) + std::string(13, 'x');
    item(mixed, 0x02, over, 1);
    put("fuzz_client_stream", "chat-status-overcap", mixed);
}

void serverInput() {
    // The target's input: one byte (step; bit 7: a greeting first), then the client's bytes.
    std::string all(1, char(0x80 | 13));
    all += protocol::greeting();
    for (int c = 0; c < 256; ++c) {
        const auto* info = protocol::codeInfo(uint8_t(c));
        if (!info || info->sent.kind == BodyRule::None) continue;
        Message m{uint8_t(c), bodyFor(uint8_t(c), info->sent, kColleague, kOwnId)};
        const std::string framed = info->sent.kind == BodyRule::Stream ? protocol::frameStream(m.bytes())
                                                                       : protocol::frameMessage(m);
        if (framed.empty()) continue;
        put("fuzz_server_input", hexName(uint8_t(c)), std::string(1, char(c % 61)) + framed);
        if (all.size() < 7000) all += framed;
    }
    put("fuzz_server_input", "greeting-sequence", all);
    std::string chats(1, char(0x80 | 60));
    chats += protocol::greeting();
    for (const std::string& t : chatTexts())
        chats +=
            protocol::frameMessage(Message{0x08, chat(kOwnId, kColleague, t, t.size() % 2).encodeBody()});
    put("fuzz_server_input", "chats", chats);
    // A datagram to the server's UDP port: the echo probe.
    protocol::UdpEcho echo{kOwnId, endpoint("10.1.0.2", 40000), {}};
    put("fuzz_server_input", "udp-echo", std::string(1, '\0') + Message{0x20, wire::encode(echo)}.bytes());
}

// ---- datagrams ----

void datagrams() {
    for (int c = 0; c < 256; ++c) {
        if (!protocol::isDatagramCode(uint8_t(c))) continue;
        const auto* info = protocol::codeInfo(uint8_t(c));
        const Message m{uint8_t(c), bodyFor(uint8_t(c), info->received, kOwnId, kColleague)};
        put("fuzz_datagram", hexName(uint8_t(c)), m.bytes());
    }
    protocol::StatusRecord st{kColleague, 3, false, true, true, 1, "12"};
    put("fuzz_datagram", "status", Message{0x02, st.encodeBody()}.bytes());
    for (size_t i = 0; i < chatTexts().size(); ++i)
        put("fuzz_datagram", "chat-" + std::to_string(i),
            Message{0x08, chat(kColleague, kOwnId, chatTexts()[i], i == 1).encodeBody()}.bytes());
}

// ---- records ----

void records() {
    protocol::LoginReply reply{};
    put("fuzz_records", "login-reply", wire::encode(reply));
    protocol::LoginRequest login{};
    put("fuzz_records", "login-request", wire::encode(login));
    put("fuzz_records", "version-reply", wire::encode(protocol::VersionCheckReply{}));
    protocol::UserRecord user{};
    user.userId = kColleague;
    put("fuzz_records", "user-record", wire::encode(user));
    put("fuzz_records", "department-item", wire::encode(protocol::DepartmentItem{}));
    put("fuzz_records", "user-renamed", wire::encode(protocol::UserRenamed{}));
    put("fuzz_records", "work-state", wire::encode(protocol::WorkStateRecord{}));
    protocol::UserItem item{};
    item.user.userId = kColleague;
    item.user.signature = protocol::toGbk("今天在家办公");
    put("fuzz_records", "user-item", item.encodeBody());
    protocol::StatusRecord st{kColleague, 2, true, true, false, 2, protocol::toGbk("午饭")};
    put("fuzz_records", "status", st.encodeBody());
    put("fuzz_records", "contact-groups",
        protocol::encodeList(std::vector<protocol::ContactGroup>(3, protocol::ContactGroup{})));
    put("fuzz_records", "contact-links",
        protocol::encodeList(std::vector<protocol::ContactLink>(2, protocol::ContactLink{})));
}

// ---- discussion groups ----

void groupRecords() {
    wire::Guid g;
    wire::Guid::fromString("{6E8A3C2B-51D4-4F0A-9B7E-2C1D3E4F5A61}", g);
    auto ids = [](std::initializer_list<uint32_t> list) {
        std::string s;
        for (uint32_t id : list) {
            s.resize(s.size() + 4);
            putU32(s, s.size() - 4, id);
        }
        return s;
    };
    protocol::GroupRecord r;
    r.targetId = r.creatorId = kOwnId;
    r.name = protocol::toGbk("项目组");
    r.topic = protocol::toGbk("周报");
    r.count = 3;
    r.members[0] = kOwnId;
    r.members[1] = kColleague;
    r.members[2] = 1010;
    r.key.groupId = g;
    r.key.kind = protocol::kGroupConversation;
    // A record followed by the ids ticked in the picker: new, already in, zero, repeated.
    put("fuzz_group_records", "record-and-ticks", wire::encode(r) + ids({1011, kColleague, 0, 1012, 1011}));
    protocol::GroupRecord full = r;
    for (size_t i = 0; i < protocol::kGroupSlots; ++i)
        full.members[i] = uint32_t(2000 + 2 * i);
    full.count = uint32_t(protocol::kGroupSlots);
    put("fuzz_group_records", "full-group", wire::encode(full) + ids({4000, 4002}));
    protocol::GroupItem item;
    item.group.guid = g;
    item.group.name = r.name;
    item.group.members = r.members;
    item.group.memberCount = 3;
    put("fuzz_group_records", "group-item", wire::encode(item));
    protocol::GroupInfoRecord info;
    info.guid = g;
    info.name = r.name;
    info.notice = protocol::toGbk("周五交周报");
    put("fuzz_group_records", "info", wire::encode(info));
    put("fuzz_group_records", "quit", wire::encode(protocol::GroupMemberChange{kOwnId, kColleague, g}));
    protocol::UserRecord u{};
    u.userId = 7001;
    put("fuzz_group_records", "members-reply", protocol::encodeGroupMembersReply(g, {u, u}));
}

// ---- the peer dispatcher ----

void peerDispatch() {
    // Items: selector (0 server address, 1 the colleague's address, 2 CmdPeerAddress, 3 CmdChatAck,
    // 4 time passes, 5 punch), 16-bit length, bytes.
    auto item = [](std::string& s, uint8_t sel, const std::string& bytes) {
        s.push_back(char(sel));
        s.push_back(char(bytes.size() & 0xFF));
        s.push_back(char(bytes.size() >> 8));
        s += bytes;
    };
    protocol::PeerAddress where{kOwnId, kColleague, endpoint("198.51.100.3", 40100),
                                endpoint("198.51.100.3", 40100)};
    const std::string introduce = [&] {
        std::string s;
        item(s, 2, wire::encode(where));
        return s;
    }();
    const protocol::Endpoint me = endpoint("10.1.0.2", 40000);
    const protocol::Endpoint peer = endpoint("198.51.100.3", 40100);
    for (int c = 0; c < 256; ++c) {
        if (!protocol::isDatagramCode(uint8_t(c))) continue;
        const auto* info = protocol::codeInfo(uint8_t(c));
        const std::string d =
            Message{uint8_t(c), bodyFor(uint8_t(c), info->received, kOwnId, kColleague)}.bytes();
        std::string s = introduce;
        item(s, 1, d);
        item(s, 4, "");
        item(s, 0, d);
        put("fuzz_peer_dispatch", hexName(uint8_t(c)), s);
    }
    // The punch exchange: request, reply, probe, confirm, then chats both ways and their acks.
    std::string s = introduce;
    protocol::PunchRequest req{kOwnId, kColleague, me, peer, peer, me};
    item(s, 1, Message{0x21, wire::encode(req)}.bytes());
    item(s, 0, Message{0x21, wire::encode(req)}.bytes());
    protocol::PunchShort reply{kOwnId, kColleague, me};
    item(s, 1, Message{0x22, wire::encode(reply)}.bytes());
    item(s, 1, Message{0x23, wire::encode(reply)}.bytes());
    protocol::PunchConfirm confirm{kOwnId, kColleague, me, peer, me};
    item(s, 1, Message{0x24, wire::encode(confirm)}.bytes());
    item(s, 4, "");
    for (size_t i = 0; i < chatTexts().size(); ++i) {
        const auto m = chat(kColleague, kOwnId, chatTexts()[i], false);
        item(s, 1, Message{0x08, m.encodeBody()}.bytes());
        protocol::ChatAck ack{kOwnId, kColleague, 0, 100};
        item(s, 1, Message{0x09, wire::encode(ack)}.bytes());
        item(s, 3, wire::encode(ack));
    }
    item(s, 5, "");
    item(s, 4, "");
    put("fuzz_peer_dispatch", "punch-and-chat", s);
    protocol::UdpEcho echo{kOwnId, me, endpoint("203.0.113.9", 50000)};
    std::string e;
    item(e, 0, Message{0x20, wire::encode(echo)}.bytes());
    item(e, 4, "");
    item(e, 1, Message{0x08, chat(kColleague, kOwnId, chatTexts()[1], false).encodeBody()}.bytes());
    put("fuzz_peer_dispatch", "echo-then-stranger", e);
}

// ---- compound files and message stores ----

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void compoundFiles(const fs::path& scratch) {
    using namespace history::cfb;
    const CompoundFile::Options options{.durable = false, .lock = false};
    auto bytes = [](size_t n, uint8_t seed) {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = uint8_t(seed + i * 7);
        return v;
    };
    // Several storages, mini streams (under 4096 bytes) and one regular stream.
    {
        const fs::path p = scratch / "ours-storages.cfb";
        fs::remove(p);
        CompoundFile::create(p, options);
        CompoundFile f = CompoundFile::open(p, CompoundFile::Access::Write, options);
        for (int s = 0; s < 3; ++s) {
            const EntryId storage = f.createStorage(kRootEntry, asciiName(std::to_string(100 + s) + "Data"));
            for (int k = 0; k < 3; ++k)
                f.append(f.createStream(storage, asciiName("s" + std::to_string(k))),
                         bytes(60 * (k + 1), uint8_t(k)));
        }
        f.append(f.createStream(kRootEntry, asciiName("big")), bytes(4700, 3));
        f.commit();
        f.destroy(kRootEntry, asciiName("101Data"));
        f.commit();
        put("fuzz_compound_file", "ours-storages", slurp(p));
    }
    // A regular stream grown in steps (its chain out of order), then shortened.
    {
        const fs::path p = scratch / "ours-grown.cfb";
        fs::remove(p);
        CompoundFile::create(p, options);
        CompoundFile f = CompoundFile::open(p, CompoundFile::Access::Write, options);
        const EntryId a = f.createStream(kRootEntry, asciiName("a"));
        const EntryId b = f.createStream(kRootEntry, asciiName("b"));
        for (int i = 0; i < 3; ++i) {
            f.append(a, bytes(2100, uint8_t(i)));
            f.append(b, bytes(1500, uint8_t(i + 9)));
            f.commit();
        }
        f.truncate(b, 700);
        f.commit();
        put("fuzz_compound_file", "ours-grown", slurp(p));
    }
    // An empty file as created.
    {
        const fs::path p = scratch / "ours-empty.cfb";
        fs::remove(p);
        CompoundFile::create(p, options);
        put("fuzz_compound_file", "ours-empty", slurp(p));
    }
}

void messageStores(const fs::path& scratch) {
    // Stores of the target's account with records both ways, faces and pictures in the texts,
    // and a group conversation.
    auto store = [&](const std::string& name, int records, bool group) {
        const fs::path folder = scratch / name;
        fs::remove_all(folder);
        const history::StoreLocation at{folder, int32_t(kOwner), false};
        for (int i = 0; i < records; ++i) {
            const std::string& text = chatTexts()[size_t(i) % chatTexts().size()];
            const bool in = i % 2;
            const auto m = in ? chat(kPartner, kOwner, text, group) : chat(kOwner, kPartner, text, group);
            const history::StoreStatus s = history::StoreMessageRecord(at, m.encodeBody().substr(4));
            if (!s.ok()) {
                std::fprintf(stderr, "seed-writer: storing a record failed: %s\n", s.reason.c_str());
                std::exit(1);
            }
        }
        put("fuzz_message_store", name, slurp(folder / history::kStoreFileName));
        put("fuzz_compound_file", "store-" + name, slurp(folder / history::kStoreFileName));
    };
    store("one-to-one", 6, false);
    store("group", 3, true);
    // Past one page (100 records): several pages, and a data stream past the mini-stream limit.
    store("pages", 130, false);
}

void ciphers() {
    put("fuzz_crypto_cipher", "hex", crypto::DesEncryptHex("wangfang123"));
    put("fuzz_crypto_cipher", "text", crypto::DesEncryptText(chatTexts()[1]));
    put("fuzz_crypto_cipher", "plain", chatTexts()[0]);
    put("fuzz_crypto_cipher", "hex-pair", "7F");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    root = argv[1];
    const fs::path scratch = fs::temp_directory_path() / ("vantor-seeds-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    clientStream();
    serverInput();
    datagrams();
    records();
    groupRecords();
    peerDispatch();
    compoundFiles(scratch);
    messageStores(scratch);
    ciphers();
    fs::remove_all(scratch);
    return 0;
}

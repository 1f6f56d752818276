// Notices through the server with three clients: a post with two attachments (one of a few MB)
// announced to the recipients signed in and at sign-in, search with per-user read state, opening,
// the read receipt to the sender, the read log, attachments streamed back in parts, deletion by the
// sender only; and posts that do not add up, which end the poster's connection.
#include "server_fixture.h"

#include "protocol/notice.h"
#include "protocol/rtf.h"
#include "server/notices.h"
#include "server/server.h"

namespace vantor::testing {
namespace {

using namespace protocol;

wire::Guid makeGuid(uint8_t seed) {
    wire::Guid g;
    g.data1 = 0xA0000000u + seed;
    g.data4[7] = seed;
    return g;
}

struct Attachment {
    std::string name;
    wire::Guid guid;
    std::string data;
};

// The stream of a posted notice, framed.
std::string post(uint32_t sender, const wire::Guid& guid, const std::string& title, const std::string& rtf,
                 const std::vector<uint32_t>& to, const std::vector<Attachment>& files) {
    NoticeHead h;
    h.noticeGuid = guid;
    h.senderId = sender;
    h.title = title;
    h.recipientCount = uint32_t(to.size());
    h.textLength = uint32_t(rtf.size());
    h.attachmentCount = uint32_t(files.size());
    std::vector<uint64_t> sizes;
    for (const auto& f : files)
        sizes.push_back(f.data.size());
    h.restLength = *postRestLength(h.recipientCount, h.textLength, sizes);
    std::string s = wire::encode(h);
    for (uint32_t id : to) {
        char b[4];
        wire::storeU32(b, id);
        s.append(b, 4);
    }
    s += rtf;
    for (const auto& f : files)
        s += wire::encode(AttachmentEntry{f.name, f.guid});
    for (const auto& f : files) {
        s += wire::encode(AttachmentBlockHead{AttachmentEntry{f.name, f.guid}, f.data.size()});
        s += f.data;
    }
    std::string frame = frameHeader(1 + s.size());
    frame.push_back(char(Cmd::NoticePost));
    return frame + s;
}

std::vector<NoticeListItem> search(WireClient& c, uint32_t me, const std::string& keyword) {
    c.send(makeMessage(Cmd::NoticeSearch, NoticeSearch{keyword, me, 0}));
    const auto reply = c.waitFor(Cmd::NoticeSearch);
    std::vector<NoticeListItem> items;
    if (!reply) return items;
    NoticeSearch head;
    EXPECT_TRUE(wire::decode(reply->body, head));
    for (uint32_t i = 0; i < head.count; ++i) {
        NoticeListItem it;
        wire::decode(std::string_view(reply->body).substr(NoticeSearch::kSize + i * NoticeListItem::kSize),
                     it);
        items.push_back(it);
    }
    return items;
}

// Asks for an attachment and puts its parts together.
std::optional<std::string> fetch(WireClient& c, const Attachment& a) {
    c.send(makeMessage(Cmd::NoticeAttachment, AttachmentRequest{a.guid, a.name, 0}));
    auto head = c.waitFor(Cmd::NoticeAttachment, 5000);
    if (!head || head->part != Message::Part::Head) return std::nullopt;
    AttachmentRequest r;
    wire::decode(head->body, r);
    EXPECT_EQ(r.fileSize, a.data.size());
    std::string data;
    for (;;) {
        auto m = c.next(5000);
        if (!m || m->code != uint8_t(Cmd::NoticeAttachment)) return std::nullopt;
        if (m->part == Message::Part::End) return data;
        data += m->body;
    }
}

TEST_F(ServerTest, NoticesArePostedAnnouncedReadAndDeletedBySenderOnly) {
    auto a = signedIn('a'); // 11, the sender
    auto b = signedIn('b'); // 12
    const std::vector<Attachment> files = {
        {"plan.txt", makeGuid(1), "the plan"},
        {"big.bin", makeGuid(2), std::string(6 << 20, 'B')},
    };
    const std::string rtf = "{\\rtf1\\ansicpg936 \\'cd\\'a8\\'d6\\'aa body\\par line2}"; // "通知 body"
    a->sendAll(post(11, makeGuid(9), toGbk("年会安排"), rtf, {12, 13}, files));

    // b is signed in: the head is announced; c signs in later and gets it then.
    const auto announced = b->waitFor(Cmd::NoticePost, 10000);
    ASSERT_TRUE(announced);
    NoticeHead h;
    ASSERT_TRUE(wire::decode(announced->body, h));
    EXPECT_EQ(h.noticeGuid, makeGuid(9));
    EXPECT_EQ(h.title, toGbk("年会安排"));
    auto c = signedIn('c');
    ASSERT_TRUE(c->waitFor(Cmd::NoticePost));

    // Lists: the sender is among the recipients; read state per user; search by title and text.
    auto listed = search(*b, 12, "");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].isRead, 0);
    EXPECT_EQ(listed[0].senderId, 11u);
    const uint32_t number = listed[0].noticeNumber;
    EXPECT_EQ(search(*a, 11, "").size(), 1u);
    EXPECT_EQ(search(*b, 12, toGbk("通知")).size(), 1u) << "the text, not the RTF escapes";
    EXPECT_EQ(search(*b, 12, toGbk("年会")).size(), 1u);
    EXPECT_TRUE(search(*b, 12, "nothing").empty());
    auto d = signedIn('d'); // 14: not a recipient
    EXPECT_TRUE(search(*d, 14, "").empty());

    // Opening: the content with the recipients (sender appended once) and the entries.
    b->send(makeMessage(Cmd::NoticeOpen, NoticeOpen{12, number, makeGuid(9)}));
    const auto content = b->waitFor(Cmd::NoticeContent);
    ASSERT_TRUE(content);
    const auto decoded = decodeNoticeContent(content->body);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->recipients, (std::vector<uint32_t>{12, 13, 11}));
    EXPECT_EQ(readRtf(decoded->text).plainText(), "通知 body\nline2");
    ASSERT_EQ(decoded->attachments.size(), 2u);
    EXPECT_EQ(decoded->attachments[1].fileName, "big.bin");
    d->send(makeMessage(Cmd::NoticeOpen, NoticeOpen{14, number, makeGuid(9)}));
    EXPECT_FALSE(d->waitFor(Cmd::NoticeContent, 300)) << "only its parties open a notice";

    // A read: the sender gets the receipt, the list shows it read, the log says who and when.
    b->send(makeMessage(Cmd::NoticeRead, NoticeRead{11, number, 99}));
    const auto receipt = a->waitFor(Cmd::NoticeRead);
    ASSERT_TRUE(receipt);
    NoticeReceipt r;
    wire::decode(receipt->body, r);
    EXPECT_EQ(r.noticeGuid, makeGuid(9));
    EXPECT_EQ(r.readerId, 12u) << "the signed-in reader, not the id the record names";
    EXPECT_GT(r.readTime, 40000.0);
    b->send(makeMessage(Cmd::NoticeRead, NoticeRead{11, number, 12}));
    EXPECT_FALSE(a->waitFor(Cmd::NoticeRead, 300)) << "one receipt per reader";
    EXPECT_EQ(search(*b, 12, "")[0].isRead, 1);
    EXPECT_EQ(search(*c, 13, "")[0].isRead, 0);
    a->send(makeMessage(Cmd::NoticeReadLog, NoticeGuidRecord{makeGuid(9)}));
    const auto log = a->waitFor(Cmd::NoticeReadLog);
    ASSERT_TRUE(log);
    ReadLogHead lh;
    wire::decode(log->body, lh);
    ASSERT_EQ(lh.count, 3u);
    ReadLogItem first;
    wire::decode(std::string_view(log->body).substr(ReadLogHead::kSize), first);
    EXPECT_EQ(first.userId, 12);
    EXPECT_EQ(first.hasRead, 1);

    // Attachments come back in parts, byte for byte; a heartbeat sent meanwhile waits behind.
    const auto big = fetch(*c, files[1]);
    ASSERT_TRUE(big);
    EXPECT_TRUE(*big == files[1].data);
    EXPECT_EQ(fetch(*b, files[0]), files[0].data);
    d->send(makeMessage(Cmd::NoticeAttachment, AttachmentRequest{files[0].guid, files[0].name, 0}));
    EXPECT_FALSE(d->waitFor(Cmd::NoticeAttachment, 300)) << "outsiders get nothing";

    // Only the sender deletes.
    b->send(makeMessage(Cmd::NoticeDelete, NoticeGuidRecord{makeGuid(9)}));
    EXPECT_EQ(search(*b, 12, "").size(), 1u);
    a->send(makeMessage(Cmd::NoticeDelete, NoticeGuidRecord{makeGuid(9)}));
    EXPECT_TRUE(search(*b, 12, "").empty());
    EXPECT_TRUE(search(*a, 11, "").empty());
}

TEST_F(ServerTest, APostThatDoesNotAddUpEndsThePostersConnectionAndStoresNothing) {
    struct Case {
        const char* what;
        std::function<void(std::string&)> spoil;
    } cases[] = {
        {"frame length disagrees with the head", [](std::string& s) { wire::storeU32(s.data() + 4, 12345); }},
        {"attachment size beyond the stream",
         [](std::string& s) {
             // The block head's size field: frame 20 + code 1 + head 367 + ids 4 + text 1 + entry 271 + 271.
             wire::storeU64(s.data() + 20 + 1 + 367 + 4 + 1 + 271 + 271, 1ull << 40);
         }},
        {"counts larger than the stream",
         [](std::string& s) { wire::storeU32(s.data() + 21 + 351, 1000000); }},
    };
    for (const auto& c : cases) {
        auto a = signedIn('a');
        std::string bytes = post(11, makeGuid(3), "t", "x", {12}, {{"f", makeGuid(4), "data"}});
        c.spoil(bytes);
        a->sendRaw(bytes);
        EXPECT_TRUE(a->closedWithin(3000)) << c.what;
    }
    auto b = signedIn('b');
    EXPECT_TRUE(search(*b, 12, "").empty());
}

} // namespace
} // namespace vantor::testing

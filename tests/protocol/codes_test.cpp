#include "protocol/codes.h"
#include "protocol/text.h"

#include <gtest/gtest.h>

using namespace vantor::protocol;

namespace {

TEST(CodeTable, EveryCodeHasAConsistentEntry) {
    int count = 0;
    for (int c = 0; c < 256; ++c) {
        const CodeInfo* info = codeInfo(static_cast<uint8_t>(c));
        if (!info) continue;
        ++count;
        EXPECT_EQ(info->code, c);
        EXPECT_TRUE(info->name.starts_with("Cmd")) << info->name;
        // A code is either sent or received by the client.
        EXPECT_TRUE(info->sent.kind != BodyRule::None || info->received.kind != BodyRule::None) << info->name;
        for (const BodyRule* r : {&info->sent, &info->received})
            if (r->hasCount()) {
                EXPECT_LE(r->prefix(), r->head) << info->name;
                EXPECT_GT(r->maxCount, 0u) << info->name;
            }
    }
    EXPECT_EQ(count, 107); // 0x02…0x6E without 0x53, 0x54, 0x57, 0x69, plus 0xFE and 0xFF
    for (uint8_t unused : {0x00, 0x01, 0x53, 0x54, 0x57, 0x69, 0x6F, 0x80})
        EXPECT_EQ(codeInfo(unused), nullptr) << int(unused);
}

TEST(CodeTable, SizesOfTheSessionRecords) {
    struct Case {
        Cmd cmd;
        BodyRule::Kind kind;
        uint32_t head; // fixed size, or 4 + K for counted
    };
    const Case received[] = {
        {Cmd::VersionCheck, BodyRule::Fixed, 38},   {Cmd::LoginReply, BodyRule::Fixed, 561},
        {Cmd::Status, BodyRule::Counted, 17},       {Cmd::UserItem, BodyRule::Counted, 159},
        {Cmd::DepartmentItem, BodyRule::Fixed, 90}, {Cmd::ChatMessage, BodyRule::Counted, 92},
        {Cmd::Heartbeat, BodyRule::Fixed, 0},       {Cmd::LoginComplete, BodyRule::Fixed, 0},
        {Cmd::UserQuery, BodyRule::Layout, 246},    {Cmd::Ignored1D, BodyRule::Fixed, 260},
    };
    for (const auto& c : received) {
        const auto& r = codeInfo(c.cmd)->received;
        EXPECT_EQ(r.kind, c.kind) << codeInfo(c.cmd)->name;
        EXPECT_EQ(r.head, c.head) << codeInfo(c.cmd)->name;
    }
    EXPECT_EQ(codeInfo(Cmd::Login)->sent.head, 149u);
    EXPECT_EQ(codeInfo(Cmd::Login)->received.kind, BodyRule::None);
    EXPECT_EQ(codeInfo(Cmd::NoticePost)->sent.kind, BodyRule::Stream);
}

TEST(CodeTable, RelayedAndDatagramCodes) {
    EXPECT_TRUE(isRelayed(0x08));
    EXPECT_TRUE(isRelayed(0x25));
    EXPECT_FALSE(isRelayed(0x07));
    EXPECT_FALSE(isRelayed(0x20));
    EXPECT_TRUE(isDatagramCode(0x20));
    EXPECT_TRUE(isDatagramCode(0x08));
    EXPECT_FALSE(isDatagramCode(0x25));
}

TEST(StatusNames, LowSevenBitsAndUnknownNames) {
    EXPECT_EQ(statusName(0), toGbk("在线"));
    EXPECT_EQ(statusName(0x80 + 3), toGbk("离开"));
    EXPECT_EQ(statusName(10), toGbk("手机登录"));
    EXPECT_EQ(statusName(11), "");
    EXPECT_EQ(statusName(0xFF), "");
    EXPECT_EQ(statusCode(toGbk("隐身")), 9);
    EXPECT_EQ(statusCode(toGbk("出差")), 0);
    EXPECT_EQ(statusCode(""), 0);
}

} // namespace

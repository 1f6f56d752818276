#include "chat_fakes.h"
#include "conversation/chat_history_store.h"
#include "crypto/cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace chat_test;
namespace fs = std::filesystem;

namespace {

TEST(ChatHistoryStoreTest, SentAndReceivedMessagesLandInThePartnersHistory) {
    std::string pattern = (fs::temp_directory_path() / "vantor-chat-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    const vantor::history::StoreLocation location{folder, ChatRig::kOwn, false};

    ChatRig rig;
    HistoryChatStore store(location);
    ChatCore core{rig.registry, rig.transport, rig.directory, store, rig.view, rig.settings, rig.clock};
    core.setSession({true, ChatRig::kOwn, "Me", "me", false});
    core.send(*rig.registry.openWith(ChatRig::kLi), "out", {"Arial", 0, 9});

    ChatMessage in;
    in.senderId = ChatRig::kLi;
    in.recipientId = ChatRig::kOwn;
    in.sendTick = 1;
    in.key.userA = ChatRig::kLi;
    in.key.userB = ChatRig::kOwn;
    in.text = vantor::crypto::DesEncryptText("in");
    core.deliver(in, true);

    const auto page =
        vantor::history::ReadHistoryPage(location, vantor::history::OneToOneKey(ChatRig::kLi), 0);
    ASSERT_TRUE(page.status.ok()) << page.status.reason;
    ASSERT_EQ(page.records.size(), 2u);
    EXPECT_EQ(vantor::crypto::DesDecryptText(page.records[0].text), "out");
    EXPECT_EQ(vantor::crypto::DesDecryptText(page.records[1].text), "in");
    for (const auto& e : rig.view.events)
        EXPECT_NE(e.rfind("storeFailed", 0), 0u) << e;
    fs::remove_all(folder);
}

} // namespace

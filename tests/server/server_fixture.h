// A small organisation and an in-process server on free ports for the server's tests.
#pragma once

#include "protocol/text.h"
#include "server/server_thread.h"
#include "wire_client.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include <memory>

namespace vantor::testing {

using server::ServerConfig;
using server::ServerThread;

// Colleagues 11..15 with accounts "a".."e" (passwords "pa".."pe"), 40 more without accounts;
// departments 1 "总部" and 2 "研发部"; user 11 keeps contact group 1 "朋友" holding 12; discussion
// group kGroup of 11 (creator), 12, 13 and 14.
server::Organisation testOrganisation();
inline const char* const kGroupGuid = "{0A0B0C0D-1111-2222-3333-444455556666}";
wire::Guid groupGuid();

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Starts (again) on the same store.
    void startServer();
    // A client signed in as account `a`…`e`; fails the test when refused.
    std::unique_ptr<WireClient> signedIn(char account, SignInResult* result = nullptr);
    // The members of a discussion group as the server holds them; none when it has no such group.
    std::optional<std::vector<uint32_t>> groupMembers(const char* guid);

    QTemporaryDir dir_;
    ServerConfig config_;
    std::unique_ptr<ServerThread> server_;
};

} // namespace vantor::testing

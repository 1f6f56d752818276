// The organisation as the server keeps it: departments, colleagues and their accounts, contact
// groups and links, discussion groups. Texts are GBK bytes.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::server {

struct Department {
    uint32_t id = 0;
    uint32_t parent = 0;
    std::string name;
};

struct Colleague {
    uint32_t id = 0;
    uint32_t department = 0;
    std::string name;
    std::string headPicture; // picture name without ".bmp"
    bool female = false;
    std::string signature;
    std::string workState;
    double photoTime = 0;
};

// An account to import: the password is hashed on the way into the store.
struct AccountSpec {
    std::string account;
    uint32_t userId = 0;
    std::string password;
};

struct ContactGroupRow {
    uint32_t id = 0;
    uint32_t owner = 0;
    std::string name;
};

struct ContactLinkRow {
    uint32_t owner = 0;
    uint32_t userId = 0;
    uint32_t groupId = 0;
};

struct DiscussionGroup {
    uint32_t number = 0; // the server's number for the group (search results, join requests)
    wire::Guid guid;
    std::string name;
    std::string topic;
    std::string notice;
    uint32_t creator = 0;
    bool hidden = false;
    std::vector<uint32_t> members; // at most 200
};

// A service point of the service desk and the colleagues who answer its conversations.
struct ServicePointSpec {
    wire::Guid guid;
    std::string name;        // at most 50 bytes
    std::string description; // at most 100 bytes
    std::string greeting;    // at most 200 bytes
    uint32_t kind = 0;       // 0 service centre, 1 reservation service
    std::vector<uint32_t> staff;
};

// Attendance: whether the messenger's sign-in signs in for work, and when the working day ends.
struct AttendanceOptions {
    bool bySignIn = false;
    int workdayEndMinutes = 18 * 60; // minutes after midnight, local time
};

struct Organisation {
    std::vector<Department> departments;
    std::vector<Colleague> colleagues;
    std::vector<AccountSpec> accounts;
    std::vector<ContactGroupRow> contactGroups;
    std::vector<ContactLinkRow> contactLinks;
    std::vector<DiscussionGroup> groups;
    std::vector<ServicePointSpec> servicePoints;
    AttendanceOptions attendance;
    uint32_t hashIterations = 0; // 0: the default
};

} // namespace vantor::server

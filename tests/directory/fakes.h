// Recording fakes of what the directory core talks to, and helpers that build server messages.
#pragma once

#include "directory/core.h"
#include "protocol/codes.h"
#include "protocol/records.h"
#include "protocol/text.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vantor::directory::test {

inline std::string g(const char* utf8) {
    return protocol::toGbk(utf8);
}

struct FakeServer : IServerSender {
    std::vector<protocol::Message> sent;
    bool fail = false;
    bool sendToServer(const protocol::Message& m) override {
        sent.push_back(m);
        return !fail;
    }
    std::vector<protocol::Message> take(protocol::Cmd code) {
        std::vector<protocol::Message> out;
        for (const auto& m : sent)
            if (m.cmd() == code) out.push_back(m);
        return out;
    }
};

struct FakeView : IDirectoryView {
    struct Balloon {
        std::string title, text;
        int seconds;
        BalloonIcon icon;
    };
    struct Shown {
        std::string title, text;
        MessageIcon icon;
    };
    struct Asked {
        std::string title, text;
        Question buttons;
    };
    std::vector<Balloon> balloons;
    std::vector<Shown> messages;
    std::vector<Asked> questions;
    std::vector<std::string> prompts;
    std::deque<bool> answers; // empty: answer yes
    std::optional<std::string> textAnswer;
    // Set: questions wait in `waiting` / `waitingText` until the test answers them.
    bool holdAnswers = false;
    std::deque<Answer> waiting;
    std::deque<TextAnswer> waitingText;
    std::vector<OwnStateDisplay> ownStates;
    std::vector<std::string> workStates;
    std::vector<int> views;
    std::vector<std::pair<ViewSetting, std::string>> settings;

    void showBalloon(const std::string& t, const std::string& x, int s, BalloonIcon i) override {
        balloons.push_back({t, x, s, i});
    }
    void showMessage(const std::string& t, const std::string& x, MessageIcon i) override {
        messages.push_back({t, x, i});
    }
    void ask(const std::string& t, const std::string& x, Question b, Answer answered) override {
        questions.push_back({t, x, b});
        if (holdAnswers) {
            waiting.push_back(std::move(answered));
            return;
        }
        bool a = true;
        if (!answers.empty()) {
            a = answers.front();
            answers.pop_front();
        }
        answered(a);
    }
    void askText(const std::string& prompt, TextAnswer answered) override {
        prompts.push_back(prompt);
        if (holdAnswers)
            waitingText.push_back(std::move(answered));
        else
            answered(textAnswer);
    }
    void showOwnState(const OwnStateDisplay& s) override { ownStates.push_back(s); }
    void showWorkState(const std::string& n) override { workStates.push_back(n); }
    void showView(int v) override { views.push_back(v); }
    void storeViewSetting(ViewSetting k, const std::string& v) override { settings.emplace_back(k, v); }
};

struct FakeHost : IDirectoryHost {
    int watchdogRestarts = 0;
    std::vector<protocol::ChatMessage> delivered;
    std::vector<uint32_t> arrived;
    std::vector<std::pair<uint32_t, bool>> changed;
    void restartSignInWatchdog() override { ++watchdogRestarts; }
    void deliverHeldMessage(const protocol::ChatMessage& m) override { delivered.push_back(m); }
    void userRecordArrived(uint32_t id) override { arrived.push_back(id); }
    void userChanged(uint32_t id, bool own) override { changed.emplace_back(id, own); }
};

struct FakePeers : IPeerSessions {
    std::vector<uint32_t> ended;
    void endSessionsWith(uint32_t id) override { ended.push_back(id); }
};

struct FakeIdle : IIdleSource {
    int64_t idle = 0;
    Foreground front = Foreground::Unknown;
    int64_t idleMilliseconds() override { return idle; }
    Foreground foreground() override { return front; }
};

struct FakeClock : IClock {
    int64_t now = 0;
    int64_t nowMs() const override { return now; }
};

// ---- server messages ----

inline protocol::UserRecord user(uint32_t id, uint32_t dept, const char* utf8Name, uint8_t status = 8) {
    protocol::UserRecord u;
    u.userId = id;
    u.departmentId = dept;
    u.name = g(utf8Name);
    u.status = status;
    return u;
}

inline protocol::Message userItem(const protocol::UserRecord& u, uint8_t action = protocol::kItemLoad,
                                  uint32_t position = 1, uint32_t count = 1000) {
    protocol::UserItem item;
    item.action = action;
    item.position = position;
    item.loadCount = count;
    item.user = u;
    return {uint8_t(protocol::Cmd::UserItem), item.encodeBody()};
}

inline protocol::Message departmentItem(uint32_t id, uint32_t parent, const char* utf8Name,
                                        uint8_t action = protocol::kItemLoad, uint32_t position = 1) {
    protocol::DepartmentItem item;
    item.action = action;
    item.position = position;
    item.department.departmentId = id;
    item.department.parentId = parent;
    item.department.name = g(utf8Name);
    return protocol::makeMessage(protocol::Cmd::DepartmentItem, item);
}

inline protocol::Message statusMessage(uint32_t id, uint8_t status, bool automatic = false, uint8_t kind = 0,
                                       const std::string& text = {}) {
    protocol::StatusRecord r;
    r.userId = id;
    r.status = status;
    r.automatic = automatic;
    r.textKind = kind;
    r.text = text;
    return {uint8_t(protocol::Cmd::Status), r.encodeBody()};
}

inline protocol::Message contactGroups(const std::vector<protocol::ContactGroup>& groups) {
    return {uint8_t(protocol::Cmd::ContactGroups), protocol::encodeList(groups)};
}

inline protocol::Message contactLinks(const std::vector<protocol::ContactLink>& links) {
    return {uint8_t(protocol::Cmd::Contacts), protocol::encodeList(links)};
}

// A core with recording fakes around it.
struct Harness {
    FakeServer server;
    FakeView view;
    FakeHost host;
    FakePeers peers;
    FakeIdle idle;
    FakeClock clock;
    DirectoryCore core;

    explicit Harness(DirectorySettings settings = {})
        : core(server, view, host, peers, idle, clock, settings) {}

    bool feed(const protocol::Message& m) { return core.handle(m); }
    Directory& dir() { return core.directory(); }
    // Signs in as user 1 ("我自己", online) in department 10.
    void signIn(uint32_t ownId = 1, uint32_t dept = 10) {
        auto own = user(ownId, dept, "我自己", 0);
        own.isOwn = true;
        feed(userItem(own));
    }
};

} // namespace vantor::directory::test

#include "people_commands.h"

#include "protocol/text.h"
#include "terminal_text.h"

#include <QFileInfo>

#include <cstdio>

namespace vantor::app {

namespace {
std::string shown(const std::string& gbk) {
    return terminalText(protocol::fromGbk(gbk));
}
void out(const std::string& line) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}
std::string gbk(const QString& s) {
    return protocol::toGbk(s.toStdString());
}
} // namespace

CliPeople::CliPeople(client::ClientCore& core, PeopleOptions options,
                     std::function<void(int, const QString&)> finish)
    : core_(core), options_(std::move(options)), finish_(std::move(finish)) {
    core_.people().addListener(this);
    quiet_.setSingleShot(true);
    QObject::connect(&quiet_, &QTimer::timeout, [this] { printResults(); });
}

CliPeople::~CliPeople() {
    core_.people().removeListener(this);
}

void CliPeople::done(int code, const QString& message) {
    if (finished_) return;
    finished_ = true;
    finish_(code, message);
}

std::optional<uint32_t> CliPeople::colleague(const QString& target) {
    const directory::Directory& d = core_.directory().directory();
    bool numeric = false;
    const uint32_t id = target.toUInt(&numeric);
    if (numeric) return id;
    const std::string name = gbk(target);
    for (const auto& u : d.users())
        if (u->record.name == name) return u->id();
    return std::nullopt;
}

bool CliPeople::run() {
    people::PeopleCore& p = core_.people();
    switch (options_.command) {
    case PeopleOptions::Command::None:
        return false;
    case PeopleOptions::Command::SearchUsers:
    case PeopleOptions::Command::SearchGroups: {
        p.setSearchOpen(true);
        const bool sent =
            options_.command == PeopleOptions::Command::SearchUsers
                ? p.searchUsers(gbk(options_.text), gbk(options_.department), uint32_t(options_.page))
                : p.searchGroups(gbk(options_.text), uint32_t(options_.page));
        if (!sent) done(1, QStringLiteral("the search could not be sent"));
        quiet_.start(3000);
        return true;
    }
    case PeopleOptions::Command::AddContact: {
        const auto id = colleague(options_.text);
        if (!id) {
            done(1, QStringLiteral("no colleague \"%1\"").arg(options_.text));
            return true;
        }
        if (p.alreadyContact(*id)) {
            done(3, QString::fromStdString(
                        protocol::fromGbk(core_.directory().directory().findUser(*id)->record.name)) +
                        QStringLiteral(" 已经是您的联系人，请重新选择。"));
            return true;
        }
        if (!p.sendContactRequest(*id, gbk(options_.group))) {
            done(1, QStringLiteral("the request could not be sent"));
            return true;
        }
        out("添加联系人请求已发出，请等待对方确认。");
        QTimer::singleShot(300, [this] { done(0); }); // written before the connection closes
        return true;
    }
    case PeopleOptions::Command::Details: {
        const auto id = colleague(options_.text);
        if (!id) {
            done(1, QStringLiteral("no colleague \"%1\"").arg(options_.text));
            return true;
        }
        detailOf_ = *id;
        if (!p.requestDetail(*id)) done(1, QStringLiteral("the request could not be sent"));
        quiet_.start(10000);
        return true;
    }
    case PeopleOptions::Command::SetPhoto:
        if (!p.setOwnPhotoFromFile(options_.text)) {
            done(1, QStringLiteral("照片上传失败：%1").arg(options_.text));
            return true;
        }
        out("照片上传成功！");
        QTimer::singleShot(300, [this] { done(0); });
        return true;
    }
    return false;
}

void CliPeople::userResultsChanged() {
    if (options_.command == PeopleOptions::Command::SearchUsers) quiet_.start(1000);
}

void CliPeople::groupResultsChanged() {
    if (options_.command == PeopleOptions::Command::SearchGroups) quiet_.start(1000);
}

void CliPeople::printResults() {
    if (options_.command == PeopleOptions::Command::Details) {
        done(1, QStringLiteral("no answer from the server"));
        return;
    }
    const people::PeopleCore& p = core_.people();
    if (options_.command == PeopleOptions::Command::SearchUsers) {
        for (const auto& r : p.userPages().rows())
            out(std::to_string(r.userId) + "\t" + shown(r.name) + "\t" + shown(r.department) + "\t" +
                shown(r.signature) + "\t" + std::to_string(int(r.status)));
    } else {
        for (const auto& r : p.groupPages().rows())
            out(std::to_string(r.groupNumber) + "\t" + shown(r.name) + "\t" + shown(r.topic));
    }
    const bool previous = options_.command == PeopleOptions::Command::SearchUsers
                              ? p.userPages().previousEnabled()
                              : p.groupPages().previousEnabled();
    const bool next = options_.command == PeopleOptions::Command::SearchUsers ? p.userPages().nextEnabled()
                                                                              : p.groupPages().nextEnabled();
    std::fprintf(stderr, "page %d%s%s\n", options_.page, previous ? ", < 上一页" : "",
                 next ? ", 下一页 >" : "");
    done(0);
}

void CliPeople::contactRequestsChanged() {
    if (options_.requests.isEmpty()) return;
    people::PeopleCore& p = core_.people();
    while (const protocol::ContactRequest* r = p.contactRequests().current()) {
        const std::string name = r->requesterName;
        const uint32_t id = r->requesterId;
        const bool accept = options_.requests == QLatin1String("accept");
        const auto groups = core_.directory().directory().contactGroups();
        if (!p.answerContactRequest(accept, groups.empty() ? std::string() : groups.front().name)) break;
        out("contact-request\t" + std::to_string(id) + "\t" + shown(name) + "\t" +
            (accept ? "accepted" : "declined"));
    }
}

void CliPeople::joinRequestsChanged() {
    if (options_.requests.isEmpty()) return;
    people::PeopleCore& p = core_.people();
    while (const protocol::GroupJoinRequest* r = p.joinRequests().current()) {
        const std::string line =
            std::to_string(r->requesterId) + "\t" + shown(r->requesterName) + "\t" + shown(r->groupName);
        const bool accept = options_.requests == QLatin1String("accept");
        if (!p.answerJoinRequest(accept)) break;
        out("join-request\t" + line + "\t" + (accept ? "accepted" : "declined"));
    }
}

void CliPeople::detailArrived(uint32_t userId, bool pushed) {
    if (options_.command != PeopleOptions::Command::Details || pushed || userId != detailOf_ ||
        waitingPicture_)
        return;
    printDetail(userId);
    people::PeopleCore& p = core_.people();
    if (p.pictureTime(userId) != 0 && p.pictureStale(userId) && p.requestPicture(userId)) {
        waitingPicture_ = true;
        quiet_.start(10000);
        return;
    }
    if (QFileInfo::exists(p.photoPath(userId))) out("照片\t" + p.photoPath(userId).toStdString());
    quiet_.stop();
    done(0);
}

void CliPeople::pictureArrived(uint32_t userId) {
    if (!waitingPicture_ || userId != detailOf_) return;
    out("照片\t" + core_.people().photoPath(userId).toStdString());
    quiet_.stop();
    done(0);
}

void CliPeople::printDetail(uint32_t userId) {
    const protocol::UserDetail* d = core_.people().detail(userId);
    if (!d) return;
    out("性别\t" + std::string(d->sex == 1 ? "女" : "男"));
    out("公司/部门名称\t" + shown(d->company));
    out("部门/职务\t" + shown(d->office));
    out("办公电话\t" + shown(d->officePhone));
    out("手机\t" + shown(d->mobilePhone));
    out("邮箱\t" + shown(d->mail));
    out("传真\t" + shown(d->fax));
}

} // namespace vantor::app

#include "ui/history/history_directory.h"

#include "client/client_core.h"
#include "directory/head_picture.h"
#include "directory/texts.h"
#include "protocol/text.h"

#include <QFileInfo>

#include <functional>
#include <map>

namespace vantor::ui {

namespace {

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

} // namespace

std::vector<HistoryPartner> ClientHistoryDirectory::organisation() {
    const auto& dir = core_.directory().directory();
    const session::TMessengerX& m = core_.messenger();
    // A colleague's face picture in the head-picture folder (the viewer prefers the photo).
    auto facePicture = [&](const directory::User& u) {
        if (m.UserHeadFolder.empty() || !directory::isPlainPictureName(u.record.headPicture))
            return QString();
        const QString path = QString::fromStdString(m.UserHeadFolder + u.record.headPicture + ".bmp");
        return QFileInfo(path).isFile() ? path : QString();
    };
    HistoryPartner catchAll;
    catchAll.kind = HistoryPartner::Kind::Department;
    catchAll.name = fromGbk(dir.contactGroupMode() ? directory::texts::otherContacts()
                                                   : directory::texts::externalContacts());
    std::map<uint32_t, HistoryPartner> departments;
    std::map<uint32_t, std::vector<uint32_t>> childrenOf;
    std::vector<uint32_t> order;
    for (const auto& d : dir.departments()) {
        HistoryPartner p;
        p.kind = HistoryPartner::Kind::Department;
        p.id = d->id();
        p.name = fromGbk(d->record.name);
        departments[p.id] = p;
        order.push_back(p.id);
    }
    // As the organisation tree: colleagues hidden from it are left out, and so is the own record
    // in contact-group mode; a colleague of no known department goes under the catch-all.
    for (const auto& u : dir.users()) {
        if (u->record.notInTree || (dir.contactGroupMode() && u.get() == dir.ownUser())) continue;
        HistoryPartner p;
        p.id = u->id();
        p.name = fromGbk(u->record.name);
        p.signature = fromGbk(u->record.signature);
        p.picture = facePicture(*u);
        auto it = departments.find(u->record.departmentId);
        (it == departments.end() ? catchAll : it->second).children.push_back(std::move(p));
    }
    std::vector<uint32_t> roots;
    for (uint32_t id : order) {
        const uint32_t parent = dir.findDepartment(id)->record.parentId;
        if (parent != id && departments.count(parent))
            childrenOf[parent].push_back(id);
        else
            roots.push_back(id);
    }
    // Sub-departments first, then colleagues; a depth bound keeps a looping tree finite.
    std::function<HistoryPartner(uint32_t, int)> build = [&](uint32_t id, int depth) {
        HistoryPartner p = departments[id];
        std::vector<HistoryPartner> subs;
        if (depth < 32)
            for (uint32_t child : childrenOf[id])
                subs.push_back(build(child, depth + 1));
        p.children.insert(p.children.begin(), subs.begin(), subs.end());
        return p;
    };
    std::vector<HistoryPartner> out;
    for (uint32_t id : roots)
        out.push_back(build(id, 0));
    out.push_back(std::move(catchAll));
    return out;
}

std::vector<HistoryPartner> ClientHistoryDirectory::groups() {
    std::vector<HistoryPartner> out;
    for (const protocol::Group& g : core_.directory().directory().discussionGroups()) {
        HistoryPartner p;
        p.kind = HistoryPartner::Kind::Group;
        p.guid = g.guid;
        p.name = fromGbk(g.name);
        p.signature = fromGbk(g.notice);
        out.push_back(std::move(p));
    }
    return out;
}

std::optional<std::vector<HistoryPartner>> ClientHistoryDirectory::services() {
    if (!core_.messenger().ServerSettings.serviceDesk) return std::nullopt;
    std::vector<HistoryPartner> out;
    for (const client::ServicePointEntry& s : core_.servicePoints()) {
        HistoryPartner p;
        p.kind = HistoryPartner::Kind::Service;
        p.guid = s.guid;
        p.name = fromGbk(s.name);
        p.signature = fromGbk(s.description);
        out.push_back(std::move(p));
    }
    return out;
}

QString ClientHistoryDirectory::nameOf(uint32_t userId) {
    const directory::User* u = core_.directory().directory().findUser(userId);
    return u ? fromGbk(u->record.name) : QString();
}

} // namespace vantor::ui

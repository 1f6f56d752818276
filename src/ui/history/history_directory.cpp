#include "ui/history/history_directory.h"

#include "client/client_core.h"
#include "protocol/text.h"

#include <map>

namespace vantor::ui {

namespace {

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

} // namespace

std::vector<HistoryPartner> ClientHistoryDirectory::organisation() {
    const auto& dir = core_.directory().directory();
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
    for (const auto& u : dir.users()) {
        auto it = departments.find(u->record.departmentId);
        if (it == departments.end()) continue;
        HistoryPartner p;
        p.id = u->id();
        p.name = fromGbk(u->record.name);
        p.signature = fromGbk(u->record.signature);
        it->second.children.push_back(std::move(p));
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
    return out;
}

QString ClientHistoryDirectory::nameOf(uint32_t userId) {
    const directory::User* u = core_.directory().directory().findUser(userId);
    return u ? fromGbk(u->record.name) : QString();
}

} // namespace vantor::ui

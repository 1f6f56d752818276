#include "server/org_file.h"

#include "protocol/text.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <set>

namespace vantor::server {

namespace {

std::string gbk(const QJsonValue& v) {
    return protocol::toGbk(v.toString().toStdString());
}

uint32_t id(const QJsonValue& v) {
    const double d = v.toDouble(-1);
    return d >= 1 && d <= 4294967295.0 ? uint32_t(d) : 0;
}

} // namespace

bool parseOrganisation(const QByteArray& json, Organisation& out, std::string* error) {
    auto fail = [&](const std::string& e) {
        if (error) *error = e;
        return false;
    };
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (!doc.isObject()) return fail("not an organisation file: " + pe.errorString().toStdString());
    const QJsonObject root = doc.object();
    out = Organisation{};
    out.hashIterations = uint32_t(root.value("hashIterations").toInt(0));

    std::set<uint32_t> departments, users, accounts;
    for (const QJsonValue v : root.value("departments").toArray()) {
        const QJsonObject o = v.toObject();
        Department d{id(o["id"]), uint32_t(o["parent"].toDouble(0)), gbk(o["name"])};
        if (!d.id || !departments.insert(d.id).second) return fail("department without a unique id");
        out.departments.push_back(d);
    }
    for (const auto& d : out.departments)
        if (d.parent && !departments.count(d.parent))
            return fail("department " + std::to_string(d.id) + " has an unknown parent");
    std::set<std::string> names;
    for (const QJsonValue v : root.value("colleagues").toArray()) {
        const QJsonObject o = v.toObject();
        Colleague c;
        c.id = id(o["id"]);
        c.department = uint32_t(o["department"].toDouble(0));
        c.name = gbk(o["name"]);
        c.headPicture = gbk(o["head"]);
        c.female = o["female"].toBool();
        c.signature = gbk(o["signature"]);
        c.workState = gbk(o["workState"]);
        if (!c.id || !users.insert(c.id).second) return fail("colleague without a unique id");
        if (c.department && !departments.count(c.department))
            return fail("colleague " + std::to_string(c.id) + " is in an unknown department");
        const std::string account = gbk(o["account"]);
        if (!account.empty()) {
            if (!names.insert(account).second) return fail("account " + account + " given twice");
            out.accounts.push_back({account, c.id, gbk(o["password"])});
        }
        out.colleagues.push_back(std::move(c));
    }
    std::set<uint32_t> contactGroupIds;
    for (const QJsonValue v : root.value("contactGroups").toArray()) {
        const QJsonObject o = v.toObject();
        ContactGroupRow g{id(o["id"]), id(o["owner"]), gbk(o["name"])};
        if (!g.id || !contactGroupIds.insert(g.id).second || !users.count(g.owner))
            return fail("contact group without a unique id or a known owner");
        for (const QJsonValue m : o["members"].toArray()) {
            if (!users.count(id(m)))
                return fail("contact group " + std::to_string(g.id) + " names an unknown user");
            out.contactLinks.push_back({g.owner, id(m), g.id});
        }
        out.contactGroups.push_back(std::move(g));
    }
    for (const QJsonValue v : root.value("groups").toArray()) {
        const QJsonObject o = v.toObject();
        DiscussionGroup g;
        if (!wire::Guid::fromString(o["guid"].toString().toStdString(), g.guid) || g.guid.isNull())
            return fail("discussion group without a GUID");
        g.name = gbk(o["name"]);
        g.topic = gbk(o["topic"]);
        g.notice = gbk(o["notice"]);
        g.creator = id(o["creator"]);
        g.hidden = o["hidden"].toBool();
        std::set<uint32_t> seen;
        for (const QJsonValue m : o["members"].toArray())
            if (seen.insert(id(m)).second) g.members.push_back(id(m));
        if (!users.count(g.creator) || !seen.count(g.creator))
            return fail("group " + g.name + ": creator not a member");
        for (uint32_t m : g.members)
            if (!users.count(m)) return fail("group " + g.name + " names an unknown user");
        if (g.members.size() > 200) return fail("group " + g.name + " has more than 200 members");
        out.groups.push_back(std::move(g));
    }
    std::set<std::string> serviceGuids;
    for (const QJsonValue v : root.value("servicePoints").toArray()) {
        const QJsonObject o = v.toObject();
        ServicePointSpec p;
        if (!wire::Guid::fromString(o["guid"].toString().toStdString(), p.guid) || p.guid.isNull() ||
            !serviceGuids.insert(p.guid.toString()).second)
            return fail("service point without a unique GUID");
        p.name = gbk(o["name"]);
        p.description = gbk(o["description"]);
        p.greeting = gbk(o["greeting"]);
        p.kind = uint32_t(o["kind"].toInt(0));
        if (p.name.empty() || p.name.size() > 50 || p.description.size() > 100 || p.greeting.size() > 200)
            return fail("service point " + p.name + ": a name of 1 to 50 bytes, texts within their fields");
        if (o["kind"].toInt(0) < 0) return fail("service point " + p.name + ": a negative kind");
        std::set<uint32_t> seen;
        for (const QJsonValue m : o["staff"].toArray()) {
            if (!users.count(id(m))) return fail("service point " + p.name + " names an unknown user");
            if (seen.insert(id(m)).second) p.staff.push_back(id(m));
        }
        out.servicePoints.push_back(std::move(p));
    }
    if (const QJsonObject a = root.value("attendance").toObject(); !a.isEmpty()) {
        out.attendance.bySignIn = a["bySignIn"].toBool();
        const QString end = a["workdayEnd"].toString(QStringLiteral("18:00"));
        const QStringList hm = end.split(QLatin1Char(':'));
        bool okH = false, okM = false;
        const int h = hm.size() == 2 ? hm[0].toInt(&okH) : -1;
        const int m = hm.size() == 2 ? hm[1].toInt(&okM) : -1;
        if (!okH || !okM || h < 0 || h > 23 || m < 0 || m > 59)
            return fail("attendance: workdayEnd is not hh:mm");
        out.attendance.workdayEndMinutes = h * 60 + m;
    }
    return true;
}

bool readOrganisationFile(const std::string& path, Organisation& out, std::string* error) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    return parseOrganisation(f.readAll(), out, error);
}

QByteArray generateOrganisationJson(size_t users, size_t departments) {
    static const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周",
                                     "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "罗"};
    static const char* given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强",   "磊", "军", "洋", "勇",
                                  "艳", "杰", "娟", "涛", "明", "超", "秀英", "霞", "平", "刚", "桂英"};
    departments = std::max<size_t>(1, departments);
    const size_t top = std::max<size_t>(1, departments / 50);
    QJsonArray depts, colleagues, contactGroups, groups;
    for (size_t d = 1; d <= departments; ++d) {
        const size_t parent = d <= top ? 0 : 1 + (d % top);
        depts.append(
            QJsonObject{{"id", double(d)},
                        {"parent", double(parent)},
                        {"name", QString::fromUtf8(d <= top ? "事业部" : "部门") + QString::number(d)}});
    }
    for (size_t i = 0; i < users; ++i) {
        const size_t uid = 100000 + i;
        const QString name = QString::fromUtf8(surnames[i % 20]) + QString::fromUtf8(given[(i / 20) % 22]) +
                             QString::number(i / 440);
        colleagues.append(QJsonObject{{"id", double(uid)},
                                      {"department", double(1 + i % departments)},
                                      {"name", name},
                                      {"account", "u" + QString::number(uid)},
                                      {"password", "p" + QString::number(uid)},
                                      {"female", i % 2 == 1},
                                      {"head", QString::number(1 + i % 40)}});
    }
    // Every fiftieth colleague keeps a contact group with a few neighbours in it.
    for (size_t i = 0; i + 5 < users; i += 50) {
        QJsonArray members;
        for (size_t k = 1; k <= 5; ++k)
            members.append(double(100000 + i + k));
        contactGroups.append(QJsonObject{{"id", double(1 + i / 50)},
                                         {"owner", double(100000 + i)},
                                         {"name", QString::fromUtf8("同事")},
                                         {"members", members}});
    }
    for (size_t i = 0; i + 10 <= users; i += 100) {
        QJsonArray members;
        for (size_t k = 0; k < 10; ++k)
            members.append(double(100000 + i + k));
        const QString guid =
            QString("{%1-0000-4000-8000-000000000001}").arg(uint(i / 100 + 1), 8, 16, QChar('0'));
        groups.append(QJsonObject{{"guid", guid},
                                  {"name", QString::fromUtf8("项目组") + QString::number(i / 100 + 1)},
                                  {"topic", QString::fromUtf8("日常讨论")},
                                  {"creator", double(100000 + i)},
                                  {"members", members}});
    }
    const QJsonObject root{{"hashIterations", 1},
                           {"departments", depts},
                           {"colleagues", colleagues},
                           {"contactGroups", contactGroups},
                           {"groups", groups}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

} // namespace vantor::server

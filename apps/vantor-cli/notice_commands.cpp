#include "notice_commands.h"

#include "protocol/datetime.h"
#include "protocol/rtf.h"
#include "protocol/text.h"
#include "terminal_text.h"

#include <QDir>
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
std::string day(double t) {
    const protocol::LocalTime l = protocol::localFromDayCount(t);
    char b[16];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d", l.year, l.month, l.day);
    return b;
}
// A file name from the server as a name inside the fetch folder: its last component, and never
// "", "." or "..".
QString safeName(const std::string& gbkName, const protocol::Guid& guid) {
    const QString name =
        QFileInfo(QString::fromStdString(protocol::fromGbk(gbkName)).replace('\\', '/')).fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString::fromStdString(guid.toString());
    return name;
}
} // namespace

CliNotices::CliNotices(client::ClientCore& core, NoticeOptions options,
                       std::function<void(int, const QString&)> finish)
    : core_(core), options_(std::move(options)), finish_(std::move(finish)) {
    core_.notices().addListener(this);
}

CliNotices::~CliNotices() {
    core_.notices().removeListener(this);
}

void CliNotices::done(int code, const QString& message) {
    if (finished_) return;
    finished_ = true;
    finish_(code, message);
}

bool CliNotices::run() {
    info::NoticeCore& n = core_.notices();
    switch (options_.command) {
    case NoticeOptions::Command::None:
        return false;
    case NoticeOptions::Command::List:
        n.setReaderOpen(true);
        if (!n.searchNotices(gbk(options_.keyword))) done(1, QStringLiteral("the search could not be sent"));
        return true;
    case NoticeOptions::Command::Post: {
        info::NoticeDraft d;
        d.title = gbk(options_.title);
        protocol::RtfDocument doc;
        for (const QString& line : options_.text.split('\n')) {
            protocol::RtfParagraph p;
            if (!line.isEmpty()) p.runs.push_back(protocol::RtfRun{line.toStdString()});
            doc.paragraphs.push_back(std::move(p));
        }
        d.rtf = protocol::writeRtf(doc);
        d.bodyCharacters = size_t(options_.text.size());
        const directory::Directory& dir = core_.directory().directory();
        for (const QString& who : options_.to) {
            bool numeric = false;
            uint32_t id = who.toUInt(&numeric);
            if (!numeric) {
                id = 0;
                for (const auto& u : dir.users())
                    if (u->record.name == gbk(who)) id = u->id();
            }
            if (!id || !dir.findUser(id)) {
                done(2, QStringLiteral("no such colleague: %1").arg(who));
                return true;
            }
            d.recipients.push_back(id);
        }
        for (const QString& f : options_.attach)
            d.attachments.push_back(f);
        using R = info::NoticeCore::PostResult;
        switch (n.postNotice(d)) {
        case R::Posting:
            break;
        case R::NoBody:
            done(2, QStringLiteral("请输入通知内容"));
            break;
        case R::NoRecipients:
            done(2, QStringLiteral("请选择收件人"));
            break;
        case R::BadMinutes:
        case R::NotSent:
            done(1, QStringLiteral("the notice could not be sent"));
            break;
        }
        return true;
    }
    }
    return false;
}

void CliNotices::listChanged() {
    if (listed_ || options_.command != NoticeOptions::Command::List) return;
    listed_ = true;
    const auto& entries = core_.notices().entries();
    for (const auto& e : entries)
        out(std::to_string(e.noticeNumber) + "\t" + (e.isRead ? "read" : "unread") + "\t" +
            shown(e.senderName) + "\t" + day(e.sendTime) + "\t" + shown(e.title));
    if (entries.empty()) done(0);
}

void CliNotices::contentChanged() {
    if (options_.command != NoticeOptions::Command::List || finished_) return;
    info::NoticeCore& n = core_.notices();
    const auto& c = n.content();
    if (!c) return;
    out("notice\t" + std::to_string(n.current() ? n.current()->noticeNumber : 0) + "\t" +
        shown(c->head.title));
    const std::string text = protocol::readRtf(c->text).plainText();
    out("text\t" + terminalText(text));
    const auto files = n.listedAttachments();
    for (const auto& a : files)
        out("attachment\t" + a.attachmentGuid.toString() + "\t" + shown(a.fileName));
    if (options_.read && n.confirmRead()) out("confirmed\t" + std::to_string(n.current()->noticeNumber));
    if (!options_.fetchFolder.isEmpty()) {
        QDir().mkpath(options_.fetchFolder);
        for (const auto& a : files)
            fetching_.insert(a.attachmentGuid.toString());
        for (const auto& a : files) {
            const QString target =
                QDir(options_.fetchFolder).filePath(safeName(a.fileName, a.attachmentGuid));
            if (n.openAttachment(a, target) == info::NoticeCore::AttachmentStart::Failed) {
                done(1, QStringLiteral("an attachment could not be fetched"));
                return;
            }
        }
    }
    if (fetching_.empty()) done(0);
}

void CliNotices::attachmentReady(const protocol::AttachmentEntry& entry, const QString& path, bool) {
    if (!fetching_.erase(entry.attachmentGuid.toString())) return;
    out("fetched\t" + terminalText(path.toStdString()));
    if (fetching_.empty()) done(0);
}

void CliNotices::attachmentFailed(const protocol::AttachmentEntry& entry) {
    if (fetching_.count(entry.attachmentGuid.toString()))
        done(1, QStringLiteral("an attachment could not be fetched"));
}

void CliNotices::postFinished(const protocol::Guid& guid, bool ok) {
    if (options_.command != NoticeOptions::Command::Post) return;
    if (!ok) {
        done(1, QStringLiteral("the connection failed before the notice was written out"));
        return;
    }
    out("posted\t" + guid.toString());
    done(0);
}

} // namespace vantor::app

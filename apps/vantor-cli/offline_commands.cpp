#include "offline_commands.h"

#include "protocol/text.h"
#include "terminal_text.h"
#include "transfer/file_io.h"
#include "transfer/offline_files.h"
#include "transfer/transfers.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace vantor::app {

namespace {

constexpr int kTickMs = 50;
// Notices come right after the sign-in; the list is complete once this long brings no new one.
constexpr int kQuietTurns = 20;

void printLine(std::FILE* out, const std::string& line) {
    std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
}

std::string field(const std::string& gbk) {
    return terminalText(protocol::fromGbk(gbk));
}

} // namespace

CliOffline::CliOffline(client::ClientCore& core, OfflineOptions options,
                       std::function<void(int, const QString&)> finish)
    : core_(core), options_(std::move(options)), finish_(std::move(finish)) {
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

CliOffline::~CliOffline() {
    core_.offlineSends().onDone = nullptr;
    core_.offlineFiles().onDone = nullptr;
}

bool CliOffline::run(uint32_t colleague) {
    using C = OfflineOptions::Command;
    if (options_.command == C::None) return false;
    if (options_.command == C::SendFile) {
        conversation::Conversation* c = core_.conversations().openWith(colleague);
        c->visible = c->inFront = true;
        transfer::TTransmitFile* t = core_.transfers().offer(c->key, colleague, options_.file);
        if (!t) {
            done(1, QStringLiteral("the same file is being sent already"));
            return true;
        }
        serial_ = t->serial;
        core_.offlineSends().onDone = [this](const std::string& id, bool completed, const QString& text) {
            if (id != sending_) return;
            if (completed) {
                printLine(stdout, "offline\t" + id);
                done(0, QStringLiteral("left on the file server"));
            } else {
                done(1, text);
            }
        };
    } else {
        core_.offlineFiles().onDone = [this](transfer::OfflineFileItem& item, transfer::TFTPClient::Result r,
                                             const QString& text) {
            --running_;
            if (r == transfer::TFTPClient::Result::Downloaded) {
                printLine(stdout, "file\t" + std::to_string(item.notice.senderId) + "\t" +
                                      item.savedPath.toStdString());
            } else {
                ++failures_;
                printLine(stderr, "vantor-cli: " + item.id() + ": " + terminalText(text.toStdString()));
            }
        };
    }
    timer_.start();
    return true;
}

void CliOffline::tick() {
    if (finished_) return;
    waitedMs_ += kTickMs;
    using C = OfflineOptions::Command;
    if (options_.command == C::SendFile) {
        // The offer gets its transfer id once the file is read; then the file goes to the server.
        if (sending_.empty()) {
            for (const auto& t : core_.transfers().all())
                if (t->serial == serial_ && !t->transmitId.empty()) {
                    sending_ = t->transmitId;
                    if (!core_.offlineSends().start(sending_))
                        return done(1, QStringLiteral("the file cannot go to the file server"));
                }
            if (sending_.empty() && waitedMs_ > options_.timeoutSeconds * 1000)
                return done(1, QStringLiteral("the file could not be read"));
        }
        return;
    }
    if (ending_) {
        // Acknowledgements and deletes leave before the process does.
        if (transfer::TFTPClient::deletesRunning() == 0 || waitedMs_ > options_.timeoutSeconds * 1000)
            done(failures_ == 0 ? 0 : 1);
        return;
    }
    if (running_ > 0) return;
    const size_t count = core_.offlineFiles().items().size();
    if (count != lastCount_) {
        lastCount_ = count;
        quietTurns_ = 0;
        return;
    }
    if (++quietTurns_ < kQuietTurns) return;
    listed();
}

// The list is complete: print it, or fetch or refuse.
void CliOffline::listed() {
    using C = OfflineOptions::Command;
    transfer::OfflineFiles& files = core_.offlineFiles();
    std::vector<std::string> ids;
    for (const auto& i : files.items())
        if (!i->handled() && (options_.id.isEmpty() || options_.id.toStdString() == i->id()))
            ids.push_back(i->id());
    if (!options_.id.isEmpty() && ids.empty())
        return done(1, QStringLiteral("no offline file %1").arg(options_.id));
    switch (options_.command) {
    case C::List:
        for (const auto& i : files.items()) {
            const auto& n = i->notice;
            printLine(stdout, n.transferId + "\t" + std::to_string(n.senderId) + "\t" + field(n.senderName) +
                                  "\t" + field(n.fileName) + "\t" + std::to_string(n.size) + "\t" +
                                  (n.oneToOne ? "1" : "0"));
        }
        return done(0);
    case C::Fetch: {
        QDir().mkpath(options_.folder);
        for (const std::string& id : ids) {
            const transfer::OfflineFileItem* item = files.find(id);
            // The name comes from the network: its last component only, inside the folder.
            const QString name =
                transfer::plainFileName(QString::fromStdString(protocol::fromGbk(item->notice.fileName)));
            if (files.saveAs(id, QDir(options_.folder).filePath(name))) ++running_;
        }
        ending_ = true;
        timer_.stop();
        // Ends once every fetch has reported (the acknowledgements and deletes follow).
        auto* wait = new QTimer(&timer_);
        wait->setInterval(kTickMs);
        QObject::connect(wait, &QTimer::timeout, [this, wait] {
            if (running_ > 0) return;
            wait->stop();
            waitedMs_ = 0;
            timer_.start();
        });
        wait->start();
        return;
    }
    case C::Refuse:
        for (const std::string& id : ids)
            files.refuse(id);
        ending_ = true;
        waitedMs_ = 0;
        return;
    default:
        return;
    }
}

void CliOffline::done(int code, const QString& message) {
    if (finished_) return;
    finished_ = true;
    timer_.stop();
    // The last records reach the server before the process signs out.
    QTimer::singleShot(100, [f = finish_, code, message] { f(code, message); });
}

} // namespace vantor::app

#include "cli_session.h"

#include "terminal_text.h"

#include "conversation/richtext.h"
#include "crypto/cipher.h"
#include "history/history_export.h"
#include "history/history_search.h"
#include "history/message_store.h"
#include "peer/channel.h"
#include "platform/program_folder.h"
#include "protocol/chat.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "settings/profile_file.h"
#include "transfer/transfer_texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cctype>
#include <cstring>
#include <fstream>
#include <iostream>

namespace vantor::app {

namespace {

std::string utf8(const std::string& gbk) {
    return protocol::fromGbk(gbk);
}

void printLine(std::FILE* out, const std::string& line) {
    std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
}

bool isTime(std::string_view s) { // hh:nn:ss
    return s.size() == 8 && s[2] == ':' && s[5] == ':' && std::isdigit(uint8_t(s[0])) &&
           std::isdigit(uint8_t(s[7]));
}

bool isDate(std::string_view s) { // mm-dd
    return s.size() == 5 && s[2] == '-' && std::isdigit(uint8_t(s[0])) && std::isdigit(uint8_t(s[4]));
}

std::string timeText(double dayCount) {
    const protocol::LocalTime t = protocol::localFromDayCount(dayCount);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year % 10000, t.month % 100,
                  t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    return buf;
}

// A stored record (head and enciphered text) as the chat message it was.
bool decodeRecord(const history::HistoryRecord& r, protocol::ChatMessage& m) {
    if (!protocol::ChatMessage::decodeHead(r.head, m)) return false;
    m.text = r.text;
    return true;
}

// Text fields printed one per line: tabs, line breaks and every other control character escaped.
std::string oneLine(const std::string& s) {
    return terminalText(s);
}

} // namespace

std::string senderOfHeader(const std::string& header) {
    std::string h = header;
    const size_t last = h.rfind(' ');
    if (last == std::string::npos || !isTime(std::string_view(h).substr(last + 1))) return h;
    h.resize(last);
    const size_t date = h.rfind(' ');
    if (date != std::string::npos && isDate(std::string_view(h).substr(date + 1))) h.resize(date);
    return h;
}

// ---- views ----

void CliConversationView::showMessage(conversation::Conversation& c, uint32_t senderId,
                                      const std::string& header, bool own, const std::string& plain,
                                      const conversation::ChatFont&) {
    if (own || !printReceived) return;
    const std::string from =
        c.kind() == protocol::kOneToOne ? std::to_string(senderId) : "group:" + c.key.groupId.toString();
    printLine(stdout, from + "\t" + oneLine(utf8(senderOfHeader(header))) + "\t" + oneLine(utf8(plain)));
    if (onReceived) onReceived(c, plain);
}

void CliConversationView::systemLine(conversation::Conversation&, const std::string& line) {
    if (verbose) printLine(stderr, "conversation: " + terminalText(utf8(line)));
}

void CliConversationView::storeFailed(conversation::Conversation&, const std::string& reason) {
    printLine(stderr, "vantor-cli: the message store failed: " + terminalText(reason));
}

void CliMainView::showMessage(const QString& text, const QString& title) {
    PrintingMainView::showMessage(text, title);
    if (onError) onError(text);
}

void CliMainView::showBalloon(const QString& title, const QString& text, int seconds,
                              session::BalloonIcon icon) {
    PrintingMainView::showBalloon(title, text, seconds, icon);
    if (!text.isEmpty()) lastBalloon_ = title.isEmpty() ? text : title + ": " + text;
}

void CliMainView::showSignInPanel() {
    PrintingMainView::showSignInPanel();
    // Back at the sign-in panel, or waiting to sign in again: this attempt has failed (the balloon
    // that says why follows in the same turn).
    if (watching) failed = true;
}

void CliMainView::showReLoginPanel(bool networkLost) {
    PrintingMainView::showReLoginPanel(networkLost);
    if (watching) failed = true;
}

QString CliMainView::failure() const {
    return lastBalloon_.isEmpty() ? QStringLiteral("sign-in failed") : lastBalloon_;
}

// ---- the session ----

CliSession::CliSession(CliOptions options)
    : options_(std::move(options)), view_(options_.verbose ? stderr : nullptr),
      directoryView_(options_.verbose ? stderr : nullptr) {
    conversationView_.verbose = options_.verbose;
    conversationView_.printReceived = options_.command == CliOptions::Command::Listen;
    conversationView_.onReceived = [this](conversation::Conversation& c, const std::string& plain) {
        received(c, plain);
    };
    view_.onError = [this](const QString& text) {
        // Refusals and failures before the command ran end the run; later ones are only told.
        if (!running_) finish(1, text);
    };

    const QString documents = options_.dataFolder.isEmpty()
                                  ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                  : QDir(options_.dataFolder).absolutePath();
    session::MessengerEnvironment env;
    env.clock = &clock_;
    env.view = &view_;
    env.launcher = &launcher_;
    env.camera = &camera_;
    env.layout = settings::FolderLayout(
        platform::programDataFolder(QCoreApplication::applicationDirPath()).toStdString(),
        documents.toStdString());
    env.exeFileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    env.quit = [this] { finish(0); };
    env.attendanceWithSignIn = false; // a tool signs in to look, not to work
    client::ClientEnvironment clientEnv;
    clientEnv.session = std::move(env);
    clientEnv.directoryView = &directoryView_;
    clientEnv.conversationView = &conversationView_;
    clientEnv.pictures = &pictures_;
    core_ = std::make_unique<client::ClientCore>(std::move(clientEnv));
    people_ = std::make_unique<CliPeople>(
        *core_, options_.people, [this](int code, const QString& message) { finish(code, message); });
    options_.offline.timeoutSeconds = options_.timeoutSeconds;
    offline_ = std::make_unique<CliOffline>(
        *core_, options_.offline, [this](int code, const QString& message) { finish(code, message); });
    notices_ = std::make_unique<CliNotices>(
        *core_, options_.notices, [this](int code, const QString& message) { finish(code, message); });
    services_ = std::make_unique<CliServices>(
        *core_, options_.services, [this](int code, const QString& message) { finish(code, message); });
    core_->setTransferView(&transferView_);
    transferView_.onAdded = [this](transfer::TTransmitFile& t) {
        if (t.direction == transfer::TTransmitFile::Receiving && !options_.acceptFiles.isEmpty())
            core_->transfers().accept(t.transmitId, options_.acceptFiles);
    };
    transferView_.onRemoved = [this](transfer::TTransmitFile& t, transfer::Outcome outcome) {
        if (t.serial != sendingFile_ || finished_) return;
        static const char* const names[] = {"sent",   "declined", "cancelled", "stopped",
                                            "failed", "offline",  "signed out"};
        const int code = outcome == transfer::Outcome::Completed  ? 0
                         : outcome == transfer::Outcome::Declined ? 3
                                                                  : 1;
        printLine(stderr, "vantor-cli: " + std::to_string(core_->transfers().blocksSent()) + " blocks sent");
        // The completion line reaches the history and the server before the process ends.
        QTimer::singleShot(
            100, this, [this, code, what = names[int(outcome)]] { finish(code, QString::fromLatin1(what)); });
    };

    poll_.setInterval(50);
    connect(&poll_, &QTimer::timeout, this, [this] { poll(); });
}

CliSession::~CliSession() = default;

void CliSession::start() {
    const settings::FolderLayout& layout = core_->messenger().environment().layout;
    QDir().mkpath(QString::fromStdString(layout.dataRoot()));
    // The flags are kept as the settings dialog would keep them.
    settings::ProfileFile machine(layout.machineFile());
    if (!options_.host.isEmpty())
        machine.writeString("Login", "HostName", protocol::toGbk(options_.host.toStdString()));
    if (options_.port > 0) machine.writeInteger("Login", "ServerPort", options_.port);

    startedMs_ = clock_.nowMs();
    poll_.start();
    const std::string argument =
        "loginuser=" + options_.account.toStdString() + "&loginpwd=" + options_.password.toStdString();
    core_->messenger().ActiveFormCreate(protocol::toGbk(argument));
    view_.watching = true;
}

void CliSession::stop() {
    if (finished_) return;
    finish(options_.command == CliOptions::Command::Listen ? 0 : 1, QStringLiteral("stopped"));
}

void CliSession::poll() {
    if (finished_) return;
    const int64_t now = clock_.nowMs();
    if (!running_) {
        if (core_->messenger().SignedIn()) {
            signedIn();
        } else if (view_.failed) {
            finish(1, view_.failure());
        } else if (now - startedMs_ > options_.timeoutSeconds * 1000) {
            finish(1, QStringLiteral("sign-in timed out"));
        }
        return;
    }
    if (directWaitUntil_ >= 0) {
        const peer::TMySocket* channel = core_->peers().chatChannel(sendTo_->peerId);
        if (now >= directWaitUntil_ || !channel || !channel->ViaServer()) {
            directWaitUntil_ = -1;
            if (options_.verbose)
                printLine(stderr, channel && !channel->ViaServer() ? "vantor-cli: direct path"
                                                                   : "vantor-cli: relayed");
            sendNow();
        }
        return;
    }
    if (options_.command == CliOptions::Command::Send && sentMs_ >= 0) {
        if (core_->peers().pending().size() == 0) {
            // Acknowledged, or handed to the server for later delivery as the last attempt.
            finish(0, QStringLiteral("sent"));
        } else if (now - sentMs_ > options_.timeoutSeconds * 1000) {
            finish(1, QStringLiteral("no acknowledgement"));
        }
    }
    if (sendingFile_ != 0 && fileOfferedMs_ >= 0 && now - fileOfferedMs_ > options_.timeoutSeconds * 1000) {
        // An offer nobody answers is withdrawn (a running transfer ends by itself when it stalls).
        for (const auto& t : core_->transfers().all())
            if (t->serial == sendingFile_ && !t->started) {
                fileOfferedMs_ = -1;
                core_->transfers().cancel(t->transmitId);
                return;
            }
    }
    if (creating_) {
        // The group is ours once the server has sent our own invitation back.
        if (core_->groups().FindGroup(*creating_)) {
            printLine(stdout, creating_->toString());
            finish(0, QStringLiteral("created"));
        } else if (now - createdMs_ > options_.timeoutSeconds * 1000) {
            finish(1, QStringLiteral("the server did not confirm the group"));
        }
        return;
    }
    if (listenDone_ && core_->peers().pending().size() == 0) {
        // Answers go out on the next turn of the loop: give them one poll interval.
        if (listenDoneSeen_) finish(0);
        listenDoneSeen_ = true;
        return;
    }
    if (!core_->messenger().ConnectionOpen() && options_.command == CliOptions::Command::Listen)
        finish(1, QStringLiteral("the connection to the server was lost"));
}

void CliSession::signedIn() {
    running_ = true;
    if (people_->run()) return;
    if (options_.offline.command == OfflineOptions::Command::SendFile) {
        const auto id = findColleague(options_.offline.target);
        if (!id) return finish(1, QStringLiteral("no colleague \"%1\"").arg(options_.offline.target));
        if (!QFileInfo(options_.offline.file).isFile())
            return finish(1, QStringLiteral("no file %1").arg(options_.offline.file));
        offline_->run(*id);
        return;
    }
    if (offline_->run()) return;
    if (notices_->run()) return;
    if (services_->run()) return;
    switch (options_.command) {
    case CliOptions::Command::Send:
        runSend();
        break;
    case CliOptions::Command::History:
        runHistory();
        break;
    case CliOptions::Command::Search:
        runSearch();
        break;
    case CliOptions::Command::Export:
        runExport();
        break;
    case CliOptions::Command::SendFile:
        runSendFile();
        break;
    case CliOptions::Command::Groups:
        runGroups();
        break;
    case CliOptions::Command::GroupCreate:
        runGroupCreate();
        break;
    case CliOptions::Command::GroupLeave:
        runGroupLeave();
        break;
    case CliOptions::Command::Listen:
        if (options_.verbose) printLine(stderr, "vantor-cli: signed in, listening");
        break;
    }
}

std::optional<uint32_t> CliSession::findColleague(const QString& target) {
    const directory::Directory& d = core_->directory().directory();
    bool numeric = false;
    const uint32_t id = target.toUInt(&numeric);
    if (numeric) return d.findUser(id) ? std::optional(id) : std::nullopt;
    const std::string name = protocol::toGbk(target.toStdString());
    for (const auto& u : d.users())
        if (u->record.name == name) return u->id();
    return std::nullopt;
}

void CliTransferView::transferAdded(transfer::TTransmitFile& t) {
    printLine(stderr, std::string(t.direction == transfer::TTransmitFile::Sending ? "vantor-cli: offering "
                                                                                  : "vantor-cli: offered ") +
                          utf8(t.name) + " (" + std::to_string(t.size) + " bytes)");
    if (onAdded) onAdded(t);
}

void CliTransferView::transferChanged(transfer::TTransmitFile& t) {
    printLine(stderr, "vantor-cli: " + utf8(t.name) + " " + std::to_string(t.percent()) + "% " +
                          transfer::amountText(t.doneBytes()) + "/" + transfer::amountText(t.size) + " " +
                          transfer::speedText(t.speed()) +
                          (t.channel && !t.channel->viaServer() ? " direct" : " relayed"));
}

void CliTransferView::transferRemoved(transfer::TTransmitFile& t, transfer::Outcome outcome) {
    if (onRemoved) onRemoved(t, outcome);
}

void CliTransferView::transferLine(transfer::TTransmitFile&, const std::string& gbkText, bool) {
    printLine(stderr, "vantor-cli: " + utf8(gbkText));
}

void CliTransferView::fileReceived(transfer::TTransmitFile& t, const QString& path) {
    printLine(stdout, "file\t" + std::to_string(t.senderId) + "\t" + path.toStdString());
}

void CliTransferView::transferMessage(const std::string& gbkText, const std::string&) {
    printLine(stderr, "vantor-cli: " + utf8(gbkText));
}

std::string CliSession::userName(uint32_t id) {
    const directory::User* u = core_->directory().directory().findUser(id);
    return u ? utf8(u->record.name) : std::to_string(id);
}

void CliSession::runSend() {
    conversation::Conversation* c = nullptr;
    wire::Guid group;
    if (options_.target.startsWith(QLatin1Char('{')) &&
        wire::Guid::fromString(options_.target.toStdString(), group)) {
        protocol::ConversationKey key;
        key.groupId = group;
        key.kind = protocol::kGroupConversation;
        key.userA = core_->chat().session().ownId;
        c = core_->conversations().findOrCreate(key, true);
    } else if (const auto id = findColleague(options_.target)) {
        c = core_->conversations().openWith(*id);
    } else {
        finish(1, QStringLiteral("no colleague \"%1\"").arg(options_.target));
        return;
    }
    c->visible = c->inFront = true;
    sendTo_ = c;
    if (options_.directWaitMs > 0 && c->kind() == protocol::kOneToOne) {
        // Punching starts with the channel; the message waits for its outcome.
        core_->peers().ensureChatChannel(c->peerId);
        directWaitUntil_ = clock_.nowMs() + options_.directWaitMs;
        return;
    }
    sendNow();
}

void CliSession::runSendFile() {
    const auto id = findColleague(options_.target);
    if (!id) {
        finish(1, QStringLiteral("no colleague \"%1\"").arg(options_.target));
        return;
    }
    if (!QFileInfo(options_.file).isFile()) {
        finish(1, QStringLiteral("no file %1").arg(options_.file));
        return;
    }
    conversation::Conversation* c = core_->conversations().openWith(*id);
    c->visible = c->inFront = true;
    transfer::TTransmitFile* t = core_->transfers().offer(c->key, *id, options_.file);
    if (!t) {
        finish(1, QStringLiteral("the same file is being sent already"));
        return;
    }
    sendingFile_ = t->serial;
    fileOfferedMs_ = clock_.nowMs();
}

void CliSession::sendNow() {
    const conversation::ChatFont font{protocol::toGbk("宋体"), 0, 9};
    const auto result = core_->chat().send(*sendTo_, protocol::toGbk(options_.text.toStdString()), font);
    if (result != conversation::ChatCore::SendResult::Sent) {
        finish(1, QStringLiteral("nothing was sent"));
        return;
    }
    // Group messages are not acknowledged: the server has them once written.
    sentMs_ = clock_.nowMs();
}

// One line per group: identifier, name, creator id, member count, then the member ids.
void CliSession::runGroups() {
    for (const protocol::Group& g : core_->directory().directory().discussionGroups()) {
        std::string ids;
        size_t count = 0;
        for (uint32_t id : g.members)
            if (id != 0) {
                ids += (count++ ? "," : "") + std::to_string(id);
            }
        printLine(stdout, g.guid.toString() + "\t" + oneLine(utf8(g.name)) + "\t" +
                              std::to_string(g.creatorId) + "\t" + std::to_string(count) + "\t" + ids);
    }
    finish(0);
}

void CliSession::runGroupCreate() {
    std::vector<uint32_t> ids;
    for (const QString& m : options_.members) {
        const auto id = findColleague(m);
        if (!id) {
            finish(1, QStringLiteral("no colleague \"%1\"").arg(m));
            return;
        }
        ids.push_back(*id);
    }
    const groups::GroupOutcome o =
        core_->groups().CreateGroupFromDialog(protocol::toGbk(options_.text.toStdString()), {}, false, ids);
    if (!o.done || !o.group) {
        finish(1, QString::fromStdString(utf8(o.text)));
        return;
    }
    creating_ = o.group;
    createdMs_ = clock_.nowMs();
}

void CliSession::runGroupLeave() {
    wire::Guid guid;
    if (!wire::Guid::fromString(options_.target.toStdString(), guid) || !core_->groups().FindGroup(guid)) {
        finish(1, QStringLiteral("no group %1").arg(options_.target));
        return;
    }
    conversation::Conversation* c = core_->groups().OpenGroup(guid);
    const groups::GroupOutcome o = c ? core_->groups().LeaveGroup(*c) : groups::GroupOutcome{};
    if (!o.done) {
        finish(1, o.text.empty() ? QStringLiteral("not left") : QString::fromStdString(utf8(o.text)));
        return;
    }
    finish(0, QStringLiteral("left"));
}

std::optional<std::string> CliSession::conversationKey(const QString& target) {
    wire::Guid group;
    if (target.startsWith(QLatin1Char('{')) && wire::Guid::fromString(target.toStdString(), group))
        return history::GroupKey(group);
    if (const auto id = findColleague(target)) return history::OneToOneKey(int32_t(*id));
    finish(1, QStringLiteral("no colleague \"%1\"").arg(target));
    return std::nullopt;
}

void CliSession::runHistory() {
    const auto location = core_->historyLocation();
    const auto key = conversationKey(options_.target);
    if (!key) return;
    const history::HistoryPage page = history::ReadHistoryPage(*location, *key, options_.page);
    if (!page.status.ok()) {
        finish(1, QString::fromStdString("the message store cannot be read: " + page.status.reason));
        return;
    }
    printLine(stdout, "page " + std::to_string(page.page) + "/" + std::to_string(page.pageCount));
    for (const history::HistoryRecord& r : page.records) {
        protocol::ChatMessage m;
        if (!decodeRecord(r, m)) continue;
        std::string text;
        try {
            text = utf8(crypto::DesDecryptText(m.text));
        } catch (const std::exception&) {
            text = "(unreadable)";
        }
        printLine(stdout, timeText(m.sendTime) + "\t" + oneLine(userName(m.senderId)) + "\t" + oneLine(text));
    }
    finish(0);
}

void CliSession::runSearch() {
    std::optional<std::string> key;
    if (!options_.target.isEmpty()) {
        key = conversationKey(options_.target);
        if (!key) return;
    }
    const std::string needle = protocol::toGbk(options_.text.toStdString());
    const history::SearchStats stats = history::SearchHistory(
        *core_->historyLocation(), key ? std::optional<std::string_view>(*key) : std::nullopt, needle,
        [&](const history::SearchHit& hit) {
            protocol::ChatMessage m;
            if (!decodeRecord(hit.record, m)) return true;
            printLine(stdout, hit.key + "\tpage " + std::to_string(hit.page) + "\t" + timeText(m.sendTime) +
                                  "\t" + oneLine(userName(m.senderId)) + "\t" + oneLine(utf8(hit.text)));
            return true;
        });
    if (!stats.status.ok()) {
        finish(1, QString::fromStdString("the message store cannot be read: " + stats.status.reason));
        return;
    }
    finish(0, QStringLiteral("%1 found in %2 records").arg(stats.hits).arg(stats.records));
}

void CliSession::runExport() {
    const auto key = conversationKey(options_.target);
    if (!key) return;
    history::ExportOptions o;
    o.nameOf = [this](int32_t id) {
        const directory::User* u = core_->directory().directory().findUser(uint32_t(id));
        return u ? u->record.name : std::string();
    };
    o.filter = [](std::string_view plain) { return conversation::noticeTextOfPlain(plain); };
    o.title = protocol::toGbk(options_.target.toStdString());
    const auto format = options_.html ? history::ExportFormat::Html : history::ExportFormat::Text;
    history::ExportStats stats;
    if (options_.output.isEmpty()) {
        stats = history::ExportConversation(*core_->historyLocation(), *key, format, std::cout, o);
        std::cout.flush();
    } else {
        std::ofstream out(QFile::encodeName(options_.output).toStdString(),
                          std::ios::binary | std::ios::trunc);
        if (!out) {
            finish(1, QStringLiteral("cannot write %1").arg(options_.output));
            return;
        }
        stats = history::ExportConversation(*core_->historyLocation(), *key, format, out, o);
        out.close();
        if (!out) {
            finish(1, QStringLiteral("cannot write %1").arg(options_.output));
            return;
        }
    }
    if (!stats.status.ok()) {
        finish(1, QString::fromStdString("the message store cannot be read: " + stats.status.reason));
        return;
    }
    finish(0, QStringLiteral("%1 records exported").arg(stats.records));
}

void CliSession::received(conversation::Conversation& c, const std::string& gbkPlain) {
    ++receivedCount_;
    if (options_.command == CliOptions::Command::Listen && !options_.text.isEmpty() &&
        c.kind() == protocol::kOneToOne) {
        // Answered once the delivery has returned, in the conversation the message opened.
        QString answer = options_.text;
        answer.replace(QStringLiteral("%s"), QString::fromStdString(utf8(gbkPlain)));
        const int id = c.id;
        QTimer::singleShot(0, this, [this, id, answer] {
            if (conversation::Conversation* conv = core_->conversations().byId(id)) {
                conv->visible = true;
                core_->chat().send(*conv, protocol::toGbk(answer.toStdString()),
                                   conversation::ChatFont{protocol::toGbk("宋体"), 0, 9});
            }
        });
    }
    // The last answer is acknowledged before we leave (poll).
    if (options_.count > 0 && receivedCount_ >= options_.count) listenDone_ = true;
}

void CliSession::finish(int code, const QString& message) {
    if (finished_) return;
    finished_ = true;
    poll_.stop();
    if (!message.isEmpty() && (code != 0 || options_.verbose))
        printLine(stderr, "vantor-cli: " + terminalText(message.toStdString()));
    // Sign out so that the server sees us leave, then leave on the next turn of the loop.
    if (core_->messenger().ConnectionOpen()) core_->messenger().SignOut(true);
    QTimer::singleShot(0, [code] { QCoreApplication::exit(code); });
}

} // namespace vantor::app

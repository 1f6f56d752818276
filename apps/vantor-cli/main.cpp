// vantor-cli: the client without windows, for scripts, operations and tests.
//   vantor-cli [options] send <colleague|{group}> <text>
//   vantor-cli [options] listen [--answer TEXT] [--count N]
//   vantor-cli [options] history <colleague|{group}> [--page N]
//   vantor-cli [options] search <text> [<colleague|{group}>]
//   vantor-cli [options] export <colleague|{group}> [--html] [--output FILE]
//   vantor-cli [options] send-file [--offline] <colleague> <path>
//   vantor-cli [options] offline-files [<transfer id>] [--fetch <folder> | --refuse]
//   vantor-cli [options] listen --accept-files <folder> [--requests accept|decline]
//   vantor-cli [options] search-users <name> [--department D] [--page N]
//   vantor-cli [options] search-groups <keyword> [--page N]
//   vantor-cli [options] add-contact <colleague> [--group NAME]
//   vantor-cli [options] details <colleague>
//   vantor-cli [options] set-photo <file>
//   vantor-cli [options] listen --accept-files <folder>
//   vantor-cli [options] groups | group-create <name> <colleague>... | group-leave <{group}>
//   vantor-cli [options] notices [--keyword K] [--read] [--fetch FOLDER]
//   vantor-cli [options] notice-post --to <colleague>[,…] [--attach FILE]... <title> <text>
//   vantor-cli [options] attendance [--sign [--yes]] | services
// A colleague is named by user id or display name, a group by its identifier in braces.
#include "cli_session.h"
#include "platform/termination_signals.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

using namespace vantor;

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Signs in and runs one command:\n"
        "  send <colleague|{group}> <text>   send a message; exits once it is acknowledged\n"
        "  listen                            print each incoming message as\n"
        "                                    <sender id or group:{id}> TAB <name> TAB <text>\n"
        "  history <colleague|{group}>       print a page of the stored conversation\n"
        "  search <text> [colleague|{group}] find a text in one stored conversation or in all; prints\n"
        "                                    <conversation> TAB page N TAB <time> TAB <name> TAB <text>\n"
        "  export <colleague|{group}>        write a stored conversation as text (or --html)\n"
        "  send-file <colleague> <path>      send a file directly; prints progress and exits 0 once\n"
        "                                    it arrived (3: declined, 1: failed)\n"
        "  send-file --offline <colleague> <path>  leave the file on the file server for the\n"
        "                                    colleague; exits 0 once it is there and told\n"
        "  offline-files [<transfer id>]     list the offline files left for us: <transfer id> TAB\n"
        "                                    <sender id> TAB <sender> TAB <name> TAB <size> TAB <1: ours\n"
        "                                    alone, 0: a group's>; --fetch FOLDER downloads them\n"
        "                                    (prints file TAB <sender id> TAB <path>), --refuse refuses\n"
        "  search-users <name>               one page of the server's users whose name holds the text\n"
        "                                    (--department, --page); <id> TAB <name> TAB <department>\n"
        "                                    TAB <signature> TAB <status>\n"
        "  search-groups <keyword>           one page of the discussion groups (--page)\n"
        "  add-contact <colleague>           ask to add a colleague (--group: own contact group)\n"
        "  details <colleague>               print the colleague's details, fetch a newer photo\n"
        "  set-photo <file>                  make a picture the own head photo and upload it\n"
        "  (listen --requests accept|decline answers every contact and join request)\n"
        "  groups                            list the discussion groups: {id} TAB name TAB creator\n"
        "                                    TAB member count TAB member ids\n"
        "  group-create <name> <colleague>...  create a group; prints its {id} once the server has it\n"
        "  group-leave <{group}>             leave a group\n"
        "  notices                           list the notices (--keyword): number TAB read|unread TAB\n"
        "                                    sender TAB date TAB title; then the latest one's text and\n"
        "                                    attachments (--read confirms it, --fetch FOLDER saves them)\n"
        "  notice-post <title> <text>        post a notice --to colleagues (ids or names, commas or\n"
        "                                    repeated) with --attach files; prints posted TAB {guid}\n"
        "  attendance                        today's attendance: sign-in TAB sign-out TAB the button\n"
        "                                    (--sign presses it; before the working day's end only\n"
        "                                    with --yes)\n"
        "  services                          the service points: {id} TAB section TAB name TAB text\n"
        "A colleague is a user id or a display name. Host and port given here are kept in the\n"
        "settings, as the desktop client's settings dialog would keep them."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Server address."),
                                  QStringLiteral("address"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Server port."),
                                  QStringLiteral("port"));
    const QCommandLineOption account(QStringLiteral("account"), QStringLiteral("Sign-in account."),
                                     QStringLiteral("name"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password."),
                                      QStringLiteral("text"));
    const QCommandLineOption data(
        QStringLiteral("data"),
        QStringLiteral("Folder standing in for the Documents folder (settings and history)."),
        QStringLiteral("folder"));
    const QCommandLineOption answer(
        QStringLiteral("answer"),
        QStringLiteral("listen: answer each message with this text (%s: the message)."),
        QStringLiteral("text"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("listen: stop after N messages."),
                                   QStringLiteral("N"));
    const QCommandLineOption page(QStringLiteral("page"),
                                  QStringLiteral("history: page number (default: the last)."),
                                  QStringLiteral("N"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Seconds to wait for the sign-in and for an acknowledgement."),
        QStringLiteral("seconds"));
    const QCommandLineOption directWait(
        QStringLiteral("direct-wait"),
        QStringLiteral("send: first wait up to MS for a direct path to the colleague."),
        QStringLiteral("ms"));
    const QCommandLineOption html(QStringLiteral("html"),
                                  QStringLiteral("export: an HTML page instead of text."));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("export: write to FILE."),
                                    QStringLiteral("file"));
    const QCommandLineOption acceptFiles(
        QStringLiteral("accept-files"),
        QStringLiteral("listen: accept offered files into FOLDER; prints file TAB <sender id> TAB <path>."),
        QStringLiteral("folder"));
    const QCommandLineOption department(QStringLiteral("department"),
                                        QStringLiteral("search-users: the department's name holds this."),
                                        QStringLiteral("text"));
    const QCommandLineOption contactGroup(QStringLiteral("group"),
                                          QStringLiteral("add-contact: the own contact group."),
                                          QStringLiteral("name"));
    const QCommandLineOption requests(QStringLiteral("requests"),
                                      QStringLiteral("listen: accept or decline contact and join requests."),
                                      QStringLiteral("accept|decline"));
    const QCommandLineOption offline(QStringLiteral("offline"),
                                     QStringLiteral("send-file: leave the file on the file server."));
    const QCommandLineOption fetch(
        QStringLiteral("fetch"),
        QStringLiteral(
            "offline-files: download into FOLDER; notices: save the latest one's attachments there."),
        QStringLiteral("folder"));
    const QCommandLineOption refuse(QStringLiteral("refuse"), QStringLiteral("offline-files: refuse them."));
    const QCommandLineOption keyword(
        QStringLiteral("keyword"), QStringLiteral("notices: only those holding it."), QStringLiteral("text"));
    const QCommandLineOption readNotice(QStringLiteral("read"),
                                        QStringLiteral("notices: confirm the latest as read."));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("notice-post: recipients."),
                                QStringLiteral("colleagues"));
    const QCommandLineOption attach(QStringLiteral("attach"),
                                    QStringLiteral("notice-post: a file to attach."), QStringLiteral("file"));
    const QCommandLineOption sign(QStringLiteral("sign"),
                                  QStringLiteral("attendance: press the button (\"签 到\" or \"签 退\")."));
    const QCommandLineOption yes(
        QStringLiteral("yes"), QStringLiteral("attendance --sign: also before the end of the working day."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Print what the windows would show."));
    parser.addOptions({host,       port,         account,    password, data,   answer,  count,
                       page,       timeout,      directWait, html,     output, verbose, acceptFiles,
                       department, contactGroup, requests,   offline,  fetch,  refuse,  keyword,
                       readNotice, to,           attach,     sign,     yes});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("send, listen or history"));
    parser.process(app);

    auto usage = [&](const char* why) {
        std::fprintf(stderr, "vantor-cli: %s\n%s", why, qPrintable(parser.helpText()));
        return 2;
    };
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) return usage("no command");
    if (!parser.isSet(account) || !parser.isSet(password))
        return usage("--account and --password are needed");

    app::CliOptions o;
    o.host = parser.value(host);
    o.port = parser.value(port).toInt();
    o.account = parser.value(account);
    o.password = parser.value(password);
    o.dataFolder = parser.value(data);
    o.verbose = parser.isSet(verbose);
    if (parser.isSet(timeout)) o.timeoutSeconds = std::max(1, parser.value(timeout).toInt());
    const QString command = args.front();
    if (command == QLatin1String("send")) {
        if (args.size() != 3) return usage("send needs a colleague and a text");
        o.command = app::CliOptions::Command::Send;
        o.target = args[1];
        o.text = args[2];
        o.directWaitMs = std::max(0, parser.value(directWait).toInt());
    } else if (command == QLatin1String("listen")) {
        if (args.size() != 1) return usage("listen takes no arguments");
        o.command = app::CliOptions::Command::Listen;
        o.text = parser.value(answer);
        o.count = std::max(0, parser.value(count).toInt());
        o.acceptFiles = parser.value(acceptFiles);
        o.people.requests = parser.value(requests);
        if (!o.people.requests.isEmpty() && o.people.requests != QLatin1String("accept") &&
            o.people.requests != QLatin1String("decline"))
            return usage("--requests takes accept or decline");
    } else if (command == QLatin1String("search-users") || command == QLatin1String("search-groups")) {
        if (args.size() != 2) return usage("a search needs one text (\"\" for every one)");
        o.people.command = command == QLatin1String("search-users")
                               ? app::PeopleOptions::Command::SearchUsers
                               : app::PeopleOptions::Command::SearchGroups;
        o.people.text = args[1];
        o.people.department = parser.value(department);
        o.people.page = std::max(1, parser.value(page).toInt());
        o.page = o.people.page;
    } else if (command == QLatin1String("add-contact") || command == QLatin1String("details") ||
               command == QLatin1String("set-photo")) {
        if (args.size() != 2) return usage("the command needs one argument");
        o.people.command = command == QLatin1String("add-contact") ? app::PeopleOptions::Command::AddContact
                           : command == QLatin1String("details")   ? app::PeopleOptions::Command::Details
                                                                   : app::PeopleOptions::Command::SetPhoto;
        o.people.text = args[1];
        o.people.group = parser.value(contactGroup);
    } else if (command == QLatin1String("send-file")) {
        if (args.size() != 3) return usage("send-file needs a colleague and a file");
        o.command = app::CliOptions::Command::SendFile;
        o.target = args[1];
        o.file = args[2];
        if (parser.isSet(offline)) {
            o.offline.command = app::OfflineOptions::Command::SendFile;
            o.offline.target = args[1];
            o.offline.file = args[2];
        }
    } else if (command == QLatin1String("offline-files")) {
        if (args.size() > 2) return usage("offline-files takes at most a transfer id");
        if (parser.isSet(fetch) && parser.isSet(refuse)) return usage("--fetch or --refuse, not both");
        o.offline.command = parser.isSet(fetch)    ? app::OfflineOptions::Command::Fetch
                            : parser.isSet(refuse) ? app::OfflineOptions::Command::Refuse
                                                   : app::OfflineOptions::Command::List;
        o.offline.folder = parser.value(fetch);
        if (args.size() == 2) o.offline.id = args[1];
    } else if (command == QLatin1String("history")) {
        if (args.size() != 2) return usage("history needs a colleague");
        o.command = app::CliOptions::Command::History;
        o.target = args[1];
        o.page = std::max(0, parser.value(page).toInt());
    } else if (command == QLatin1String("search")) {
        if (args.size() < 2 || args.size() > 3 || args[1].isEmpty()) return usage("search needs a text");
        o.command = app::CliOptions::Command::Search;
        o.text = args[1];
        if (args.size() == 3) o.target = args[2];
    } else if (command == QLatin1String("export")) {
        if (args.size() != 2) return usage("export needs a colleague");
        o.command = app::CliOptions::Command::Export;
        o.target = args[1];
        o.html = parser.isSet(html);
        o.output = parser.value(output);
    } else if (command == QLatin1String("groups")) {
        if (args.size() != 1) return usage("groups takes no arguments");
        o.command = app::CliOptions::Command::Groups;
    } else if (command == QLatin1String("group-create")) {
        if (args.size() < 3) return usage("group-create needs a name and at least one colleague");
        o.command = app::CliOptions::Command::GroupCreate;
        o.text = args[1];
        o.members = args.mid(2);
    } else if (command == QLatin1String("group-leave")) {
        if (args.size() != 2) return usage("group-leave needs a group");
        o.command = app::CliOptions::Command::GroupLeave;
        o.target = args[1];
    } else if (command == QLatin1String("notices")) {
        if (args.size() != 1) return usage("notices takes no arguments");
        o.notices.command = app::NoticeOptions::Command::List;
        o.notices.keyword = parser.value(keyword);
        o.notices.read = parser.isSet(readNotice);
        o.notices.fetchFolder = parser.value(fetch);
    } else if (command == QLatin1String("attendance")) {
        if (args.size() != 1) return usage("attendance takes no arguments");
        if (parser.isSet(yes) && !parser.isSet(sign)) return usage("--yes goes with --sign");
        o.services.command = app::ServiceOptions::Command::Attendance;
        o.services.sign = parser.isSet(sign);
        o.services.yes = parser.isSet(yes);
    } else if (command == QLatin1String("services")) {
        if (args.size() != 1) return usage("services takes no arguments");
        o.services.command = app::ServiceOptions::Command::Services;
    } else if (command == QLatin1String("notice-post")) {
        if (args.size() != 3) return usage("notice-post needs a title and a text");
        o.notices.command = app::NoticeOptions::Command::Post;
        o.notices.title = args[1];
        o.notices.text = args[2];
        for (const QString& list : parser.values(to))
            for (const QString& who : list.split(',', Qt::SkipEmptyParts))
                o.notices.to << who.trimmed();
        o.notices.attach = parser.values(attach);
    } else {
        return usage("unknown command");
    }

    app::CliSession session(o);
    platform::onTerminationSignals([&] { session.stop(); });
    session.start();
    return app.exec();
}

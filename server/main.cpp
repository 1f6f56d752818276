// vantor-server: the organisation's server for development, demonstrations, tests and benchmarks.
#include "server/log.h"
#include "server/org_file.h"
#include "server/server.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace vantor::server;

namespace {

int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(gSignalPipe[1], &c, 1);
}

const char kUsage[] = R"(usage: vantor-server [options]
  --bind ADDRESS        address to listen on (default 127.0.0.1)
  --port N              TCP and UDP port of the server (default 8000)
  --file-port N         port of the file server (default 9203)
  --db PATH             the store (default vantor-server.db)
  --files DIR           folder of offline files (default: the store's path + ".files")
  --org FILE            import this organisation (JSON) into the store, replacing the one there
  --import-only         stop after the import
  --minimum-version V   tell clients older than V to update
  --mobile-texts        let clients ask for mobile texts ("同时发送短信"; kept, not sent on)
  --service-desk        show the service desk ("客服中心") to clients
  --attendance          sign colleagues in for work with the messenger (also "attendance" in the
                        organisation file)
  --log-level LEVEL     debug, info, warning, error or off (default info)
  --generate-org USERS DEPARTMENTS
                        write a generated organisation to standard output and stop
  --help                this text
  --version             the version
Log lines go to standard error, one per event; under systemd with the level as journald's priority.
SIGTERM and SIGINT stop it cleanly: clients are told, the store is closed with every held message.
)";

bool number(const char* text, unsigned long max, unsigned long& out) {
    char* end = nullptr;
    out = std::strtoul(text, &end, 10);
    return end && *end == '\0' && end != text && out <= max;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ServerConfig config;
    std::string orgFile;
    bool importOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vantor-server: %s needs a value\n%s", a.c_str(), kUsage);
                std::exit(2);
            }
            return argv[++i];
        };
        unsigned long n = 0, m = 0;
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("vantor-server %s\n", VANTOR_VERSION);
            return 0;
        } else if (a == "--bind") {
            config.bindAddress = value();
        } else if (a == "--port" && number(value(), 65535, n)) {
            config.port = uint16_t(n);
        } else if (a == "--file-port" && number(value(), 65535, n)) {
            config.filePort = uint16_t(n);
        } else if (a == "--db") {
            config.dbPath = value();
        } else if (a == "--files") {
            config.fileFolder = value();
        } else if (a == "--org") {
            orgFile = value();
        } else if (a == "--import-only") {
            importOnly = true;
        } else if (a == "--minimum-version") {
            config.minimumVersion = value();
        } else if (a == "--mobile-texts") {
            config.mobileTexts = true;
        } else if (a == "--service-desk") {
            config.serviceDesk = true;
        } else if (a == "--attendance") {
            config.attendance = true;
        } else if (a == "--log-level") {
            LogLevel level;
            if (!parseLogLevel(value(), level)) {
                std::fprintf(stderr, "vantor-server: unknown log level\n");
                return 2;
            }
            setLogLevel(level);
        } else if (a == "--generate-org" && number(value(), 10000000, n) && number(value(), 1000000, m)) {
            const QByteArray json = generateOrganisationJson(n, m);
            std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
            return 0;
        } else {
            std::fprintf(stderr, "vantor-server: bad argument %s\n%s", a.c_str(), kUsage);
            return 2;
        }
    }

    if (!orgFile.empty()) {
        Organisation org;
        std::string error;
        auto store = Store::open(config.dbPath, &error);
        if (!store || !readOrganisationFile(orgFile, org, &error) ||
            !store->importOrganisation(org, &error)) {
            log(LogLevel::Error, "import of " + orgFile + " failed: " + error);
            return 1;
        }
        log(LogLevel::Info, "imported " + std::to_string(org.colleagues.size()) + " colleagues in " +
                                std::to_string(org.departments.size()) + " departments from " + orgFile);
        if (importOnly) return 0;
    }

    if (::pipe(gSignalPipe) != 0) return 1;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Server server(config);
    std::string error;
    if (!server.start(&error)) {
        log(LogLevel::Error, error);
        return 1;
    }
    QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] const auto n = ::read(gSignalPipe[0], &c, 1);
        log(LogLevel::Info, "signal received");
        server.stop();
        app.quit();
    });
    return app.exec();
}

#include "peer_lab.h"

#include <QThread>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace vantor::peer::testing {

namespace {

std::string capture(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buf[512];
    while (p && fgets(buf, sizeof buf, p.get()))
        out += buf;
    return out;
}

std::string hexByte(uint8_t v) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%02x", v);
    return b;
}

const std::string kServerProgram = std::string(VANTOR_BIN_DIR) + "/vantor-server";

} // namespace

std::string PeerLab::unavailableReason() {
    if (auto why = NetLab::unavailableReason(); !why.empty()) return why;
    if (::access(kServerProgram.c_str(), X_OK) != 0) return "vantor-server is not built";
    return {};
}

PeerLab::PeerLab(NatKind a, NatKind b) : net_(a, b) {
    if (!dir_.isValid()) error_ = "no temporary folder";
}

PeerLab::~PeerLab() {
    for (auto& p : processes_) {
        if (p->state() == QProcess::NotRunning) continue;
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
    processes_.clear();
}

bool PeerLab::startServer(const std::vector<uint8_t>& countedCodes) {
    if (!ok()) return false;
    const std::string server = net_.ns(Host::Server);
    // Counters first: a frame whose 20-byte header starts a segment and whose code follows it.
    std::string rules = "nft add table ip vtcount && "
                        "nft 'add chain ip vtcount in { type filter hook input priority -10 ; }' && "
                        "nft 'add chain ip vtcount out { type filter hook output priority -10 ; }'";
    for (uint8_t code : countedCodes)
        rules += " && nft add rule ip vtcount in tcp dport " + std::to_string(kServerPort) +
                 " @ih,0,32 0xe9030000 @ih,160,8 " + hexByte(code) + " counter" +
                 " && nft add rule ip vtcount out tcp sport " + std::to_string(kServerPort) +
                 " @ih,0,32 0xe9030000 @ih,160,8 " + hexByte(code) + " counter";
    if (net_.sh(Host::Server, rules) != 0) {
        error_ = "could not add the counters";
        return false;
    }
    auto& p = *processes_.emplace_back(std::make_unique<QProcess>());
    p.setStandardErrorFile(dir_.filePath("server.log"));
    const auto argv = net_.wrap(Host::Server, {kServerProgram, "--bind", NetLab::kServerAddress, "--port",
                                               std::to_string(kServerPort), "--file-port", "0", "--db",
                                               dir_.filePath("server.db").toStdString(), "--org",
                                               std::string(VANTOR_SOURCE_DIR) + "/data/org/sample-org.json"});
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i)
        args << QString::fromStdString(argv[i]);
    p.start(QString::fromStdString(argv[0]), args);
    if (!p.waitForStarted(5000)) {
        error_ = "vantor-server did not start";
        return false;
    }
    const std::string listening = "ss -ltn | grep -q '" + std::string(NetLab::kServerAddress) + ":" +
                                  std::to_string(kServerPort) + " '";
    for (int i = 0; i < 200; ++i) {
        if (net_.sh(Host::Server, listening) == 0) return true;
        if (p.state() == QProcess::NotRunning) break;
        QThread::msleep(50);
    }
    error_ = "vantor-server does not listen: " + serverLog();
    return false;
}

QProcess& PeerLab::spawn(Host host, const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    argv = net_.wrap(host, argv);
    auto& p = *processes_.emplace_back(std::make_unique<QProcess>());
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardErrorFile(dir_.filePath(QString("node%1.log").arg(processes_.size())));
    QStringList list;
    for (size_t i = 1; i < argv.size(); ++i)
        list << QString::fromStdString(argv[i]);
    p.start(QString::fromStdString(argv[0]), list);
    p.waitForStarted(5000);
    return p;
}

std::string PeerLab::finish(QProcess& p, int ms) {
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(3000);
    }
    return p.readAllStandardOutput().toStdString();
}

uint64_t PeerLab::counter(const std::string& chain, uint8_t code) {
    const std::string out =
        capture("ip netns exec " + net_.ns(Host::Server) + " nft list chain ip vtcount " + chain);
    // Each rule line ends with "… 0x<code> counter packets N bytes M".
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%x ", code);
    size_t at = out.find(hex);
    if (at == std::string::npos) return 0;
    at = out.find("packets ", at);
    if (at == std::string::npos) return 0;
    return std::strtoull(out.c_str() + at + 8, nullptr, 10);
}

uint64_t PeerLab::framesIn(uint8_t code) {
    return counter("in", code);
}

uint64_t PeerLab::framesOut(uint8_t code) {
    return counter("out", code);
}

std::string PeerLab::serverLog() const {
    FILE* f = std::fopen(dir_.filePath("server.log").toStdString().c_str(), "r");
    if (!f) return {};
    std::string s;
    char buf[512];
    while (fgets(buf, sizeof buf, f))
        s += buf;
    std::fclose(f);
    return s;
}

long resultValue(const std::string& output, const std::string& key) {
    const auto line = output.rfind("RESULT ");
    if (line == std::string::npos) return -1;
    const auto at = output.find(" " + key + "=", line);
    if (at == std::string::npos) return -1;
    return std::strtol(output.c_str() + at + key.size() + 2, nullptr, 10);
}

} // namespace vantor::peer::testing

// agent: hands its one argument to the running client and waits until the client has handled it;
// when no client runs, starts the client from agent's own folder with the argument. It reports
// nothing and always ends with exit code 0.
//
// The hand-over (the client's side is platform/hand_over.h): a local socket named
// "kezique-handover" in the user's runtime folder, private to the user. agent writes the argument's
// bytes followed by one NUL; the client answers one byte once it has handled the text.
#include <QCoreApplication>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kConnectWaitMs = 2000;
constexpr int kAnswerWaitMs = 30000;

bool handOver(const QByteArray& argument) {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
                         QStringLiteral("/kezique-handover");
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kConnectWaitMs)) return false;
    QByteArray block = argument;
    block.append('\0');
    socket.write(block);
    socket.flush();
    // Returns once the client has answered (or has gone away).
    if (socket.bytesAvailable() == 0) socket.waitForReadyRead(kAnswerWaitMs);
    socket.abort();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // The one argument that is not handed over.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("agent %s\n", VANTOR_VERSION);
        return 0;
    }
    QCoreApplication app(argc, argv);
    const bool hasArgument = argc > 1;
    const QByteArray argument = hasArgument ? QByteArray(argv[1]) : QByteArray();
    if (handOver(argument)) return 0;

    // No client: start ours, the argument passed as one argument, never through a shell.
    QStringList arguments;
    if (hasArgument) arguments << QString::fromLocal8Bit(argument);
    QProcess::startDetached(QCoreApplication::applicationDirPath() + QStringLiteral("/vantor"), arguments);
    return 0;
}

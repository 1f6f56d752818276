#include "xvfb.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantor::testing {

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool Xvfb::start(int waitMs) {
    int fds[2];
    if (::pipe(fds) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    pid_ = pid;
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, waitMs) > 0) {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        error_ = "Xvfb told no display number (is it installed?)";
        return false;
    }
    display_ = ":" + number;
    return true;
}

} // namespace vantor::testing

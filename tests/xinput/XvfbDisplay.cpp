#include "tests/xinput/XvfbDisplay.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

std::string FindOnPath(const std::string &program) {
    const char *path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

XvfbDisplay::XvfbDisplay() {
    const std::string xvfb = FindOnPath("Xvfb");
    if (xvfb.empty()) {
        problem_ = "Xvfb is not installed (Debian package xvfb)";
        return;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        problem_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    // Xvfb chooses a free display itself and writes its number to the pipe
    // once it takes connections.
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {xvfb,           "-displayfd", fd,    "-screen", "0",
                                     "1280x1024x24", "-nolisten",  "tcp", "-noreset"};
    const pid_t pid = fork();
    if (pid < 0) {
        problem_ = std::string("fork: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid == 0) {
        close(fds[0]);
        // Its chatter about missing fonts and keymaps is not the test's.
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    pid_ = pid;
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    // Generous: on a busy machine the server may take a few seconds.
    while (number.find('\n') == std::string::npos && poll(&wait, 1, 20000) > 0) {
        char buffer[32];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        number.append(buffer, size_t(got));
    }
    close(fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
        problem_ = "Xvfb did not start";
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    name_ = ":" + number.substr(0, number.find('\n'));
}

XvfbDisplay::~XvfbDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

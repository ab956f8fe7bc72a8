#include "tests/support/AsUserNobody.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr uid_t kNobody = 65534;
}

std::string SaidAsUserNobody(const std::function<std::string()> &say) {
    int ends[2];
    if (pipe(ends) != 0) return "<no pipe>";
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
        const std::string said = say();
        const ssize_t written = write(ends[1], said.data(), said.size());
        _exit(written == static_cast<ssize_t>(said.size()) ? 0 : 3);
    }
    close(ends[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) said.append(buffer, size_t(n));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<child failed>";
    return said;
}

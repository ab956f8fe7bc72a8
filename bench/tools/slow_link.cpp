// slow_link: the benchmarks' slow link as a program of its own, to put the
// window or batchdel-restore behind a link with a latency:
//   slow_link DELAY_MS TARGET_HOST TARGET_PORT
// prints the port it listens on (127.0.0.1) and relays every connection to
// the target, holding every piece of data DELAY_MS in each direction, until
// it is stopped (Ctrl-C). A connection file then names
//   Database=127.0.0.1/<that port>:/path/to/database.fdb
// SIGUSR1 cuts the link (as a network going down) and SIGUSR2 restores it.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "tools/SlowLink.h"

using namespace batchdel;

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s DELAY_MS TARGET_HOST TARGET_PORT\n", argv[0]);
        return 2;
    }
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGUSR1);
    sigaddset(&stop, SIGUSR2);
    // The relay's threads leave the signals to the wait below.
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    try {
        SlowLink link(argv[2], std::atoi(argv[3]), std::chrono::milliseconds(std::atoi(argv[1])));
        std::printf("%d\n", link.Port());
        std::fflush(stdout);
        for (int signal = 0; sigwait(&stop, &signal) == 0;) {
            if (signal == SIGUSR1)
                link.Cut();
            else if (signal == SIGUSR2)
                link.Restore();
            else
                break;
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "slow_link: %s\n", e.what());
        return 1;
    }
    return 0;
}

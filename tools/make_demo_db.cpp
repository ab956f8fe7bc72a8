// make_demo_db <path> <orders>: creates the demo database with that many
// orders and tells how long it took.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "tools/DemoDatabase.h"

using namespace batchdel;

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <database file> <orders>\n", argv[0]);
        return 2;
    }
    const int orders = std::atoi(argv[2]);
    if (orders < 0) {
        std::fprintf(stderr, "orders must not be negative\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        CreateDemoDatabase(argv[1], orders);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %d orders in %.1f s (%.0f orders/s)\n", argv[1], orders, seconds,
                seconds > 0 ? orders / seconds : 0.0);
    return 0;
}

#include "bench/common/BenchSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace batchdel {

double Seconds(const std::function<void()> &work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteBenchConfig(const std::string &folder, const std::string &database, const std::string &user,
                      const std::string &password) {
    std::ofstream(folder + "connections.ini", std::ios::binary | std::ios::trunc)
        << "[Trelvo]\nDriverName=Interbase\nDatabase=" << database << "\nUser_Name=" << user
        << "\nPassword=" << password << "\nServerCharSet=UTF8\nSQLDialect=3\n";
    std::ofstream(folder + "drivers.ini", std::ios::binary | std::ios::trunc)
        << "[Interbase]\nLibraryName=libibdriver.so\nVendorLib=libfbclient.so.2\nGetDriverFunc=getIBDriver\n";
}

BenchWindow::BenchWindow(const std::string &folder)
    : data(OrderDataSetup{folder + "connections.ini", folder + "drivers.ini"}), folder_(folder) {}

std::tm BenchWindow::LocalNow() const {
    // 2025-01-01 00:00:00 and a second more each time: backup names differ.
    std::tm t{};
    t.tm_year = 125;
    t.tm_mday = 1;
    const int s = seconds_++;
    t.tm_sec = s % 60;
    t.tm_min = (s / 60) % 60;
    t.tm_hour = s / 3600 % 24;
    return t;
}

void BenchWindow::ShowNotice(const std::string &text) { std::fprintf(stderr, "notice: %s\n", text.c_str()); }

void BenchWindow::SetDates(const std::string &from, const std::string &to) {
    boxes[static_cast<int>(FilterBox::DateFrom)] = from;
    boxes[static_cast<int>(FilterBox::DateTo)] = to;
}

void Row(const std::string &what, const std::string &program, const std::string &baseline, const std::string &ratio) {
    std::printf("%-46s %-26s %-12s %s\n", what.c_str(), program.c_str(), baseline.c_str(), ratio.c_str());
}

std::string Fixed(double value, const char *unit) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f%s", value, unit);
    return text;
}

std::optional<BenchServer> TestServerFromEnvironment(const char *bench) {
    const auto env = [](const char *name) -> std::string {
        const char *value = std::getenv(name);
        return value ? value : "";
    };
    BenchServer server{env("BATCHDEL_TEST_SERVER"), "", 0, env("BATCHDEL_TEST_SERVER_PASSWORD"),
                       env("BATCHDEL_TEST_SERVER_DIR")};
    if (server.address.empty() || server.password.empty() || server.folder.empty()) {
        std::printf("%s: no test server (start one with scripts/firebird-server start)\n", bench);
        return std::nullopt;
    }
    server.host = server.address.substr(0, server.address.find('/'));
    server.port = std::stoi(server.address.substr(server.address.find('/') + 1));
    return server;
}

}  // namespace batchdel

#include "tests/support/PrivateServer.h"

#include <cstdio>

std::string RunShell(const std::string &command, int *status) {
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        *status = -1;
        return output;
    }
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    *status = pclose(pipe);
    return output;
}

PrivateServer::PrivateServer(const std::string &root, int port, const std::vector<std::string> &settings)
    : root_(root),
      port_(port),
      command_("BATCHDEL_FB_ROOT=" + root + " BATCHDEL_FB_PORT=" + std::to_string(port) + " " + BATCHDEL_SOURCE_DIR +
               "/scripts/firebird-server") {
    int status = 0;
    std::string start = command_ + " start";
    for (const std::string &setting : settings) start += " '" + setting + "'";
    output_ = RunShell(start + " 2>&1", &status);
    started_ = status == 0;
}

PrivateServer::~PrivateServer() { Stop(); }

void PrivateServer::Stop() {
    int ignored = 0;
    RunShell(command_ + " stop", &ignored);
}

bool PrivateServer::StartAgain() {
    // The port the first start found free, which may not be the one asked for.
    const std::string address = Address();
    const std::string port = address.empty() ? std::to_string(port_) : address.substr(address.find('/') + 1);
    int code = 0;
    RunShell("bash -c 'cd " + root_ + "; FIREBIRD=" + root_ + " FIREBIRD_LOCK=" + root_ +
                 "/lock setsid /usr/sbin/firebird </dev/null >server.log 2>&1 & echo $! >" + root_ +
                 "/pid; for i in $(seq 1 100); do (exec 3<>/dev/tcp/127.0.0.1/" + port +
                 ") 2>/dev/null && exit 0; sleep 0.1; done; exit 1'",
             &code);
    return code == 0;
}

std::string PrivateServer::Exported(const std::string &name) const {
    const std::string key = "export " + name + "=";
    const auto at = output_.find(key);
    if (at == std::string::npos) return {};
    const auto start = at + key.size();
    return output_.substr(start, output_.find('\n', start) - start);
}

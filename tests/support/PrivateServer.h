#pragma once
// A Firebird server of the test's own on 127.0.0.1, for the tests that stop
// it while work runs or that need it set up otherwise: scripts/firebird-server
// with a root folder and a port of its own, so the shared test server stays
// up. Stopped when the object goes.
#include <string>
#include <vector>

class PrivateServer {
public:
    // settings: lines of its firebird.conf that differ ("WireCrypt=Disabled").
    PrivateServer(const std::string &root, int port, const std::vector<std::string> &settings = {});
    ~PrivateServer();
    PrivateServer(const PrivateServer &) = delete;
    PrivateServer &operator=(const PrivateServer &) = delete;

    // Whether it started; if not, what the script said.
    bool Started() const { return started_; }
    const std::string &StartOutput() const { return output_; }

    std::string Address() const { return Exported("BATCHDEL_TEST_SERVER"); }  // "127.0.0.1/port"
    std::string Password() const { return Exported("BATCHDEL_TEST_SERVER_PASSWORD"); }
    std::string Dir() const { return Exported("BATCHDEL_TEST_SERVER_DIR"); }
    // The connect string of a database file of that name in its folder.
    std::string Database(const std::string &name) const { return Address() + ":" + Dir() + "/" + name; }

    // Stops the server now.
    void Stop();
    // Starts the stopped server again as it was (folder, port, password), as
    // a server restarted by its administrator comes back; false if it does
    // not answer within ten seconds.
    bool StartAgain();

private:
    std::string Exported(const std::string &name) const;

    std::string root_;
    int port_;
    std::string command_;  // the script with the server's root and port
    std::string output_;   // the export lines the start printed
    bool started_ = false;
};

// Runs a command through the shell; its standard output, and its status.
std::string RunShell(const std::string &command, int *status);

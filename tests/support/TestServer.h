#pragma once
// The Firebird server that scripts/test starts on 127.0.0.1 for the tests of
// the network path. Its address, SYSDBA password and the folder it may write
// databases into come from the environment:
//   BATCHDEL_TEST_SERVER           host/port, e.g. 127.0.0.1/3051
//   BATCHDEL_TEST_SERVER_PASSWORD  SYSDBA's password on that server
//   BATCHDEL_TEST_SERVER_DIR       folder for the tests' databases
// A plain ctest run has none of them; tests that need the server then skip.
#include <string>

#include "tools/FirebirdDirect.h"

bool TestServerAvailable();
std::string TestServerAddress();  // "127.0.0.1/3051"
std::string TestServerPassword();
std::string TestServerDir();
batchdel::DbLogin TestServerLogin();
// The connect string for a database file of that name in the server's folder.
std::string TestServerDatabase(const std::string &name);
// Whether a database name goes through the network ("host:path", "host/port:path").
bool IsRemoteDatabase(const std::string &database);
// The login that opens a database: the server's SYSDBA for a remote one.
batchdel::DbLogin LoginFor(const std::string &database);

// Ends the running test as skipped when no test server is around.
#define BATCHDEL_REQUIRE_TEST_SERVER()                                                        \
    do {                                                                                      \
        if (!TestServerAvailable())                                                           \
            GTEST_SKIP() << "no test server: run scripts/test, or set BATCHDEL_TEST_SERVER, " \
                            "BATCHDEL_TEST_SERVER_PASSWORD and BATCHDEL_TEST_SERVER_DIR "     \
                            "(scripts/firebird-server env)";                                  \
    } while (0)

// A database file in the test server's folder with a name of its own, removed
// when the object goes.
class ServerDatabase {
public:
    explicit ServerDatabase(const std::string &stem);
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;

    const std::string &connectString() const { return connect_; }
    const std::string &file() const { return file_; }

private:
    std::string file_;
    std::string connect_;
};

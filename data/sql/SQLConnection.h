#pragma once
// The database connection: reads the named connection from the connection
// file and the driver from the driver file, loads the driver library, and
// hands out driver commands to the query components. Statuses of the driver
// become EDatabaseError failures by one status rule (CheckStatus).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/dataset/Component.h"
#include "data/sql/SqlDriver.h"

class TSQLConnection;

// Something that runs statements on a connection (a query component). The
// connection closes its clients before it disconnects and tells them when
// it connected or disconnected.
class SQLConnectionClient {
public:
    virtual ~SQLConnectionClient() = default;
    virtual void ConnectionClosing() = 0;  // close and free the driver command
    virtual void ConnectionOpened() {}
    // Whether the client holds an open result; with KeepConnection off the
    // connection closes once no client does.
    virtual bool ClientActive() const { return false; }
    // The connection object is being destroyed (after ConnectionClosing):
    // forget it, so a client that outlives it never calls into it.
    virtual void ConnectionDestroyed() {}
};

// A driver command handed out by the connection; destroying it frees the
// command and gives it back (closing the clone connection made for it).
class SQLCommandLease {
public:
    SQLCommandLease() = default;
    SQLCommandLease(SQLCommandLease &&other) noexcept;
    SQLCommandLease &operator=(SQLCommandLease &&other) noexcept;
    ~SQLCommandLease();
    ISQLCommand *get() const { return command_; }
    ISQLCommand *operator->() const { return command_; }
    explicit operator bool() const { return command_ != nullptr; }
    void reset();
    // The connection the command runs on (the clone when one was made).
    TSQLConnection *connection() const { return connection_; }

private:
    friend class TSQLConnection;
    ISQLCommand *command_ = nullptr;
    TSQLConnection *owner_ = nullptr;       // counts the command
    TSQLConnection *connection_ = nullptr;  // runs it
    std::unique_ptr<TSQLConnection> clone_;
};

class TSQLConnection : public TComponent {
public:
    explicit TSQLConnection(std::string name = {});
    ~TSQLConnection() override;

    // Properties as the window declares them.
    std::string ConnectionName;
    std::string DriverName;
    std::string GetDriverFunc;
    std::string LibraryName;
    std::string VendorLib;
    bool LoadParamsOnConnect = false;
    bool LoginPrompt = true;
    bool KeepConnection = true;
    bool SQLHourGlass = true;
    std::vector<std::string> Params;  // "key=value" lines

    // The connection file is located when the object is made, the driver file
    // afresh at each connect (user settings, else beside the program). Setting
    // a path here overrides the lookup; an empty driver path restores it.
    const std::string &ConnectionFile() const;
    void SetConnectionFile(std::string path);
    std::string DriverFile() const;
    void SetDriverFile(std::string path);

    // While the window is being built, setting Connected only records the
    // wish; EndLoading carries it out.
    void BeginLoading();
    void EndLoading();
    void SetConnected(bool connected);
    bool Connected() const;
    // How many times this object has connected: a caller that notes it
    // before some work can tell a connection made and then lost from one
    // that could not be made at all.
    uint64_t ConnectCount() const;
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    // A parameter's value: key without regard to case, the first line wins,
    // "" when absent.
    std::string ParamValue(const std::string &key) const;

    // Opens the connection if it is closed, then hands out a command.
    SQLCommandLease AcquireCommand();
    int CommandsInUse() const;
    // A data set tells the connection it closed; with KeepConnection off the
    // connection closes when no client is active any more.
    void DataSetClosed();
    ISQLMetaData *MetaData() const;  // while connected

    // Raises the failure for a non-zero status; source is the object that
    // returned it (its own text is used for 255 and above). A failure that
    // says the connection to the server is lost also drops the connection:
    // the next statement connects again with the same parameters.
    void CheckStatus(SQLStatus status, ISQLErrorSource *source);
    const std::string &LastErrorText() const;

    // An explicit transaction, for statements that must take effect together.
    void StartTransaction();
    // An explicit transaction that only reads, all of it from one snapshot
    // of the database taken when it starts; ended by Commit or Rollback.
    void StartReadOnlySnapshot();
    void Commit();
    void Rollback();
    bool InTransaction() const;

    void RegisterClient(SQLConnectionClient *client);
    void UnregisterClient(SQLConnectionClient *client);

    // The busy pointer while connecting (set by the application).
    static void SetBusyCursorHook(std::function<void(bool busy)> hook);

    struct Impl;

protected:
    // The driver's limit of statements active at once on one connection (0:
    // no limit), read once after connecting. A subclass may impose its own.
    virtual int64_t ReadStatementLimit(ISQLConnection *connection);

private:
    friend class SQLCommandLease;
    void DoConnect();
    void DoDisconnect();
    void DropLostConnection();
    std::unique_ptr<Impl> d_;
};

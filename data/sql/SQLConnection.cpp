#include "data/sql/SQLConnection.h"

#include <algorithm>
#include <fstream>
#include <utility>

#include "data/dataset/Errors.h"
#include "data/sql/ConfigLocation.h"
#include "data/sql/DriverLibrary.h"
#include "data/sql/IniFile.h"
#include "data/sql/ParamList.h"
#include "data/sql/StatusText.h"

namespace {
enum class State { Closed, Connecting, Open, Disconnecting };

std::function<void(bool)> &BusyHook() {
    static std::function<void(bool)> hook;
    return hook;
}

// Shows the busy pointer for the life of a connect attempt, whatever way it ends.
class BusyPointer {
public:
    explicit BusyPointer(bool wanted) : on_(wanted && BusyHook()) {
        if (on_) BusyHook()(true);
    }
    ~BusyPointer() {
        if (on_) BusyHook()(false);
    }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    bool on_;
};
}  // namespace

struct TSQLConnection::Impl {
    State state = State::Closed;
    bool loading = false;
    bool connectWanted = false;  // Connected set while loading
    bool paramsLoaded = false;

    std::string connectionFile;
    std::string driverFileOverride;

    DriverLibrary library;
    std::unique_ptr<ISQLDriver> driver;
    std::unique_ptr<ISQLConnection> connection;
    std::unique_ptr<ISQLMetaData> metaData;

    int64_t statementLimit = 0;
    int commandsInUse = 0;
    std::vector<SQLCommandLease *> leases;
    std::vector<SQLConnectionClient *> clients;
    bool inTransaction = false;
    uint64_t connects = 0;

    std::string lastError;

    // What the connect read besides the parameters (kept for callers that ask).
    std::string quoteChar;
    int64_t supportsTransaction = 0;
    int64_t multipleTransaction = 0;

    void DropDriverObjects() {
        metaData.reset();
        connection.reset();
        driver.reset();
    }
};

TSQLConnection::TSQLConnection(std::string name) : TComponent(std::move(name)), d_(new Impl) {
    // A failing settings read leaves the path empty; the connect then reports
    // the file as not found.
    try {
        d_->connectionFile = ConnectionFilePath();
    } catch (...) {
        d_->connectionFile.clear();
    }
}

TSQLConnection::~TSQLConnection() {
    try {
        DoDisconnect();
    } catch (...) {
        // The window is going away; nothing is left to report to.
    }
    for (SQLConnectionClient *client : std::vector<SQLConnectionClient *>(d_->clients)) client->ConnectionDestroyed();
}

const std::string &TSQLConnection::ConnectionFile() const { return d_->connectionFile; }
void TSQLConnection::SetConnectionFile(std::string path) { d_->connectionFile = std::move(path); }
std::string TSQLConnection::DriverFile() const {
    return d_->driverFileOverride.empty() ? DriverFilePath() : d_->driverFileOverride;
}
void TSQLConnection::SetDriverFile(std::string path) { d_->driverFileOverride = std::move(path); }

void TSQLConnection::BeginLoading() { d_->loading = true; }

void TSQLConnection::EndLoading() {
    d_->loading = false;
    if (d_->connectWanted) {
        d_->connectWanted = false;
        SetConnected(true);
    }
}

void TSQLConnection::SetConnected(bool connected) {
    if (d_->loading) {
        d_->connectWanted = connected;
        return;
    }
    if (connected == Connected()) return;
    if (connected)
        DoConnect();
    else
        DoDisconnect();
}

bool TSQLConnection::Connected() const { return d_->connection && d_->state == State::Open; }
uint64_t TSQLConnection::ConnectCount() const { return d_->connects; }

std::string TSQLConnection::ParamValue(const std::string &key) const { return ParamValueOf(Params, key); }

void TSQLConnection::DoConnect() {
    Impl &d = *d_;
    if (LoadParamsOnConnect) {
        if (ConnectionName.empty()) throw EDatabaseError("Connection name missing");
        if (!d.paramsLoaded) {
            if (d.connectionFile.empty() || !std::ifstream(d.connectionFile).good())
                throw EDatabaseError("Driver/Connection Registry File '" + d.connectionFile + "' not found");
            Params = IniFile::Load(d.connectionFile).Section(ConnectionName);
            d.paramsLoaded = true;
        }
        DriverName = ParamValue("DriverName");
        if (DriverName.empty()) throw EDatabaseError("Missing DriverName property");
        const IniFile drivers = IniFile::Load(DriverFile());
        LibraryName = drivers.Value(DriverName, "LibraryName");
        VendorLib = TrimBlanks(drivers.Value(DriverName, "VendorLib"));
        GetDriverFunc = drivers.Value(DriverName, "GetDriverFunc");
    } else if (DriverName.empty()) {
        throw EDatabaseError("Missing DriverName property");
    }
    if (TrimBlanks(LibraryName).empty() || TrimBlanks(VendorLib).empty())
        throw EDatabaseError(Prefixed("DLL/Shared Library Name not Set"));
    if (ParamValue("Database").empty()) throw EDatabaseError("Missing Database property");

    d.state = State::Connecting;
    BusyPointer busy(SQLHourGlass);
    bool attached = false;
    try {
        const std::string libraryName = TrimBlanks(LibraryName);
        if (!d.library.IsLoaded() || d.library.FileName() != libraryName) d.library = DriverLibrary::Load(libraryName);
        ::GetDriverFunc entry = d.library.EntryPoint(TrimBlanks(GetDriverFunc));
        ISQLDriver *driver = nullptr;
        const std::string vendor = TrimBlanks(VendorLib);
        const std::string errorFile = TrimBlanks(ParamValue("ErrorResourceFile"));
        SQLStatus status = entry(vendor.c_str(), errorFile.c_str(), &driver);
        d.driver.reset(driver);
        if (status != SQLStatus::Success || !driver) throw EDatabaseError("Unable to Load " + vendor);

        ISQLConnection *connection = nullptr;
        status = d.driver->getSQLConnection(&connection);
        d.connection.reset(connection);
        CheckStatus(status, d.driver.get());
        if (!connection) CheckStatus(SQLStatus::ServerError, d.driver.get());

        // Login values: taken only when the key is there; no dialog is shown.
        std::string user, password, database;
        if (HasParam(Params, "PASSWORD")) password = ParamValue("PASSWORD");
        if (HasParam(Params, "USER_NAME")) user = ParamValue("USER_NAME");
        if (HasParam(Params, "Database")) database = TrimBlanks(ParamValue("Database"));

        // Options go to the driver before it connects; their statuses tell
        // nothing the connect itself would not.
        auto text = [&](const char *key, ConnOption option) {
            std::string v = TrimBlanks(ParamValue(key));
            if (!v.empty()) connection->setOption(option, v);
        };
        auto yesNo = [&](const std::string &key, ConnOption option) {
            std::string v = ParamValue(key);
            if (!v.empty()) connection->setOption(option, int64_t(ParamIsYes(v) ? 1 : 0));
        };
        auto integer = [&](const char *key, ConnOption option) {
            std::string v = ParamValue(key);
            if (!v.empty()) connection->setOption(option, int64_t(StrToInt(TrimBlanks(v))));
        };
        text("HostName", ConnOption::HostName);
        text("RoleName", ConnOption::RoleName);
        yesNo("WaitOnLocks", ConnOption::WaitOnLocks);
        yesNo("CommitRetain", ConnOption::CommitRetain);
        yesNo("AutoCommit", ConnOption::AutoCommit);
        yesNo("BlockingMode", ConnOption::BlockingMode);
        text("ServerCharSet", ConnOption::ServerCharSet);
        {
            std::string v = ParamValue(DriverName + " TransIsolation");
            if (!v.empty()) connection->setOption(ConnOption::TransIsolation, int64_t(TransIsolationLevel(v)));
        }
        integer("SqlDialect", ConnOption::SqlDialect);
        yesNo("OS Authentication", ConnOption::OSAuthentication);
        text("Server Port", ConnOption::ServerPort);
        yesNo("Multiple Transaction", ConnOption::MultipleTransaction);
        yesNo("Trim Char", ConnOption::TrimChar);
        text("Custom String", ConnOption::CustomString);
        integer("Connection Timeout", ConnOption::ConnectionTimeout);
        text("WireCrypt", ConnOption::WireCrypt);
        text("AuthClient", ConnOption::AuthClient);

        CheckStatus(connection->connect(database, user, password), connection);
        attached = true;

        d.statementLimit = std::max<int64_t>(0, ReadStatementLimit(connection));
        ISQLMetaData *metaData = nullptr;
        status = connection->getSQLMetaData(&metaData);
        d.metaData.reset(metaData);
        CheckStatus(status, connection);
        if (metaData) {
            const std::string schema = TrimBlanks(user);
            if (!schema.empty()) metaData->setOption(ConnOption::SchemaName, schema);
            d.quoteChar.clear();
            metaData->getOption(ConnOption::ObjectQuoteChar, &d.quoteChar);
            metaData->getOption(ConnOption::SupportsTransaction, &d.supportsTransaction);
            metaData->getOption(ConnOption::MultipleTransaction, &d.multipleTransaction);
        }
        const std::string blobSize = ParamValue("BlobSize");
        connection->setOption(ConnOption::BlobSize, int64_t(blobSize.empty() ? -1 : StrToInt(TrimBlanks(blobSize))));
    } catch (...) {
        if (attached && d.connection) d.connection->disconnect();
        d.DropDriverObjects();
        d.state = State::Closed;
        throw;
    }
    d.state = State::Open;
    d.inTransaction = false;
    ++d.connects;
    for (SQLConnectionClient *client : std::vector<SQLConnectionClient *>(d.clients)) client->ConnectionOpened();
}

int64_t TSQLConnection::ReadStatementLimit(ISQLConnection *connection) {
    int64_t limit = 0;
    // A driver that cannot tell has no limit.
    if (connection->getOption(ConnOption::MaxActiveStatements, &limit) != SQLStatus::Success) return 0;
    return limit;
}

void TSQLConnection::DoDisconnect() {
    Impl &d = *d_;
    if (d.state == State::Closed && !d.connection) {
        d.paramsLoaded = false;
        return;
    }
    for (SQLConnectionClient *client : std::vector<SQLConnectionClient *>(d.clients)) client->ConnectionClosing();
    d.state = State::Disconnecting;
    // Commands still handed out would outlive their connection object.
    for (SQLCommandLease *lease : std::vector<SQLCommandLease *>(d.leases)) lease->reset();
    d.metaData.reset();
    if (d.connection) {
        // Work of an unfinished transaction is never committed by a disconnect.
        if (d.inTransaction) d.connection->rollback();
        d.connection->disconnect();
    }
    d.inTransaction = false;
    d.DropDriverObjects();
    d.state = State::Closed;
    d.paramsLoaded = false;
}

SQLCommandLease TSQLConnection::AcquireCommand() {
    if (!Connected()) Open();
    Impl &d = *d_;
    SQLCommandLease lease;
    TSQLConnection *runner = this;
    if (d.statementLimit > 0 && d.commandsInUse >= d.statementLimit) {
        // A clone outside the open transaction would commit on its own what
        // the caller means to commit or roll back together.
        if (d.inTransaction) throw EDatabaseError(Prefixed("Too many active statements in a transaction"));
        auto clone = std::make_unique<TSQLConnection>(Name() + "Clone1");
        clone->DriverName = DriverName;
        clone->LibraryName = LibraryName;
        clone->VendorLib = VendorLib;
        clone->GetDriverFunc = GetDriverFunc;
        clone->Params = Params;
        clone->LoadParamsOnConnect = false;
        clone->LoginPrompt = false;
        clone->SQLHourGlass = SQLHourGlass;
        clone->Open();
        lease.clone_ = std::move(clone);
        runner = lease.clone_.get();
    }
    ISQLCommand *command = nullptr;
    SQLStatus status = runner->d_->connection->getSQLCommand(&command);
    if (status != SQLStatus::Success) {
        delete command;
        CheckStatus(status, runner->d_->connection.get());
    }
    lease.command_ = command;
    lease.owner_ = this;
    lease.connection_ = runner;
    if (command) {
        ++d.commandsInUse;
        d.leases.push_back(&lease);
    } else {
        lease.owner_ = nullptr;
    }
    return lease;  // the move constructor re-registers the returned object
}

int TSQLConnection::CommandsInUse() const { return d_->commandsInUse; }

void TSQLConnection::DataSetClosed() {
    // An open transaction keeps the connection: closing it would end the
    // transaction's work unseen.
    if (KeepConnection || !Connected() || d_->inTransaction) return;
    for (SQLConnectionClient *client : d_->clients)
        if (client->ClientActive()) return;
    Close();
}

ISQLMetaData *TSQLConnection::MetaData() const { return Connected() ? d_->metaData.get() : nullptr; }

void TSQLConnection::CheckStatus(SQLStatus status, ISQLErrorSource *source) {
    if (status == SQLStatus::Success) return;
    std::string message;
    int32_t serverCode = 0;
    if (!HasOwnText(status)) {
        message = DriverStatusText(status);
    } else {
        uint16_t length = 0;
        bool asked = source && source->getErrorMessageLen(&length) == SQLStatus::Success;
        if (asked && length > 0) asked = source->getErrorMessage(&message) == SQLStatus::Success;
        if (!asked)
            message = d_->lastError.empty() ? kErrorMappingFailed : d_->lastError;
        else if (length == 0 || message.empty())
            message = kErrorMappingFailed;
        if (source) serverCode = source->getServerErrorCode();
    }
    d_->lastError = message;
    if (FailureKindOf(serverCode) == FailureKind::ConnectionLost) DropLostConnection();
    throw EDatabaseError(message, serverCode);
}

void TSQLConnection::DropLostConnection() {
    // Only an open connection is dropped; a failed connect cleans up itself.
    if (d_->state != State::Open) return;
    // Nothing can be done on the dead attachment; everything on it is let go
    // of, and the next use connects anew with the parameters already loaded.
    const bool loaded = d_->paramsLoaded;
    DoDisconnect();
    d_->paramsLoaded = loaded;
}

const std::string &TSQLConnection::LastErrorText() const { return d_->lastError; }

void TSQLConnection::StartTransaction() {
    if (!Connected()) Open();
    if (d_->inTransaction) throw EDatabaseError(DriverStatusText(SQLStatus::TransactionActive));
    CheckStatus(d_->connection->beginTransaction(), d_->connection.get());
    d_->inTransaction = true;
}

void TSQLConnection::StartReadOnlySnapshot() {
    if (!Connected()) Open();
    if (d_->inTransaction) throw EDatabaseError(DriverStatusText(SQLStatus::TransactionActive));
    CheckStatus(d_->connection->beginReadOnlySnapshot(), d_->connection.get());
    d_->inTransaction = true;
}

void TSQLConnection::Commit() {
    if (!Connected() || !d_->inTransaction) throw EDatabaseError(DriverStatusText(SQLStatus::TransactionNotActive));
    // A failed commit leaves the transaction open so the caller can roll it back.
    CheckStatus(d_->connection->commit(), d_->connection.get());
    d_->inTransaction = false;
}

void TSQLConnection::Rollback() {
    if (!Connected() || !d_->inTransaction) throw EDatabaseError(DriverStatusText(SQLStatus::TransactionNotActive));
    // Whatever the driver says, the transaction is over for this side: its
    // work is not committed, and a second rollback could only fail again.
    d_->inTransaction = false;
    CheckStatus(d_->connection->rollback(), d_->connection.get());
}

bool TSQLConnection::InTransaction() const { return Connected() && d_->inTransaction; }

void TSQLConnection::RegisterClient(SQLConnectionClient *client) {
    if (client && std::find(d_->clients.begin(), d_->clients.end(), client) == d_->clients.end())
        d_->clients.push_back(client);
}

void TSQLConnection::UnregisterClient(SQLConnectionClient *client) {
    d_->clients.erase(std::remove(d_->clients.begin(), d_->clients.end(), client), d_->clients.end());
}

void TSQLConnection::SetBusyCursorHook(std::function<void(bool busy)> hook) { BusyHook() = std::move(hook); }

// --- SQLCommandLease -------------------------------------------------------

SQLCommandLease::SQLCommandLease(SQLCommandLease &&other) noexcept { *this = std::move(other); }

SQLCommandLease &SQLCommandLease::operator=(SQLCommandLease &&other) noexcept {
    if (this == &other) return *this;
    reset();
    command_ = std::exchange(other.command_, nullptr);
    owner_ = std::exchange(other.owner_, nullptr);
    connection_ = std::exchange(other.connection_, nullptr);
    clone_ = std::move(other.clone_);
    if (owner_) std::replace(owner_->d_->leases.begin(), owner_->d_->leases.end(), &other, this);
    return *this;
}

SQLCommandLease::~SQLCommandLease() { reset(); }

void SQLCommandLease::reset() {
    delete std::exchange(command_, nullptr);
    if (TSQLConnection *owner = std::exchange(owner_, nullptr)) {
        auto &leases = owner->d_->leases;
        leases.erase(std::remove(leases.begin(), leases.end(), this), leases.end());
        --owner->d_->commandsInUse;
    }
    connection_ = nullptr;
    clone_.reset();  // closes the clone connection after its command is gone
}

#include "data/driver/IbConnection.h"

#include <cctype>
#include <cstring>
#include <utility>

#include "data/driver/AttachAdvice.h"
#include "data/driver/FbHandles.h"
#include "data/driver/IbCommand.h"
#include "data/driver/IbMetaData.h"

using namespace Firebird;

namespace {

// Whether the name already says where the server is ("host:path",
// "host/port:path", "inet://..."). A name that starts with "/" is a file
// here, whatever colons it holds; "C:..." is a drive letter.
bool HasServerPart(const std::string &database) {
    const auto colon = database.find(':');
    if (colon == std::string::npos || colon == 0 || database[0] == '/') return false;
    return !(colon == 1 && std::isalpha(static_cast<unsigned char>(database[0])));
}

// The server's number for the character set the connection named; a name
// may be one of its aliases (BIG5 for BIG_5).
unsigned CharSetId(FbStatus &status, ConnectionState &state, const std::string &name) {
    std::string literal;
    for (char c : name) {
        literal += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (c == '\'') literal += '\'';
    }
    const std::string sql =
        "SELECT COALESCE((SELECT FIRST 1 RDB$CHARACTER_SET_ID FROM RDB$CHARACTER_SETS"
        " WHERE RDB$CHARACTER_SET_NAME = '" +
        literal +
        "'), (SELECT FIRST 1 RDB$TYPE FROM RDB$TYPES"
        " WHERE RDB$FIELD_NAME = 'RDB$CHARACTER_SET_NAME' AND RDB$TYPE_NAME = '" +
        literal +
        "'))"
        " FROM RDB$DATABASE";
    FbRef<IMetadataBuilder> builder(state.client->master->getMetadataBuilder(&status, 1));
    builder->setType(&status, 0, SQL_LONG | 1);
    builder->setLength(&status, 0, sizeof(int32_t));
    FbRef<IMessageMetadata> row(builder->getMetadata(&status));
    std::vector<unsigned char> buffer(row->getMessageLength(&status));
    StatementTransaction transaction(state, status);
    state.attachment->execute(&status, transaction.get(), 0, sql.c_str(),
                              static_cast<unsigned>(state.options.sqlDialect), nullptr, nullptr, row.get(),
                              buffer.data());
    transaction.Commit();
    int16_t null = 0;
    int32_t id = 0;
    std::memcpy(&null, buffer.data() + row->getNullOffset(&status, 0), sizeof null);
    std::memcpy(&id, buffer.data() + row->getOffset(&status, 0), sizeof id);
    if (null) Fail(SQLStatus::ServerError, "The server does not know the character set " + name);
    return static_cast<unsigned>(id);
}

// Read only, concurrency (a snapshot), waiting on locks as the connection
// does. The builder writes isc_tpb_version3 itself.
std::vector<unsigned char> SnapshotTpb(IUtil *util, FbStatus &status, const ConnectionOptions &options) {
    FbDisposable<IXpbBuilder> tpb(util->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0));
    tpb->insertTag(&status, isc_tpb_read);
    tpb->insertTag(&status, isc_tpb_concurrency);
    tpb->insertTag(&status, options.waitOnLocks ? isc_tpb_wait : isc_tpb_nowait);
    const unsigned char *data = tpb->getBuffer(&status);
    return std::vector<unsigned char>(data, data + tpb->getBufferLength(&status));
}

}  // namespace

std::string NetworkDatabaseName(const std::string &database, const ConnectionOptions &options) {
    if (HasServerPart(database)) {
        // "host:path" with a port option becomes "host/port:path".
        const auto colon = database.find(':');
        const std::string server = database.substr(0, colon);
        if (!options.serverPort.empty() && server.find('/') == std::string::npos &&
            database.compare(colon, 3, "://") != 0)
            return server + "/" + options.serverPort + database.substr(colon);
        return database;
    }
    if (options.hostName.empty()) return database;
    std::string server = options.hostName;
    if (!options.serverPort.empty()) server += "/" + options.serverPort;
    return server + ":" + database;
}

IbConnection::IbConnection(std::shared_ptr<const FbClient> client) : state_(std::make_shared<ConnectionState>()) {
    state_->client = std::move(client);
    errors_.setUtil(state_->client->util);
}

IbConnection::~IbConnection() { Detach(); }

SQLStatus IbConnection::setOption(ConnOption option, int64_t value) { return state_->options.Set(option, value); }

SQLStatus IbConnection::setOption(ConnOption option, const std::string &value) {
    return state_->options.Set(option, value);
}

SQLStatus IbConnection::getOption(ConnOption option, int64_t *value) { return state_->options.Get(option, value); }

SQLStatus IbConnection::getOption(ConnOption option, std::string *value) { return state_->options.Get(option, value); }

SQLStatus IbConnection::connect(const std::string &database, const std::string &user, const std::string &password) {
    const SQLStatus status = Attach(database, user, password);
    if (status != SQLStatus::Success)
        errors_.AddLine(AttachAdvice(errors_.serverCode(), errors_.text(),
                                     NetworkDatabaseName(database, state_->options), state_->options));
    return status;
}

SQLStatus IbConnection::Attach(const std::string &database, const std::string &user, const std::string &password) {
    return errors_.Run([&]() -> SQLStatus {
        if (state_->connected()) Fail(SQLStatus::InvalidParameter, "Already connected to a database");
        const FbClient &client = *state_->client;
        const ConnectionOptions &options = state_->options;
        FbOwnStatus status(client.master);
        FbDisposable<IXpbBuilder> dpb(client.util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0));
        if (!user.empty()) dpb->insertString(&status, isc_dpb_user_name, user.c_str());
        if (!password.empty()) dpb->insertString(&status, isc_dpb_password, password.c_str());
        dpb->insertString(&status, isc_dpb_lc_ctype, options.CharSet().c_str());
        if (!options.roleName.empty()) dpb->insertString(&status, isc_dpb_sql_role_name, options.roleName.c_str());
        dpb->insertInt(&status, isc_dpb_sql_dialect, options.sqlDialect);
        if (options.connectionTimeout > 0) dpb->insertInt(&status, isc_dpb_connect_timeout, options.connectionTimeout);
        if (options.osAuthentication) dpb->insertTag(&status, isc_dpb_trusted_auth);
        // The link's settings go to this attachment alone, over the client's
        // firebird.conf: WireCrypt=Required refuses a server that cannot
        // encrypt before any statement or row crosses the network.
        const std::string config = options.ClientConfig();
        if (!config.empty()) dpb->insertString(&status, isc_dpb_config, config.c_str());
        const std::string name = NetworkDatabaseName(database, options);
        FbRef<IProvider> provider(client.master->getDispatcher());
        state_->attachment =
            provider->attachDatabase(&status, name.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
        // What follows the attach is part of connecting: should it fail, the
        // connection is left as it was.
        struct DetachUnlessDone {
            IbConnection &connection;
            bool done = false;
            ~DetachUnlessDone() {
                if (!done) connection.Detach();
            }
        } guard{*this};
        state_->tpb = BuildTpb(client.util, status, options);
        const std::string charSet = options.CharSet();
        if (charSet != "UTF8") state_->charSet = std::make_unique<ServerCharSet>(CharSetId(status, *state_, charSet));
        guard.done = true;
        return SQLStatus::Success;
    });
}

SQLStatus IbConnection::disconnect() {
    return errors_.Run([&]() -> SQLStatus {
        Detach();
        return SQLStatus::Success;
    });
}

void IbConnection::Detach() {
    if (!state_->attachment) return;
    const FbClient &client = *state_->client;
    // Cursors, statements and blobs go first: a detach with open
    // transactions fails.
    const auto users = state_->users;
    for (AttachmentUser *user : users) user->ReleaseBeforeDetach();
    // Work that was never committed is not made permanent by leaving.
    if (state_->explicitTransaction) state_->ExplicitTransactionEnding();
    EndQuietly(client, state_->explicitTransaction, false);
    state_->explicitTransaction = nullptr;

    FbQuietStatus status(client.master);
    state_->attachment->detach(&status);
    if (status.failed()) state_->attachment->release();  // a lost connection: let go of the object
    state_->attachment = nullptr;
    state_->tpb.clear();
    state_->charSet = std::make_unique<ServerCharSet>();
}

SQLStatus IbConnection::getSQLCommand(ISQLCommand **command) {
    return errors_.Run([&]() -> SQLStatus {
        if (!command) Fail(SQLStatus::InvalidParameter, "No place for the command");
        *command = nullptr;
        state_->RequireConnected();
        *command = new IbCommand(state_);
        return SQLStatus::Success;
    });
}

SQLStatus IbConnection::getSQLMetaData(ISQLMetaData **metaData) {
    return errors_.Run([&]() -> SQLStatus {
        if (!metaData) Fail(SQLStatus::InvalidParameter, "No place for the metadata object");
        *metaData = nullptr;
        state_->RequireConnected();
        *metaData = new IbMetaData(state_);
        return SQLStatus::Success;
    });
}

SQLStatus IbConnection::beginTransaction() {
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (state_->explicitTransaction)
            Fail(SQLStatus::TransactionActive, "A transaction is already active on this connection");
        FbOwnStatus status(state_->client->master);
        state_->explicitTransaction = state_->StartTransaction(status);
        return SQLStatus::Success;
    });
}

SQLStatus IbConnection::beginReadOnlySnapshot() {
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (state_->explicitTransaction)
            Fail(SQLStatus::TransactionActive, "A transaction is already active on this connection");
        FbOwnStatus status(state_->client->master);
        const std::vector<unsigned char> tpb = SnapshotTpb(state_->client->util, status, state_->options);
        state_->explicitTransaction =
            state_->attachment->startTransaction(&status, static_cast<unsigned>(tpb.size()), tpb.data());
        return SQLStatus::Success;
    });
}

SQLStatus IbConnection::commit() {
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (!state_->explicitTransaction)
            Fail(SQLStatus::InvalidTransaction, "No transaction is active on this connection");
        state_->ExplicitTransactionEnding();
        FbOwnStatus status(state_->client->master);
        // A failed commit leaves the transaction open: the caller may still
        // roll it back.
        state_->explicitTransaction->commit(&status);
        state_->explicitTransaction = nullptr;
        return SQLStatus::Success;
    });
}

SQLStatus IbConnection::rollback() {
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (!state_->explicitTransaction)
            Fail(SQLStatus::InvalidTransaction, "No transaction is active on this connection");
        state_->ExplicitTransactionEnding();
        // Whatever the rollback gives, the transaction is over for the
        // connection; one that failed (a lost connection) is let go of.
        FbRef<ITransaction> transaction(std::exchange(state_->explicitTransaction, nullptr));
        FbOwnStatus status(state_->client->master);
        transaction->rollback(&status);
        transaction.release();  // a rolled back transaction has let go of itself
        return SQLStatus::Success;
    });
}

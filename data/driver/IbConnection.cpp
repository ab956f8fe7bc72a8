#include "IbConnection.h"

#include <cctype>

#include "IbCommand.h"
#include "IbMetaData.h"

using namespace Firebird;

namespace {

// Whether the name already says where the server is ("host:path",
// "host/port:path", "inet://..."). A name that starts with "/" is a file
// here, whatever colons it holds; "C:..." is a drive letter.
bool HasServerPart(const std::string &database)
{
    const auto colon = database.find(':');
    if (colon == std::string::npos || colon == 0 || database[0] == '/')
        return false;
    return !(colon == 1 && std::isalpha(static_cast<unsigned char>(database[0])));
}

// Read only, concurrency (a snapshot), waiting on locks as the connection
// does. The builder writes isc_tpb_version3 itself.
std::vector<unsigned char> SnapshotTpb(IUtil *util, FbStatus &status, const ConnectionOptions &options)
{
    IXpbBuilder *tpb = util->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0);
    try {
        tpb->insertTag(&status, isc_tpb_read);
        tpb->insertTag(&status, isc_tpb_concurrency);
        tpb->insertTag(&status, options.waitOnLocks ? isc_tpb_wait : isc_tpb_nowait);
        const unsigned char *data = tpb->getBuffer(&status);
        std::vector<unsigned char> bytes(data, data + tpb->getBufferLength(&status));
        tpb->dispose();
        return bytes;
    } catch (...) {
        tpb->dispose();
        throw;
    }
}

} // namespace

std::string NetworkDatabaseName(const std::string &database, const ConnectionOptions &options)
{
    if (HasServerPart(database)) {
        // "host:path" with a port option becomes "host/port:path".
        const auto colon = database.find(':');
        const std::string server = database.substr(0, colon);
        if (!options.serverPort.empty() && server.find('/') == std::string::npos &&
            database.compare(colon, 3, "://") != 0)
            return server + "/" + options.serverPort + database.substr(colon);
        return database;
    }
    if (options.hostName.empty())
        return database;
    std::string server = options.hostName;
    if (!options.serverPort.empty())
        server += "/" + options.serverPort;
    return server + ":" + database;
}

IbConnection::IbConnection(std::shared_ptr<const FbClient> client)
    : state_(std::make_shared<ConnectionState>())
{
    state_->client = std::move(client);
    errors_.setUtil(state_->client->util);
}

IbConnection::~IbConnection() { Detach(); }

SQLStatus IbConnection::setOption(ConnOption option, int64_t value)
{
    return state_->options.Set(option, value);
}

SQLStatus IbConnection::setOption(ConnOption option, const std::string &value)
{
    return state_->options.Set(option, value);
}

SQLStatus IbConnection::getOption(ConnOption option, int64_t *value)
{
    return state_->options.Get(option, value);
}

SQLStatus IbConnection::getOption(ConnOption option, std::string *value)
{
    return state_->options.Get(option, value);
}

SQLStatus IbConnection::connect(const std::string &database, const std::string &user,
                                const std::string &password)
{
    return errors_.Run([&]() -> SQLStatus {
        if (state_->connected())
            Fail(kSqlInvalidParameter, "Already connected to a database");
        const FbClient &client = *state_->client;
        const ConnectionOptions &options = state_->options;
        FbStatus status(client.master->getStatus());
        IXpbBuilder *dpb = nullptr;
        IProvider *provider = nullptr;
        try {
            dpb = client.util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
            if (!user.empty())
                dpb->insertString(&status, isc_dpb_user_name, user.c_str());
            if (!password.empty())
                dpb->insertString(&status, isc_dpb_password, password.c_str());
            dpb->insertString(&status, isc_dpb_lc_ctype, options.CharSet().c_str());
            if (!options.roleName.empty())
                dpb->insertString(&status, isc_dpb_sql_role_name, options.roleName.c_str());
            dpb->insertInt(&status, isc_dpb_sql_dialect, options.sqlDialect);
            if (options.connectionTimeout > 0)
                dpb->insertInt(&status, isc_dpb_connect_timeout, options.connectionTimeout);
            if (options.osAuthentication)
                dpb->insertTag(&status, isc_dpb_trusted_auth);
            const std::string name = NetworkDatabaseName(database, options);
            provider = client.master->getDispatcher();
            state_->attachment = provider->attachDatabase(
                &status, name.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
            state_->tpb = BuildTpb(client.util, status, options);
        } catch (...) {
            if (dpb)
                dpb->dispose();
            if (provider)
                provider->release();
            status.dispose();
            if (state_->attachment && state_->tpb.empty())
                Detach();
            throw;
        }
        dpb->dispose();
        provider->release();
        status.dispose();
        return kSqlSuccess;
    });
}

SQLStatus IbConnection::disconnect()
{
    return errors_.Run([&]() -> SQLStatus {
        Detach();
        return kSqlSuccess;
    });
}

void IbConnection::Detach()
{
    if (!state_->attachment)
        return;
    const FbClient &client = *state_->client;
    // Cursors, statements and blobs go first: a detach with open
    // transactions fails.
    const auto users = state_->users;
    for (AttachmentUser *user : users)
        user->ReleaseBeforeDetach();
    // Work that was never committed is not made permanent by leaving.
    if (state_->explicitTransaction)
        state_->ExplicitTransactionEnding();
    EndQuietly(client, state_->explicitTransaction, false);
    state_->explicitTransaction = nullptr;

    CheckStatusWrapper status(client.master->getStatus());
    state_->attachment->detach(&status);
    if (status.getState() & IStatus::STATE_ERRORS)
        state_->attachment->release(); // a lost connection: let go of the object
    status.dispose();
    state_->attachment = nullptr;
    state_->tpb.clear();
}

SQLStatus IbConnection::getSQLCommand(ISQLCommand **command)
{
    return errors_.Run([&]() -> SQLStatus {
        if (!command)
            Fail(kSqlInvalidParameter, "No place for the command");
        *command = nullptr;
        state_->RequireConnected();
        *command = new IbCommand(state_);
        return kSqlSuccess;
    });
}

SQLStatus IbConnection::getSQLMetaData(ISQLMetaData **metaData)
{
    return errors_.Run([&]() -> SQLStatus {
        if (!metaData)
            Fail(kSqlInvalidParameter, "No place for the metadata object");
        *metaData = nullptr;
        state_->RequireConnected();
        *metaData = new IbMetaData(state_);
        return kSqlSuccess;
    });
}

SQLStatus IbConnection::beginTransaction()
{
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (state_->explicitTransaction)
            Fail(18, "A transaction is already active on this connection");
        FbStatus status(state_->client->master->getStatus());
        try {
            state_->explicitTransaction = state_->StartTransaction(status);
        } catch (...) {
            status.dispose();
            throw;
        }
        status.dispose();
        return kSqlSuccess;
    });
}

SQLStatus IbConnection::beginReadOnlySnapshot()
{
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (state_->explicitTransaction)
            Fail(18, "A transaction is already active on this connection");
        FbStatus status(state_->client->master->getStatus());
        try {
            const std::vector<unsigned char> tpb = SnapshotTpb(state_->client->util, status, state_->options);
            state_->explicitTransaction =
                state_->attachment->startTransaction(&status, static_cast<unsigned>(tpb.size()), tpb.data());
        } catch (...) {
            status.dispose();
            throw;
        }
        status.dispose();
        return kSqlSuccess;
    });
}

SQLStatus IbConnection::commit()
{
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (!state_->explicitTransaction)
            Fail(15, "No transaction is active on this connection");
        state_->ExplicitTransactionEnding();
        FbStatus status(state_->client->master->getStatus());
        try {
            state_->explicitTransaction->commit(&status);
        } catch (...) {
            // A failed commit leaves the transaction open: the caller may
            // still roll it back.
            status.dispose();
            throw;
        }
        status.dispose();
        state_->explicitTransaction = nullptr;
        return kSqlSuccess;
    });
}

SQLStatus IbConnection::rollback()
{
    return errors_.Run([&]() -> SQLStatus {
        state_->RequireConnected();
        if (!state_->explicitTransaction)
            Fail(15, "No transaction is active on this connection");
        state_->ExplicitTransactionEnding();
        ITransaction *transaction = state_->explicitTransaction;
        FbStatus status(state_->client->master->getStatus());
        try {
            transaction->rollback(&status);
        } catch (...) {
            // Nothing more can be done with it (a lost connection).
            transaction->release();
            state_->explicitTransaction = nullptr;
            status.dispose();
            throw;
        }
        status.dispose();
        state_->explicitTransaction = nullptr;
        return kSqlSuccess;
    });
}

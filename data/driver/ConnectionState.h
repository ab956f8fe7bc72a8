#pragma once
// What a connection shares with the commands, cursors and metadata objects it
// hands out. They may outlive the connection object; once it has gone or
// disconnected their operations fail instead of touching a dead attachment.
#include <firebird/Interface.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/driver/ConnectionOptions.h"
#include "data/driver/DriverErrors.h"
#include "data/driver/FbClient.h"
#include "data/driver/ServerCharSet.h"

// Something that holds Firebird objects of the attachment and must let go of
// them before the attachment is detached.
class AttachmentUser {
public:
    virtual void ReleaseBeforeDetach() = 0;
    // The explicit transaction is about to end; whatever runs in it stops.
    virtual void TransactionEnding(Firebird::ITransaction *) {}

protected:
    ~AttachmentUser() = default;
};

struct ConnectionState : std::enable_shared_from_this<ConnectionState> {
    std::shared_ptr<const FbClient> client;
    ConnectionOptions options;
    Firebird::IAttachment *attachment = nullptr;
    Firebird::ITransaction *explicitTransaction = nullptr;  // from beginTransaction()
    std::vector<unsigned char> tpb;                         // built at connect
    std::vector<AttachmentUser *> users;

    // The character set texts and text values are sent in, read at connect.
    std::unique_ptr<ServerCharSet> charSet = std::make_unique<ServerCharSet>();

    bool connected() const { return attachment != nullptr; }
    // UTF-8 text as the server expects it on this connection.
    std::string ToServerText(std::string_view utf8) const { return charSet->FromUtf8(utf8); }
    unsigned textCharSet() const { return charSet->id(); }
    // Fails with "not connected" unless attached.
    void RequireConnected() const;
    Firebird::ITransaction *StartTransaction(FbStatus &status) const;

    void Register(AttachmentUser *user) { users.push_back(user); }
    void Unregister(AttachmentUser *user);
    // Tells every user that the explicit transaction ends.
    void ExplicitTransactionEnding();
};

// How long a statement waits for a row another transaction holds, when the
// connection waits on locks at all.
constexpr int kLockWaitSeconds = 3;

// Transaction parameters from the options: read-write, isolation, lock wait.
std::vector<unsigned char> BuildTpb(Firebird::IUtil *util, FbStatus &status, const ConnectionOptions &options);

// Ends a transaction and lets go of its object, ignoring failures: for
// clean-up paths where the connection may already be lost.
void EndQuietly(const FbClient &client, Firebird::ITransaction *transaction, bool commit);

// The transaction one statement runs in: the connection's explicit one while
// that is open, else one of its own, which Commit() ends and which is rolled
// back if the statement fails before that.
class StatementTransaction {
public:
    StatementTransaction(ConnectionState &state, FbStatus &status);
    ~StatementTransaction();
    StatementTransaction(const StatementTransaction &) = delete;
    StatementTransaction &operator=(const StatementTransaction &) = delete;

    Firebird::ITransaction *get() const { return transaction_; }
    bool ownsTransaction() const { return own_; }
    // Commits a transaction of its own; nothing for the explicit one.
    void Commit();
    // Hands a transaction of its own over to a cursor (null for the explicit one).
    Firebird::ITransaction *TakeOwn();

private:
    ConnectionState &state_;
    FbStatus &status_;
    Firebird::ITransaction *transaction_ = nullptr;
    bool own_ = false;
};

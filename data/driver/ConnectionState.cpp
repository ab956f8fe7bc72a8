#include "data/driver/ConnectionState.h"

#include <algorithm>

#include "data/driver/FbHandles.h"

using namespace Firebird;

void ConnectionState::RequireConnected() const {
    if (!attachment) Fail(SQLStatus::InvalidHandle, "Not connected to a database");
}

ITransaction *ConnectionState::StartTransaction(FbStatus &status) const {
    RequireConnected();
    return attachment->startTransaction(&status, static_cast<unsigned>(tpb.size()), tpb.data());
}

void ConnectionState::Unregister(AttachmentUser *user) {
    users.erase(std::remove(users.begin(), users.end(), user), users.end());
}

void ConnectionState::ExplicitTransactionEnding() {
    const auto current = users;
    for (AttachmentUser *user : current) user->TransactionEnding(explicitTransaction);
}

std::vector<unsigned char> BuildTpb(IUtil *util, FbStatus &status, const ConnectionOptions &options) {
    // The builder writes isc_tpb_version3 itself; a second one would be read
    // as a table reservation.
    FbDisposable<IXpbBuilder> tpb(util->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0));
    tpb->insertTag(&status, isc_tpb_write);
    if (options.transIsolation == 1) {
        tpb->insertTag(&status, isc_tpb_concurrency);
    } else {
        // Read committed, and "dirty read" too: Firebird has no dirty
        // reads. Record versions let a reader see the last committed
        // version of a row instead of waiting for its writer.
        tpb->insertTag(&status, isc_tpb_read_committed);
        tpb->insertTag(&status, isc_tpb_rec_version);
    }
    // A row another user holds is never waited for without end: with
    // WaitOnLocks a statement waits a few seconds (another user saving an
    // order is done by then), else it fails at once; either way the
    // failure carries the server's lock conflict text.
    if (options.waitOnLocks) {
        tpb->insertTag(&status, isc_tpb_wait);
        tpb->insertInt(&status, isc_tpb_lock_timeout, kLockWaitSeconds);
    } else {
        tpb->insertTag(&status, isc_tpb_nowait);
    }
    const unsigned char *data = tpb->getBuffer(&status);
    return std::vector<unsigned char>(data, data + tpb->getBufferLength(&status));
}

void EndQuietly(const FbClient &client, ITransaction *transaction, bool commit) {
    if (!transaction) return;
    FbQuietStatus status(client.master);
    if (commit) {
        transaction->commit(&status);
        if (!status.failed()) return;
        status.init();
    }
    transaction->rollback(&status);
    // A failed rollback (lost connection) leaves the object to be let go.
    if (status.failed()) transaction->release();
}

StatementTransaction::StatementTransaction(ConnectionState &state, FbStatus &status) : state_(state), status_(status) {
    state.RequireConnected();
    if (state.explicitTransaction) {
        transaction_ = state.explicitTransaction;
    } else {
        transaction_ = state.StartTransaction(status);
        own_ = true;
    }
}

StatementTransaction::~StatementTransaction() {
    if (own_ && transaction_) EndQuietly(*state_.client, transaction_, false);
}

void StatementTransaction::Commit() {
    if (!own_ || !transaction_) return;
    transaction_->commit(&status_);
    // A committed transaction's object is gone.
    transaction_ = nullptr;
}

ITransaction *StatementTransaction::TakeOwn() {
    if (!own_) return nullptr;
    ITransaction *transaction = transaction_;
    transaction_ = nullptr;
    return transaction;
}

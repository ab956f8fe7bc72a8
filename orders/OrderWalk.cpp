#include "orders/OrderWalk.h"

#include <algorithm>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "orders/ConnectionWatch.h"

namespace batchdel {

namespace {

void SetText(TSQLQuery &statement, TSQLConnection &connection, const char *text) {
    statement.SetSQLConnection(&connection);
    statement.ClearSQL();
    statement.AddSQL(text);
}

bool IsDatabaseRefusal(const std::exception_ptr &failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const EDatabaseError &) {
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

OrderWalk::OrderWalk(TSQLConnection &connection, Clock::duration batchTime)
    : connection_(connection), batch_(connection, batchTime) {
    // Each text is set once: prepared at its first execution, only executed
    // again after that.
    SetText(savepoint_, connection, "SAVEPOINT WALK_ORDER");
    SetText(release_, connection, "RELEASE SAVEPOINT WALK_ORDER");
    SetText(undo_, connection, "ROLLBACK TO SAVEPOINT WALK_ORDER");
}

OrderWalk::~OrderWalk() = default;

void OrderWalk::Begin() { batch_.Begin(); }

void OrderWalk::Commit(OrderWalkSteps &steps) {
    if (!batch_.IsOpen()) return;
    try {
        steps.BeforeCommit();
    } catch (...) {
        RollBack(steps);
        throw;
    }
    std::exception_ptr failure;
    const bool committed = CommitOpenBatch(steps, failure);
    if (committed) steps.Committed();
    if (failure) std::rethrow_exception(failure);
}

bool OrderWalk::CommitOpenBatch(OrderWalkSteps &steps, std::exception_ptr &failure) {
    const ConnectionWatch watch(connection_);
    try {
        batch_.Commit();
        return true;
    } catch (...) {
        failure = std::current_exception();
    }
    // A server that answered has rolled the batch back with the failed
    // commit. With the connection lost the answer may be what was lost, and
    // the commit made: the steps look.
    if (!watch.LostUnder(failure)) {
        steps.Dropped();
        return false;
    }
    bool made = false;
    try {
        made = steps.CommitMadeAfterAll(failure);
    } catch (...) {
        steps.CommitInDoubt();
        return false;
    }
    if (!made) steps.Dropped();
    return made;
}

void OrderWalk::RollBack(OrderWalkSteps &steps) noexcept {
    if (!batch_.IsOpen()) return;
    batch_.RollBack();
    steps.Dropped();
}

int OrderWalk::Prepares() const {
    int prepares = 0;
    for (const TSQLQuery *statement : {&savepoint_, &release_, &undo_}) prepares += statement->PrepareCount();
    return prepares;
}

void OrderWalk::Run(size_t count, OrderWalkSteps &steps, RefusedOrder refused, WalkResult &result) {
    result = {};
    std::exception_ptr failure;
    // Runs one order alone; false when it ended the walk (failure is set).
    const auto alone = [&](size_t at) {
        try {
            Alone(steps, [&] { return steps.SendAlone(at); });
            return true;
        } catch (...) {
            // A refusal by the server leaves the batch open; with the batch
            // gone (the connection lost, the savepoint in doubt) or a failure
            // of another kind nothing may go on.
            failure = std::current_exception();
            if (refused == RefusedOrder::IsLeftOut && batch_.IsOpen() && connection_.InTransaction() &&
                IsDatabaseRefusal(failure)) {
                steps.LeftOut(at, failure);
                failure = nullptr;
                return true;
            }
            return false;
        }
    };
    while (result.next < count) {
        const size_t first = result.next;
        const size_t size = std::min(steps.BlockFrom(first), count - first);
        if (size == 0) {
            // An order for no block goes alone.
            if (!alone(first)) break;
            result.next = first + 1;
        } else {
            Begin();
            BlockSent sent;
            bool wholeBlockRefused = false;
            try {
                sent = steps.SendBlock(first, size);
            } catch (...) {
                // Nothing of the block happened. With the batch still open
                // its orders go one by one; a batch lost with the connection
                // ends the walk here.
                if (!connection_.InTransaction()) {
                    RollBack(steps);
                    failure = std::current_exception();
                    break;
                }
                wholeBlockRefused = true;
            }
            // A block that neither took an order nor named one at fault
            // would never end: its orders go one by one.
            if (sent.taken == 0 && !sent.stopped) wholeBlockRefused = true;
            // The order that stopped the block goes alone, and the rest of
            // the block in the next round; after a block refused whole, all
            // its orders go one by one.
            const size_t taken = std::min(sent.taken, size);
            const size_t end = wholeBlockRefused ? first + size : sent.stopped ? first + taken + 1 : first + taken;
            size_t at = wholeBlockRefused ? first : first + taken;
            for (; at < end; ++at)
                if (!alone(at)) break;
            result.next = at;
            if (failure) break;
        }
        if (steps.StopRequested(result.next)) {
            result.stopped = true;
            break;
        }
        if (batch_.Due()) Commit(steps);
    }

    if (failure) {
        // The orders before the failing one stay, as they would had each
        // been committed alone; the failure is what the caller is told,
        // unless telling of the commit fails too.
        bool committed = false;
        if (batch_.IsOpen()) {
            try {
                steps.BeforeCommit();
            } catch (...) {
                RollBack(steps);
                std::rethrow_exception(failure);
            }
            // A failed commit has told the steps how the batch ended; the
            // walk's own failure is the one raised.
            std::exception_ptr commitFailure;
            committed = CommitOpenBatch(steps, commitFailure);
        }
        if (committed) steps.Committed();
        std::rethrow_exception(failure);
    }
    Commit(steps);
}

}  // namespace batchdel

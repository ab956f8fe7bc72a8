#pragma once
// The walk over orders that deletes them or puts them back.
//
// The orders go a block at a time, many in one round trip, inside a batch
// (OrderBatch) that is committed once it has worked long enough. A block the
// server refuses as a whole undoes itself; its orders then go one at a time,
// each under a savepoint of its own, so that the one at fault is known by the
// server's own words and the others are not lost. A block may also stop at
// its first failing order, the ones before it kept: that order then goes on
// its own, and the walk goes on after it.
//
// What a refused order means is the caller's: it ends the walk (the orders
// after it are never sent) or it is left out and the walk goes on. Either
// way every order is whole or not at all in the database, and a batch is
// committed and told to its caller (the journal) before the next one starts.
// An interrupted walk (the program killed, the connection lost) loses the
// open batch as a whole, which the server rolls back.
#include <cstddef>
#include <exception>

#include "data/sql/SQLQuery.h"
#include "orders/OrderBatch.h"

class TSQLConnection;

namespace batchdel {

// How a block went: its first `taken` orders were taken; when `stopped`,
// the order after them failed and none after it ran, else the others were
// not sent and go in a later block.
struct BlockSent {
    size_t taken = 0;
    bool stopped = false;
};

// What differs between the walks: the statements for a block and for one
// order, and what becomes of their orders. Orders are named by their index
// among the walk's orders.
class OrderWalkSteps {
public:
    virtual ~OrderWalkSteps() = default;
    // How many orders from `next` the next block takes (at least 1), or 0
    // when the order at `next` is one for no block and goes alone.
    virtual size_t BlockFrom(size_t next) = 0;
    // Sends orders [first, first + count) in one round trip, in the open
    // batch (or in a few, when the server refused it as a whole), and says
    // how it went. Raises when the statement as a whole could not run: then
    // none of the block happened.
    virtual BlockSent SendBlock(size_t first, size_t count) = 0;
    // Sends one order, under the savepoint the walk set for it. False when
    // the order is to be kept after all (the walk undoes it); raises with the
    // server's words when the server refuses it.
    virtual bool SendAlone(size_t at) = 0;
    // A refused order the walk left out and went on after (only when a
    // refused order does not end the walk); `failure` is what the server said.
    virtual void LeftOut(size_t at, const std::exception_ptr &failure) = 0;
    // The walk is about to commit the open batch: raising rolls it back
    // instead (the raise goes on, unless the walk is already ending on a
    // failure of its own, which then goes on). For a caller whose commits
    // must take turns with others'.
    virtual void BeforeCommit() {}
    // The batch holding the orders taken since the last call was committed:
    // they are for good now. What this raises ends the walk.
    virtual void Committed() = 0;
    // The open batch was rolled back: the orders taken since the last
    // commit are not in the database after all.
    virtual void Dropped() = 0;
    // The commit failed with the connection lost (`lost` is the failure):
    // the server may have made it before its answer was lost. Looks (over
    // the connection made anew) whether the database holds the orders taken
    // since the last commit as the batch left them: true tells the walk the
    // batch was committed, false that it was rolled back. Raises when that
    // cannot be known.
    virtual bool CommitMadeAfterAll(const std::exception_ptr &lost) {
        (void)lost;
        return false;
    }
    // Whether the lost commit was made could not be known: the orders taken
    // since the last commit may or may not be in the database as the batch
    // left them.
    virtual void CommitInDoubt() { Dropped(); }
    // Asked after each round trip, with the first order not taken yet:
    // true ends the walk there, keeping what is done.
    virtual bool StopRequested(size_t next) {
        (void)next;
        return false;
    }
};

enum class RefusedOrder {
    EndsTheWalk,  // the orders after it are never sent; the failure is raised
    IsLeftOut,    // it is told to LeftOut and the walk goes on
};

struct WalkResult {
    size_t next = 0;       // the first order not taken
    bool stopped = false;  // StopRequested ended the walk
};

class OrderWalk {
public:
    using Clock = OrderBatch::Clock;

    OrderWalk(TSQLConnection &connection, Clock::duration batchTime = OrderBatch::kBatchTime);
    // A batch not committed by then is rolled back.
    ~OrderWalk();
    OrderWalk(const OrderWalk &) = delete;
    OrderWalk &operator=(const OrderWalk &) = delete;

    // Walks orders [0, count), filling result as it goes. A failure that
    // ends the walk is raised after the orders taken before it are committed
    // and told to Committed(); it gives way to a failure Committed() raises.
    // result.next then names the order at fault.
    void Run(size_t count, OrderWalkSteps &steps, RefusedOrder refused, WalkResult &result);

    // The pieces the walk is made of, for a caller that drives them itself.
    // Starts a batch unless one is open.
    void Begin();
    bool BatchOpen() const { return batch_.IsOpen(); }
    // Runs `send` (the order's statements) under a savepoint of its own:
    // released when send returns true, rolled back to when it returns false
    // or raises (and then the raise goes on). Should the savepoint itself
    // fail, the order's part of the batch is in doubt, and the whole batch is
    // rolled back (steps.Dropped()).
    template <typename Send>
    bool Alone(OrderWalkSteps &steps, Send send);
    // Commits the open batch, if any, and tells the steps.
    void Commit(OrderWalkSteps &steps);
    // Rolls the open batch back, if any, and tells the steps.
    void RollBack(OrderWalkSteps &steps) noexcept;
    // How many statement texts of its own the walk prepared: each once per run.
    int Prepares() const;

private:
    // Commits the open batch: true when it is committed, and the caller
    // then tells the steps. When the commit fails, `failure` holds why; the
    // batch may still be found committed after all (true), else the steps
    // are told here how it ended (rolled back, in doubt).
    bool CommitOpenBatch(OrderWalkSteps &steps, std::exception_ptr &failure);

    TSQLConnection &connection_;
    OrderBatch batch_;
    TSQLQuery savepoint_{"OrderSavepoint"};
    TSQLQuery release_{"ReleaseOrderSavepoint"};
    TSQLQuery undo_{"UndoOrder"};
};

template <typename Send>
bool OrderWalk::Alone(OrderWalkSteps &steps, Send send) {
    Begin();
    try {
        savepoint_.Execute();
    } catch (...) {
        RollBack(steps);
        throw;
    }
    bool taken = false;
    try {
        taken = send();
    } catch (...) {
        // Only this order is undone; should even that fail, the connection
        // is in no state to commit, and the whole batch goes.
        try {
            undo_.Execute();
        } catch (...) {
            RollBack(steps);
        }
        throw;
    }
    try {
        if (taken)
            release_.Execute();
        else
            undo_.Execute();
    } catch (...) {
        RollBack(steps);
        throw;
    }
    return taken;
}

}  // namespace batchdel

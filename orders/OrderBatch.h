#pragma once
// The transaction that carries a batch of orders' work.
//
// Work over many orders (deleting them, restoring them) runs in batches: one
// transaction holds the work of many orders, each order whole or not at all
// inside it, and is committed once it has worked for about kBatchTime. The
// database then syncs once per batch instead of once per order, and whatever
// happens in the middle (the program killed, the machine stopped, the
// connection dropped) the server rolls back the one open batch, so every
// order is still whole or gone.
//
// Over a slow link the commit and the start of the next batch are two round
// trips; a batch therefore also lasts at least kRoundTripsPerBatch round
// trips of the link, so that those two cost about a tenth of the time
// whatever its latency. Starting a transaction asks the server for next to no
// work, so the time the batch's start took measures one round trip. A batch
// time of zero commits after every round trip.
//
// The batch's length is measured here with a steady clock: the work knows
// when it started, and a change of the wall clock must not make a batch
// commit early or never.
#include <chrono>

class TSQLConnection;

namespace batchdel {

class OrderBatch {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kBatchTime{200};
    static constexpr int kRoundTripsPerBatch = 20;

    explicit OrderBatch(TSQLConnection &connection, Clock::duration batchTime = kBatchTime);
    // A batch not committed by then is rolled back.
    ~OrderBatch();
    OrderBatch(const OrderBatch &) = delete;
    OrderBatch &operator=(const OrderBatch &) = delete;

    // Starts a transaction unless one is open. A connection found lost by
    // that first statement is made again once (ConnectionWatch).
    void Begin();
    bool IsOpen() const { return open_; }
    // Whether the open batch has worked long enough to be committed.
    bool Due() const;
    // Commits the open batch, if any. A failing commit rolls the batch back
    // and goes on to the caller.
    void Commit();
    // Drops the open batch. Should the rollback fail (a lost connection),
    // the server drops the uncommitted work by itself.
    void RollBack() noexcept;

private:
    TSQLConnection &connection_;
    const Clock::duration batchTime_;
    Clock::time_point start_{};
    // What starting the batch took: one round trip.
    Clock::duration roundTrip_{};
    bool open_ = false;
};

}  // namespace batchdel

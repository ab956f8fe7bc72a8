#include "orders/OrderBatch.h"

#include "data/sql/SQLConnection.h"
#include "orders/ConnectionWatch.h"

namespace batchdel {

OrderBatch::OrderBatch(TSQLConnection &connection, Clock::duration batchTime)
    : connection_(connection), batchTime_(batchTime) {}

OrderBatch::~OrderBatch() { RollBack(); }

void OrderBatch::Begin() {
    if (open_) return;
    // Nothing of this batch has been sent, and the batch before it is
    // committed: a connection that died while the work waited (a question, a
    // pause, an idle window) is made again once here, and the work goes on.
    const ConnectionWatch watch(connection_);
    const Clock::time_point asked = Clock::now();
    bool madeAgain = false;
    try {
        connection_.StartTransaction();
    } catch (...) {
        if (!watch.LostUnder(std::current_exception())) throw;
        connection_.StartTransaction();
        madeAgain = true;
    }
    open_ = true;
    start_ = Clock::now();
    // Connecting again is no measure of the link's round trips.
    if (!madeAgain) roundTrip_ = start_ - asked;
}

bool OrderBatch::Due() const {
    if (!open_) return false;
    const Clock::duration worked = Clock::now() - start_;
    if (batchTime_ <= Clock::duration::zero()) return true;
    return worked >= batchTime_ && worked >= kRoundTripsPerBatch * roundTrip_;
}

void OrderBatch::Commit() {
    if (!open_) return;
    try {
        connection_.Commit();
    } catch (...) {
        RollBack();
        throw;
    }
    open_ = false;
}

void OrderBatch::RollBack() noexcept {
    if (!open_) return;
    open_ = false;
    try {
        if (connection_.InTransaction()) connection_.Rollback();
    } catch (...) {}
}

}  // namespace batchdel

#include "OrderBatch.h"

#include "ConnectionWatch.h"
#include "SQLConnection.h"

OrderBatch::OrderBatch(TSQLConnection &connection, Clock::duration batchTime)
    : connection_(connection), batchTime_(batchTime) {}

OrderBatch::~OrderBatch() { RollBack(); }

void OrderBatch::Begin() {
    if (open_) return;
    // Nothing of this batch has been sent, and the batch before it is
    // committed: a connection that died while the work waited (a question, a
    // pause, an idle window) is made again once here, and the work goes on.
    const ConnectionWatch watch(connection_);
    try {
        connection_.StartTransaction();
    } catch (...) {
        if (!watch.LostUnder(std::current_exception())) throw;
        connection_.StartTransaction();
    }
    open_ = true;
    start_ = Clock::now();
}

bool OrderBatch::Due() const { return open_ && Clock::now() - start_ >= batchTime_; }

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

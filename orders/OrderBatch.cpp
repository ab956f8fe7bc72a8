#include "OrderBatch.h"

#include "SQLConnection.h"

OrderBatch::OrderBatch(TSQLConnection &connection, Clock::duration batchTime)
    : connection_(connection), batchTime_(batchTime) {}

OrderBatch::~OrderBatch() { RollBack(); }

void OrderBatch::Begin() {
    if (open_) return;
    connection_.StartTransaction();
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

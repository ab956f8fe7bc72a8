#include "orders/SnapshotReading.h"

#include "data/sql/SQLConnection.h"

namespace batchdel {

SnapshotReading::SnapshotReading(TSQLConnection &connection) : connection_(connection) {
    if (!connection_.InTransaction()) {
        connection_.StartReadOnlySnapshot();
        started_ = true;
    }
}

SnapshotReading::~SnapshotReading() {
    try {
        End();
    } catch (...) {}
}

void SnapshotReading::End() {
    if (started_ && connection_.InTransaction()) {
        started_ = false;
        connection_.Commit();
    }
    started_ = false;
}

}  // namespace batchdel

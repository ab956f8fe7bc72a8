#include "OrderDeletion.h"

#include <algorithm>
#include <memory>

#include "DeletionBlock.h"
#include "FetchedRows.h"
#include "QueryText.h"
#include "SQLConnection.h"
#include "TableEngine.h"

namespace {

void SetLines(TSQLQuery &statement, std::initializer_list<std::string_view> lines) {
    statement.Close();
    statement.ClearSQL();
    for (std::string_view line : lines) statement.AddSQL(std::string(line));
}

}  // namespace

OrderDeletion::OrderDeletion(TSQLConnection &connection, Clock::duration batchTime, int blockSize)
    : connection_(connection),
      transaction_(connection, batchTime),
      blockSize_(std::clamp(blockSize, 1, kMaxBlockOrders)) {
    block_.SetSQLConnection(&connection);
    for (TSQLQuery *statement : {&detail_, &header_, &savepoint_, &release_, &undo_})
        statement->SetSQLConnection(&connection);
    // Each text is set once: the statements are prepared at their first
    // execution and only executed again after that.
    SetLines(detail_, {kDeleteDetailHead, kOrderNumberLine});
    SetLines(header_, {kDeleteHeaderHead, kOrderNumberLine});
    SetLines(savepoint_, {"SAVEPOINT DELETE_ORDER"});
    SetLines(release_, {"RELEASE SAVEPOINT DELETE_ORDER"});
    SetLines(undo_, {"ROLLBACK TO SAVEPOINT DELETE_ORDER"});
}

OrderDeletion::~OrderDeletion() { RollBackBatch(); }

void OrderDeletion::StartBatch() { transaction_.Begin(); }

void OrderDeletion::RollBackBatch() noexcept {
    batch_.clear();
    transaction_.RollBack();
}

int64_t OrderDeletion::DeleteRows(TSQLQuery &statement, const std::string &orderNumber) {
    statement.ParamByName(kOrderNumberParam).SetString(orderNumber);
    return statement.Execute();
}

bool OrderDeletion::Delete(const std::string &orderNumber, std::optional<int64_t> expectedLines) {
    if (!BatchOpen()) StartBatch();
    savepoint_.Execute();
    int64_t lines = 0;
    int64_t headers = 0;
    bool whole = true;
    try {
        lines = DeleteRows(detail_, orderNumber);
        whole = !expectedLines || lines == *expectedLines;
        if (whole) {
            headers = DeleteRows(header_, orderNumber);
            whole = !expectedLines || headers == 1;
        }
    } catch (...) {
        // Only this order is undone; should even that fail, the connection
        // is in no state to commit, and the whole batch goes.
        try {
            undo_.Execute();
        } catch (...) {
            RollBackBatch();
        }
        throw;
    }
    try {
        if (!whole) {
            undo_.Execute();
            return false;
        }
        release_.Execute();
    } catch (...) {
        // The order's part of the batch is in doubt: none of the batch may
        // be committed.
        RollBackBatch();
        throw;
    }
    // An order that was gone already deleted nothing and is not recorded.
    if (lines + headers > 0) batch_.push_back({orderNumber, lines});
    return true;
}

BlockOutcome OrderDeletion::DeleteBlock(const std::vector<OrderToDelete> &orders) {
    BlockOutcome outcome;
    if (orders.empty()) return outcome;
    if (!BatchOpen()) StartBatch();
    // Every block has the same size, short ones padded with NULL numbers that
    // match nothing, so the text is compiled once.
    block_.SetCommandText(DeletionBlockText(blockSize_));
    TParams &params = block_.Params();
    for (int i = 1; i <= blockSize_; ++i) {
        TParam *number = params.FindParam(BlockOrderMarker(i));
        TParam *lines = params.FindParam(BlockLinesMarker(i));
        const size_t at = static_cast<size_t>(i - 1);
        if (at < orders.size()) {
            number->SetString(orders[at].number);
            if (orders[at].expectedLines)
                lines->SetInteger(*orders[at].expectedLines);
            else
                lines->SetNull();
        } else {
            number->SetNull();
            lines->SetNull();
        }
    }
    std::unique_ptr<TableEngine> answer;
    try {
        answer = FetchedRows(block_);
    } catch (...) {
        // With the transaction gone (the connection lost) the batch is lost
        // as a whole; otherwise the failed statement left it as it was.
        if (!connection_.InTransaction()) RollBackBatch();
        throw;
    }
    const int failed = answer->RecordCount() == 1 ? static_cast<int>(answer->Value(0, 0).i) : 1;
    outcome.stoppedAt = failed > 0 ? static_cast<size_t>(failed - 1) : orders.size();
    for (size_t at = 0; at < outcome.stoppedAt; ++at) {
        const FieldValue result = answer->Value(0, static_cast<int>(at) + 1);
        if (result.isNull) continue;
        if (result.i == kOrderChanged)
            ++outcome.changed;
        else if (result.i != kOrderGone)
            batch_.push_back({orders[at].number, result.i});
    }
    return outcome;
}

bool OrderDeletion::BatchDue() const { return transaction_.Due(); }

int OrderDeletion::Prepares() const {
    int prepares = 0;
    for (const TSQLQuery *statement : {&detail_, &header_, &savepoint_, &release_, &undo_})
        prepares += statement->PrepareCount();
    return prepares + block_.PrepareCount();
}

std::vector<DeletedOrder> OrderDeletion::Commit() {
    if (!BatchOpen()) return {};
    try {
        transaction_.Commit();
    } catch (...) {
        batch_.clear();
        throw;
    }
    std::vector<DeletedOrder> committed;
    committed.swap(batch_);
    return committed;
}

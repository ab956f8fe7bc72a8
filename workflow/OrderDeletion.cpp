#include "workflow/OrderDeletion.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "data/dataset/TableEngine.h"
#include "data/sql/SQLConnection.h"
#include "orders/OrderLookup.h"
#include "orders/FetchedRows.h"
#include "workflow/QueryText.h"
#include "workflow/WholeBlockSize.h"

namespace batchdel {

namespace {

void SetLines(TSQLQuery &statement, std::initializer_list<std::string_view> lines) {
    statement.Close();
    statement.ClearSQL();
    for (std::string_view line : lines) statement.AddSQL(std::string(line));
}

}  // namespace

OrderDeletion::OrderDeletion(TSQLConnection &connection, std::vector<OrderToDelete> orders, int blockSize)
    : connection_(connection),
      orders_(std::move(orders)),
      blockSize_(std::clamp(blockSize, 1, kMaxWholeBlockOrders)),
      orderBlockSize_(std::min(blockSize_, kMaxBlockOrders)),
      wholeBlocks_(blockSize_ > 1),
      wholeBlockOrders_(std::min(blockSize_, kFirstWholeBlock)) {
    // The whole block needs the byte lengths of the numbers as the server
    // receives them: only a connection that sends its texts as they are
    // gives them.
    const std::string characterSet = WholeBlockCharacterSet(connection.ParamValue("ServerCharSet"));
    if (characterSet.empty()) wholeBlocks_ = false;
    block_.SetSQLConnection(&connection);
    wholeBlock_.SetSQLConnection(&connection);
    for (TSQLQuery *statement : {&detail_, &header_}) statement->SetSQLConnection(&connection);
    // Each text is set once: the statements are prepared at their first
    // execution and only executed again after that. Every block has the same
    // size, short ones padded with NULL numbers that match nothing, so its
    // text is compiled once too.
    SetLines(detail_, {kDeleteDetailHead, kOrderNumberLine});
    SetLines(header_, {kDeleteHeaderHead, kOrderNumberLine});
    block_.SetCommandText(DeletionBlockText(orderBlockSize_));
    if (wholeBlocks_) wholeBlock_.SetCommandText(WholeDeletionBlockText(characterSet));
}

int64_t OrderDeletion::DeleteRows(TSQLQuery &statement, const std::string &orderNumber) {
    statement.ParamByName(kOrderNumberParam).SetString(orderNumber);
    return statement.Execute();
}

size_t OrderDeletion::BlockFrom(size_t next) {
    if (!wholeBlocks_ || next < refusedUntil_) return static_cast<size_t>(orderBlockSize_);
    return WholeBlockFrom(next);
}

size_t OrderDeletion::WholeBlockFrom(size_t first) const {
    std::string orders;
    size_t count = 0;
    while (first + count < orders_.size() && count < static_cast<size_t>(wholeBlockOrders_)) {
        const OrderToDelete &order = orders_[first + count];
        if (!AppendWholeBlockOrder(orders, order.number, order.expectedLines)) break;
        ++count;
    }
    // A number too long for any block goes order by order, where its column
    // refuses it.
    return std::max<size_t>(count, 1);
}

bool OrderDeletion::SendAlone(size_t at) {
    const OrderToDelete &order = orders_[at];
    // With the lines its backup holds, the order goes only when exactly those
    // lines and one header row go. Without them, an order that is already
    // gone is no error.
    const int64_t lines = DeleteRows(detail_, order.number);
    if (order.expectedLines && lines != *order.expectedLines) {
        ++changed_;
        return false;
    }
    const int64_t headers = DeleteRows(header_, order.number);
    if (order.expectedLines && headers != 1) {
        ++changed_;
        return false;
    }
    Record(at, lines, headers);
    return true;
}

void OrderDeletion::Bind(TParams &params, int slots, size_t first, size_t count) const {
    for (int i = 1; i <= slots; ++i) {
        TParam *number = params.FindParam(BlockOrderMarker(i));
        TParam *lines = params.FindParam(BlockLinesMarker(i));
        const size_t at = static_cast<size_t>(i - 1);
        if (at < count) {
            const OrderToDelete &order = orders_[first + at];
            number->SetString(order.number);
            if (order.expectedLines)
                lines->SetInteger(*order.expectedLines);
            else
                lines->SetNull();
        } else {
            number->SetNull();
            lines->SetNull();
        }
    }
}

void OrderDeletion::Record(size_t at, int64_t lines, int64_t headers) {
    // An order that was gone already deleted nothing and is not recorded.
    if (lines + headers > 0) batch_.push_back({orders_[at].number, lines});
}

bool OrderDeletion::SendWholeBlock(size_t first, size_t count) {
    std::string orders;
    for (size_t at = first; at < first + count; ++at)
        if (!AppendWholeBlockOrder(orders, orders_[at].number, orders_[at].expectedLines)) return false;
    TParams &params = wholeBlock_.Params();
    params.FindParam(kWholeBlockOrdersMarker)->SetString(orders);
    params.FindParam(kWholeBlockCountMarker)->SetInteger(static_cast<int64_t>(count));
    std::unique_ptr<TableEngine> answer;
    try {
        answer = FetchedRows(wholeBlock_);
    } catch (...) {
        // A lost connection ends the walk. A server that cannot take the
        // block's text at all (its limits) takes blocks order by order from
        // now on; any other failure goes to the order-by-order block, which
        // finds the order at fault.
        if (!connection_.InTransaction()) throw;
        if (!wholeBlock_.PreparedCommand()) wholeBlocks_ = false;
        return false;
    }
    if (answer->RecordCount() != 1) return false;
    if (answer->Value(0, 0).i != 0) return false;
    const std::vector<WholeBlockResult> done = ReadWholeBlockDone(answer->Text(0, 1), count);
    if (done.empty()) {
        // The block ran, but which of its orders went cannot be told: none
        // of the batch may be committed or journalled.
        connection_.Rollback();
        throw std::runtime_error("The server's answer to a block of orders to delete could not be read.");
    }
    for (size_t at = 0; at < count; ++at) Record(first + at, done[at].lines, done[at].headerGone ? 1 : 0);
    return true;
}

BlockSent OrderDeletion::SendOrderByOrder(size_t first, size_t count) {
    count = std::min(count, static_cast<size_t>(orderBlockSize_));
    Bind(block_.Params(), orderBlockSize_, first, count);
    const std::unique_ptr<TableEngine> answer = FetchedRows(block_);
    const int failed = answer->RecordCount() == 1 ? static_cast<int>(answer->Value(0, 0).i) : 1;
    const size_t taken = failed > 0 ? static_cast<size_t>(failed - 1) : count;
    for (size_t at = 0; at < taken; ++at) {
        const FieldValue result = answer->Value(0, static_cast<int>(at) + 1);
        if (result.isNull) continue;
        if (result.i == kOrderChanged)
            ++changed_;
        else if (result.i != kOrderGone)
            Record(first + at, result.i, 1);
    }
    return {taken, failed > 0};
}

BlockSent OrderDeletion::SendBlock(size_t first, size_t count) {
    if (wholeBlocks_ && first >= refusedUntil_) {
        const Clock::time_point sent = Clock::now();
        const bool whole = SendWholeBlock(first, count);
        blockBefore_ = lastBlock_;
        lastBlock_ = {count, Clock::now() - sent};
        wholeBlockOrders_ = NextWholeBlockOrders(wholeBlockOrders_, blockSize_, lastBlock_, blockBefore_, kBatchTime);
        if (whole) return {count, false};
        // Its orders go order by order, up to the end of the refused block:
        // a whole block sent again would be refused again by the same order.
        refusedUntil_ = first + count;
    }
    return SendOrderByOrder(first, count);
}

void OrderDeletion::LeftOut(size_t, const std::exception_ptr &) {
    // Never called: a failing order ends the deletion.
}

void OrderDeletion::Committed() {
    std::vector<DeletedOrder> committed;
    committed.swap(batch_);
    if (onCommitted) onCommitted(committed);
}

void OrderDeletion::Dropped() { batch_.clear(); }

// The batch's deletions were committed when none of its orders is left: a
// batch rolled back leaves them all (but any another user deleted
// meanwhile, which are gone either way).
bool OrderDeletion::CommitMadeAfterAll(const std::exception_ptr &) {
    if (batch_.empty()) return false;
    std::vector<std::string> numbers;
    for (const DeletedOrder &order : batch_) numbers.push_back(order.orderNumber);
    return OrderNumbersThere(connection_, numbers).empty();
}

void OrderDeletion::CommitInDoubt() {
    std::vector<DeletedOrder> inDoubt;
    inDoubt.swap(batch_);
    if (onInDoubt) onInDoubt(inDoubt);
}

bool OrderDeletion::StopRequested(size_t next) { return onRoundTrip && onRoundTrip(next); }

int OrderDeletion::Prepares() const {
    return detail_.PrepareCount() + header_.PrepareCount() + block_.PrepareCount() + wholeBlock_.PrepareCount();
}

}  // namespace batchdel

#include "bench/common/BareFetch.h"

#include <algorithm>
#include <cstring>

#include "tools/FirebirdDirectImpl.h"
#include "workflow/DetailLines.h"

namespace batchdel {

using namespace Firebird;

// Fetches every row of an open cursor, each message copied once (a client
// that keeps the rows can do no less). Returns the rows; the first column's
// text goes to firstColumn when asked for.
size_t FetchRows(IResultSet *cursor, IMessageMetadata *meta, ThrowStatusWrapper &status,
                 std::vector<std::string> *firstColumn) {
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    const unsigned offset = meta->getOffset(&status, 0);
    size_t rows = 0;
    std::string kept;
    while (cursor->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK) {
        kept.assign(reinterpret_cast<const char *>(buffer.data()), buffer.size());
        if (firstColumn) {
            uint16_t length;
            std::memcpy(&length, &buffer[offset], sizeof length);
            firstColumn->emplace_back(reinterpret_cast<const char *>(&buffer[offset + 2]), length);
        }
        ++rows;
    }
    return rows;
}

size_t FetchQuery(IAttachment *attachment, ITransaction *tra, ThrowStatusWrapper &status, const std::string &sql,
                  std::vector<std::string> *firstColumn) {
    IStatement *stmt = attachment->prepare(&status, tra, 0, sql.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata *meta = stmt->getOutputMetadata(&status);
    IResultSet *cursor = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
    const size_t rows = FetchRows(cursor, meta, status, firstColumn);
    cursor->close(&status);
    meta->release();
    stmt->free(&status);
    return rows;
}

// The bare reading of a backup by the index: header rows, then the lines of
// their orders in batches of bound numbers, in one snapshot.
std::pair<size_t, size_t> BareBackupByIndex(DirectDatabase &db, const std::string &headerSql) {
    DirectDatabase::Impl &impl = db.impl();
    ThrowStatusWrapper status(impl.master->getStatus());
    ITransaction *tra = impl.attachment->startTransaction(&status, 0, nullptr);
    std::vector<std::string> orders;
    const size_t headers = FetchQuery(impl.attachment, tra, status, headerSql, &orders);
    std::string sql = "SELECT * FROM ORDER_SUB WHERE MASTERBILLID IN (";
    for (int i = 0; i < kOrdersPerLookup; ++i) sql += i ? ",?" : "?";
    sql += ")";
    IStatement *stmt = impl.attachment->prepare(&status, tra, 0, sql.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata *in = stmt->getInputMetadata(&status);
    IMessageMetadata *out = stmt->getOutputMetadata(&status);
    std::vector<unsigned char> params(in->getMessageLength(&status));
    size_t lines = 0;
    for (size_t start = 0; start < orders.size(); start += kOrdersPerLookup) {
        for (unsigned i = 0; i < static_cast<unsigned>(kOrdersPerLookup); ++i) {
            const std::string &order = orders[std::min(orders.size() - 1, start + i)];
            const uint16_t length = static_cast<uint16_t>(order.size());
            const unsigned offset = in->getOffset(&status, i);
            std::memcpy(&params[offset], &length, sizeof length);
            std::memcpy(&params[offset + 2], order.data(), order.size());
            const short notNull = 0;
            std::memcpy(&params[in->getNullOffset(&status, i)], &notNull, sizeof notNull);
        }
        IResultSet *cursor = stmt->openCursor(&status, tra, in, params.data(), out, 0);
        lines += FetchRows(cursor, out, status, nullptr);
        cursor->close(&status);
    }
    in->release();
    out->release();
    stmt->free(&status);
    tra->commit(&status);
    status.dispose();
    return {headers, lines};
}

}  // namespace batchdel

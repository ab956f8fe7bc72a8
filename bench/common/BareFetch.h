#pragma once
// The bare reading of orders through the Firebird client, the baseline the
// program's backup is measured against: the rows fetched and kept, nothing
// written.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <firebird/Interface.h>

#include "tools/FirebirdDirect.h"

namespace batchdel {

// Fetches every row of an open cursor, each message copied once (a client
// that keeps the rows can do no less). The first column's text goes to
// firstColumn when asked for.
size_t FetchRows(Firebird::IResultSet *cursor, Firebird::IMessageMetadata *meta, Firebird::ThrowStatusWrapper &status,
                 std::vector<std::string> *firstColumn);
size_t FetchQuery(Firebird::IAttachment *attachment, Firebird::ITransaction *tra, Firebird::ThrowStatusWrapper &status,
                  const std::string &sql, std::vector<std::string> *firstColumn);

// The header rows of headerSql, then the lines of their orders by the index
// on ORDER_SUB.MASTERBILLID in batches of bound numbers, in one snapshot:
// the number of header rows and of lines.
std::pair<size_t, size_t> BareBackupByIndex(DirectDatabase &db, const std::string &headerSql);

}  // namespace batchdel

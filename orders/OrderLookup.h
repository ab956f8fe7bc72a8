#pragma once
// Looking orders up by their numbers, many a round trip: one statement text
// "... WHERE MASTERBILLID IN (:O1, ..., :O500)", prepared once and run again
// with the next numbers bound.
#include <cstddef>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class TParams;
class TSQLConnection;

namespace batchdel {

// Order numbers per lookup: small enough for the server's limit on a value
// list, large enough that a round trip carries many orders.
inline constexpr int kOrdersPerLookup = 500;

// "<select> WHERE MASTERBILLID IN (:O1,...,:O<count>)"; select reads one table.
std::string OrdersByNumberText(const std::string &select, int count = kOrdersPerLookup);

// Binds `count` numbers (numberAt(0) .. numberAt(count - 1)) to the first
// markers; the markers left over repeat the last number, so one text serves
// every batch. Without any number the markers are NULL, which matches nothing.
void BindOrderNumbers(TParams &params, int markers, size_t count,
                      const std::function<const std::string &(size_t)> &numberAt);

// The numbers among these whose orders ORDER_MASTER holds now, as the
// connection sees it (in its transaction, if one is open).
std::unordered_set<std::string> OrderNumbersThere(TSQLConnection &connection, const std::vector<std::string> &numbers);

}  // namespace batchdel

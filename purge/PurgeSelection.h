#pragma once
// The orders a purge takes: those the window's list query selects for the
// same filter boxes, oldest bill date first (orders without a bill date
// last, ties by order number), read in one query.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "workflow/FilterCriteria.h"

class TSQLConnection;

namespace batchdel {

struct SelectedOrder {
    std::string number;
    std::optional<int32_t> billDay;  // database day count
    int64_t lines = 0;               // ORDER_SUB rows; counted only when asked
};

// The window's list query for the filter, wrapped so that it comes back
// sorted and, with countLines, with each order's number of detail lines.
std::string SelectionQuery(const FilterCriteria &filter, bool countLines);

std::vector<SelectedOrder> SelectOrders(TSQLConnection &connection, const FilterCriteria &filter, bool countLines);

}  // namespace batchdel

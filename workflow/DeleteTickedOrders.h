#pragma once
// "刪除確認": after two questions (delete at all? back up first?) deletes every
// ticked order of the list from the database, its detail lines first, then
// its header. The list itself is neither changed nor refreshed, and the grid
// is told only once, at the end.
//
// Orders go in batches (OrderDeletion): each order whole or not at all, a
// commit after each OrderBatch::kBatchTime of work. The walk stops at the
// first failure, which goes on to the caller; orders before it stay deleted,
// orders after it are untouched. Each committed batch is written to the deletion journal
// (DeletionJournal) before the next one starts; a journal that cannot be
// written stops the deletion.
//
// When the operator has the backup taken first, a ticked order that the
// backup does not hold (the filter boxes were changed after listing), or
// whose lines differ from the backup's (someone changed it meanwhile), is not
// deleted; a notice tells how many were left for each reason.
//
// A run longer than about half a second shows its progress; Cancel stops
// after the current round trip of orders and keeps what is done.
#include <chrono>

#include "workflow/DeleteOrders.h"

namespace batchdel {

class OrderWindow;

void DeleteTickedOrders(OrderWindow &window, const DeletionSettings &settings = {});

}  // namespace batchdel

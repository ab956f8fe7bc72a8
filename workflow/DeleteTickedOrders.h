#pragma once
// "刪除確認": after two questions (delete at all? back up first?) deletes every
// ticked order of the list from the database, its detail lines first, then
// its header. The list itself is neither changed nor refreshed.
//
// Each order's two statements take effect together or not at all, so a
// failure never leaves an order's header without its lines. The walk stops
// at the first failure, which goes on to the caller; orders before it stay
// deleted, orders after it are untouched.
//
// When the operator has the backup taken first, a ticked order that the
// backup does not hold (the filter boxes were changed after listing) is not
// deleted; a notice tells how many were left.
class OrderWindow;

void DeleteTickedOrders(OrderWindow &window);

#pragma once
// The statement that deletes many orders in one round trip to the server.
//
// One EXECUTE BLOCK takes up to `orders` order numbers (and, with a backup,
// each order's line count) as bound values. Every order runs in a sub-block
// of its own with a WHEN ANY handler: an order whose statement fails, or that
// is found changed since its backup, is undone alone when its inner block is
// left by the exception, while the orders before it stay. The first failing
// order ends the block; its position is returned so that the caller can run
// it once more on its own and show the server's own message, which the block
// cannot read.
//
// The text is made once per size and only its values change between blocks,
// so the server compiles it once per run. Each order names two tables, and a
// statement may name tables at most 255 times, so a block holds at most
// kMaxBlockOrders orders.
#include <string>

namespace batchdel {

inline constexpr int kMaxBlockOrders = 100;

// Marker names of order i (1-based): its number and its expected line count.
std::string BlockOrderMarker(int i);
std::string BlockLinesMarker(int i);

// What the block returns, one row: FAILED (0, or the position of the failing
// order) and R1..Rn: lines deleted, kOrderChanged, kOrderGone, or NULL for an
// order not run.
inline constexpr int kOrderChanged = -1;
inline constexpr int kOrderGone = -2;

// The block for `orders` orders (1..kMaxBlockOrders).
std::string DeletionBlockText(int orders);

// The statement that deletes a block of many orders as a whole: set-based
// statements over their bound numbers (the same markers as above), inside
// one sub-block that is undone as a whole when anything in it fails. It
// first counts each order's lines and finds its header, then deletes them,
// and checks that exactly those rows went; with a backup, also that every
// order has its header and the backup's line count. Anything else (a
// failing statement, a changed order, a number twice in the block, a row
// added meanwhile) undoes the block and returns REFUSED = 1: the caller
// then takes those orders with the block above, order by order.
//
// It returns one row: REFUSED, LINES ("i:n;" per order i that had n lines)
// and HEADERS ("i;" per order i whose header went). Each order names its
// tables in a list of values, not a statement of its own, so a block holds
// up to kMaxSetBlockOrders orders, bounded by the server's 64 KB for the
// bound values.
inline constexpr int kMaxSetBlockOrders = 500;
std::string SetDeletionBlockText(int orders);

}  // namespace batchdel

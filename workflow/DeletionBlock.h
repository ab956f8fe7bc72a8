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
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The statement that deletes a block of many orders as a whole, in one
// round trip. The orders travel as one bound text (WholeBlockOrders), which
// the block reads entry by entry in a loop: each order's lines go by their
// index, then its header, each checked with ROW_COUNT, so the work per order
// does not grow with the block and the statement names each table once
// whatever the number of orders. With a backup, an order must have exactly
// the backup's lines and its header. Anything else (a failing statement, a
// changed order, a number its column cannot hold, an entry that cannot be
// read) undoes the whole block and returns REFUSED = 1: the caller then takes
// those orders with the block above, order by order.
//
// Each entry is "<bytes>.<expected lines>.<number>", the expected lines
// empty without a backup: the number is cut out by its length in bytes, so
// it may hold any character, the separator too. The text is read as OCTETS
// and each number then taken as a text of the connection's character set,
// as the one-order statement receives it; so the byte lengths are the ones
// the driver sends, which the program knows only for a connection that
// sends its texts unconverted (WholeBlockCharacterSet).
//
// It returns one row: REFUSED and DONE, "<lines><+|->" per order in the
// block's order: the lines it deleted and whether its header went.
inline constexpr const char *kWholeBlockOrdersMarker = "ORDERS";
inline constexpr const char *kWholeBlockCountMarker = "ORDERCOUNT";
// The bound text's size in bytes, and at most that many orders a block: a
// block's server time stays a small part of a round trip's wait for Cancel.
inline constexpr size_t kWholeBlockBytes = 32000;
inline constexpr int kMaxWholeBlockOrders = 2000;

// The character set the whole block reads numbers in, for a connection of
// the given set (as its ServerCharSet names it); empty when the connection
// converts its texts, and the whole block cannot know their byte lengths.
std::string WholeBlockCharacterSet(const std::string &connectionCharSet);
std::string WholeDeletionBlockText(const std::string &characterSet);

// Appends one order's entry to the bound text; false (nothing appended) when
// it would not fit in kWholeBlockBytes.
bool AppendWholeBlockOrder(std::string &orders, const std::string &number, const std::optional<int64_t> &expectedLines);

struct WholeBlockResult {
    int64_t lines = 0;
    bool headerGone = false;
};
// The block's DONE for `count` orders; empty when it does not hold exactly
// that many entries.
std::vector<WholeBlockResult> ReadWholeBlockDone(std::string_view done, size_t count);

}  // namespace batchdel

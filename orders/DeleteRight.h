#pragma once
// Whether the connection's user may delete orders, found out before anything
// is written: a deletion that the server would refuse at its first order must
// leave no backup pair and no journal line behind.
class TSQLConnection;

namespace batchdel {

// Asks the server itself, with both deletions of an order in one statement
// that matches no row: the server checks the rights of the user, his role,
// PUBLIC and the owner as it would for a real deletion, and nothing is
// deleted. Raises the server's failure (an EDatabaseError of kind
// NoPermission, its message the server's words) when a right is missing, and
// any other failure of the statement as it comes. Runs in the connection's
// open transaction, or in one of its own that it rolls back; in its own, a
// connection found lost is made again once (it writes nothing).
void CheckDeleteRight(TSQLConnection &connection);

}  // namespace batchdel

#pragma once
// A second connection to the database another one reaches, with the same
// driver and parameters, for work that runs beside it (its own transaction,
// its own thread). It shows no busy pointer and asks for no login: it may be
// made and used away from the window's thread.
#include <memory>

class TSQLConnection;

namespace batchdel {

std::unique_ptr<TSQLConnection> ConnectionLike(const TSQLConnection &connection);

}  // namespace batchdel

#pragma once
// A connection found lost is made again, once, where that repeats nothing
// written.
//
// A connection can die while nothing runs on it (the server restarted over
// lunch, a router dropped an idle link, the laptop changed networks). The
// program learns it only from the next statement, which fails with the
// client's network error and drops the connection (TSQLConnection::
// CheckStatus). Work that has written nothing yet, or that only reads, is
// then run once more, and its first use of the connection connects again.
// Nothing here costs a round trip while the connection is alive: the dead
// connection is told by the failure of the statement the work sends anyway.
#include <cstdint>
#include <exception>

class TSQLConnection;

namespace batchdel {

// What the connection was when some work began.
class ConnectionWatch {
public:
    explicit ConnectionWatch(const TSQLConnection &connection);

    // Whether the work's failure is the loss of a connection that had been
    // made (before the work or during it) and has been dropped: the work may
    // then go again on a new one. A connection that could not be made at all
    // is not lost, and trying again would only report it twice.
    bool LostUnder(const std::exception_ptr &failure) const;

private:
    const TSQLConnection &connection_;
    bool wasConnected_;
    uint64_t connects_;
};

// Runs work that only reads and may start over from nothing. When the
// connection is lost under it, it runs once more on a new connection; a
// second failure, or a connection that cannot be made again, goes on to the
// caller with the client's words.
template <typename Work>
decltype(auto) ReadWithReconnect(TSQLConnection &connection, Work &&work) {
    {
        const ConnectionWatch watch(connection);
        try {
            return work();
        } catch (...) {
            if (!watch.LostUnder(std::current_exception())) throw;
        }
    }
    return work();
}

}  // namespace batchdel

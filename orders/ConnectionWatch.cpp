#include "orders/ConnectionWatch.h"

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"

namespace batchdel {

ConnectionWatch::ConnectionWatch(const TSQLConnection &connection)
    : connection_(connection), wasConnected_(connection.Connected()), connects_(connection.ConnectCount()) {}

bool ConnectionWatch::LostUnder(const std::exception_ptr &failure) const {
    if (!failure || connection_.Connected()) return false;
    if (!wasConnected_ && connection_.ConnectCount() == connects_) return false;
    try {
        std::rethrow_exception(failure);
    } catch (const EDatabaseError &error) {
        return error.Kind() == FailureKind::ConnectionLost;
    } catch (...) {
        return false;
    }
}

}  // namespace batchdel

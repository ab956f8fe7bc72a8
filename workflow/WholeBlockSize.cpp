#include "workflow/WholeBlockSize.h"

#include <algorithm>
#include <cmath>

namespace batchdel {

int NextWholeBlockOrders(int current, int most, const SentBlock &last, const SentBlock &before,
                         std::chrono::steady_clock::duration batchTime) {
    using Seconds = std::chrono::duration<double>;
    const auto within = [&](double orders) {
        const double grown = std::min(orders, static_cast<double>(current) * 8);
        return static_cast<int>(std::clamp(grown, 1.0, static_cast<double>(most)));
    };
    if (last.took > batchTime) return std::max(1, current / 2);
    // A block cut short by the end of the orders or by its text says little.
    const bool full = last.orders == static_cast<size_t>(current);
    if (before.orders > 0 && before.orders != last.orders) {
        const double perOrder = (Seconds(last.took).count() - Seconds(before.took).count()) /
                                (static_cast<double>(last.orders) - static_cast<double>(before.orders));
        const double link = Seconds(last.took).count() - perOrder * static_cast<double>(last.orders);
        if (perOrder > 0 && link >= 0) return std::max(current, within(Seconds(batchTime).count() / perOrder));
    }
    if (full && last.took < batchTime / 2) return within(current * 2.0);
    return current;
}

}  // namespace batchdel

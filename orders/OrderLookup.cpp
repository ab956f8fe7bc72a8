#include "orders/OrderLookup.h"

#include <algorithm>

#include "data/sql/SQLParams.h"

namespace batchdel {

std::string OrdersByNumberText(const std::string &select, int count) {
    std::string text = select + " WHERE MASTERBILLID IN (";
    for (int i = 1; i <= count; ++i) text += (i > 1 ? ",:O" : ":O") + std::to_string(i);
    return text + ")";
}

void BindOrderNumbers(TParams &params, int markers, size_t count,
                      const std::function<const std::string &(size_t)> &numberAt) {
    for (int i = 0; i < markers; ++i) {
        if (count == 0)
            params[i].SetNull();
        else
            params[i].SetString(numberAt(std::min(static_cast<size_t>(i), count - 1)));
    }
}

}  // namespace batchdel

#pragma once
// The six filter texts, read from the window's boxes exactly as they return
// them (nothing is trimmed, upper-cased or escaped at this point), or made by
// a command from days (YYYY/MM/DD) and codes.
#include <string>

namespace batchdel {

class OrderWindow;

struct FilterCriteria {
    // The window's date boxes: always 10 characters, spaces where not filled
    // in, the locale's separator. A command's: a day YYYY/MM/DD, or empty.
    std::string dateFrom;
    std::string dateTo;
    std::string customerFrom;  // free text, possibly empty
    std::string customerTo;
    std::string departmentFrom;
    std::string departmentTo;
    bool operator==(const FilterCriteria &) const = default;
};

// Reads the boxes at this moment. Every query is built from a fresh reading,
// so a box changed after listing counts for the next query or backup.
FilterCriteria ReadFilterCriteria(const OrderWindow &window);

}  // namespace batchdel

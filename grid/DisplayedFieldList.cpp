#include "grid/DisplayedFieldList.h"

#include <algorithm>

#include "grid/GridErrors.h"

namespace wwgrid {

void DisplayedFieldList::Add(int fieldPosition) {
    if (Count() == capacity_) {
        // The message keeps the old limit's wording that operators know.
        if (capacity_ >= kMaxDisplayedFields)
            throw EInvalidGridOperation("Grid requested to display more than 256 columns");
        capacity_ = capacity_ == 0 ? 8 : std::min(capacity_ * 2, kMaxDisplayedFields);
        positions_.reserve(capacity_);
    }
    positions_.push_back(fieldPosition);
}

}  // namespace wwgrid

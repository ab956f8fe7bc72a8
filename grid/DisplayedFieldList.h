#pragma once
// The positions (within the result set's fields) of the fields the grid
// shows, in display order. Room starts at 8 and doubles when full; past
// kMaxDisplayedFields the grid refuses to add more.
#include <vector>

namespace wwgrid {

constexpr int kMaxDisplayedFields = 16380;

class DisplayedFieldList {
public:
    void Clear() { positions_.clear(); }
    // Raises EInvalidGridOperation when the list is full.
    void Add(int fieldPosition);
    int Count() const { return int(positions_.size()); }
    int At(int index) const { return positions_[index]; }
    int Capacity() const { return capacity_; }

private:
    std::vector<int> positions_;
    int capacity_ = 0;
};

}  // namespace wwgrid

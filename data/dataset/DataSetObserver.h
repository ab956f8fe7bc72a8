#pragma once
// What a result set tells those that watch it (its data sources, and through
// them the links that show its rows). The result set owns this face and
// knows its watchers only by it.
class TField;

// Where a result set stands. A link keeps it from the last announcement that
// could have changed it: a walk over a million rows announces several times
// per row, and the link's answers need these three facts each time.
struct RowPosition {
    int rows = 0;  // rows shown (a row being inserted included)
    int cur = -1;  // current row, -1 when there is none
    bool active = false;
    bool operator==(const RowPosition &) const = default;
};

// What a result set announces to the links of its data sources.
enum class DataEvent {
    ActiveChanged,   // opened or closed
    DataSetChanged,  // rows changed (post, cancel, delete, reload): reload the window
    DataSetScroll,   // the current row moved; info = rows moved (signed)
    RecordChanged,   // a field of the current row changed; field = that field or null
    UpdateState,     // state changed (browse, edit, insert)
    LayoutChanged,   // fields' visibility, order, width or label changed
};

// How a link places its window when the rows changed (DataSetChanged's info).
enum class WindowReload : long {
    KeepPosition = 0,  // the current row keeps its place in the window
    FromFirst = 1,     // the window starts at the first row
    ToLast = 2,        // the window ends at the last row
    Centered = 3,      // the current row near the middle
};

class DataSetObserver {
public:
    // An announcement: the watcher's links follow the standing and hear of it.
    virtual void DataSetEvent(DataEvent event, long info, TField *field) = 0;
    // Announcements are held back: the row windows still follow the current
    // row, as they would have had the links heard every step.
    virtual void FollowQuietly(DataEvent event, long info) = 0;
    // The result set is going away; the watcher must not reach it again.
    virtual void DataSetGone() = 0;

protected:
    ~DataSetObserver() = default;
};

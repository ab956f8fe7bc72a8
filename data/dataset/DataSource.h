#pragma once
// A data source connects one client result set to its links (the grid). The
// result set announces its changes through the source; each link keeps a
// window of consecutive rows that it shows.
#include <algorithm>
#include <vector>

#include "data/dataset/Component.h"
#include "data/dataset/DataSetObserver.h"

class TClientDataSet;
class TField;
class TDataLink;

class TDataSource : public TComponent, public DataSetObserver {
public:
    explicit TDataSource(std::string name = {});
    ~TDataSource() override;

    void SetDataSet(TClientDataSet *dataSet);
    TClientDataSet *DataSet() const { return dataSet_; }
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool on) { autoEdit_ = on; }

    // Hands an announcement of the result set to every link.
    void Notify(DataEvent event, long info, TField *field);
    const std::vector<TDataLink *> &Links() const { return links_; }

    // What the result set tells its sources.
    void DataSetEvent(DataEvent event, long info, TField *field) override { Notify(event, info, field); }
    void FollowQuietly(DataEvent event, long info) override;
    void DataSetGone() override { dataSet_ = nullptr; }

private:
    friend class TDataLink;
    void AddLink(TDataLink *link);
    void RemoveLink(TDataLink *link);

    TClientDataSet *dataSet_ = nullptr;
    bool autoEdit_ = true;
    std::vector<TDataLink *> links_;
};

// A link's row window: up to BufferCount() consecutive rows of the result set.
// The result set keeps the current row inside the window. A move inside it
// only changes ActiveRecord(); a move past an edge shifts the window by as
// many rows as needed and is announced by DataSetScrolled(distance).
// Opening, First() and Last() fill the window from the first row or up to the
// last; a post, cancel or removal reloads it around the current row, keeping
// its position; SetRecNo reloads it with the current row near the middle.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return source_; }
    TClientDataSet *DataSet() const { return source_ ? source_->DataSet() : nullptr; }
    // The result set's standing as last announced (every change of it is
    // announced to the link, so it is the standing now).
    bool Active() const { return at_.active; }  // has an open result set

    void SetBufferCount(int rows);  // the window's size wanted (>= 1)
    int BufferCount() const { return bufferCount_; }
    // Rows in the window (<= BufferCount).
    int RecordCount() const { return at_.active ? std::clamp(at_.rows - firstRow_, 0, bufferCount_) : 0; }
    // Index of the current row in the window.
    int ActiveRecord() const { return at_.active && at_.cur >= 0 ? at_.cur - firstRow_ : 0; }
    int FirstRow() const { return firstRow_; }  // result-set row index (0-based) of window row 0
    // The result-set row (0-based) shown in window row i.
    int RowAt(int windowRow) const { return firstRow_ + windowRow; }

    // Callbacks (the announcements). DataSetScrolled is called after the
    // window moved; distance is how far the window moved, positive toward
    // later rows (0 when only the active record changed).
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() {}
    virtual void DataSetScrolled(int distance) { (void)distance; }
    virtual void RecordChanged(TField *field) { (void)field; }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() {}

private:
    friend class TDataSource;
    void HandleEvent(DataEvent event, long info, TField *field);
    // Takes the new standing and moves the window for an announcement;
    // returns how far the window moved.
    int Follow(DataEvent event, long info);
    // The data set's standing now (closed when there is none).
    void ReadStanding(RowPosition &at) const;
    // In debug builds: the standing kept is the data set's (for the events
    // that cannot change it).
    void CheckStandingUnchanged() const;
    // Puts the window where a reload of the given kind wants it; lastActive
    // is ActiveRecord() before the reload.
    void PlaceWindow(WindowReload how, int lastActive);
    // Makes the window hold the current row and as many rows as it can.
    void KeepCurrentInside();

    TDataSource *source_ = nullptr;
    RowPosition at_;
    int bufferCount_ = 1;
    int firstRow_ = 0;
};

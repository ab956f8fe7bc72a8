#include "data/dataset/DataSource.h"

#include <algorithm>
#include <cassert>

#include "data/dataset/ClientDataSet.h"

// ---- data source ----

TDataSource::TDataSource(std::string name) : TComponent(std::move(name)) {}

TDataSource::~TDataSource() {
    if (dataSet_) dataSet_->RemoveObserver(this);
    for (TDataLink *link : links_) {
        link->source_ = nullptr;
        link->at_ = RowPosition{};
        link->firstRow_ = 0;
    }
}

void TDataSource::SetDataSet(TClientDataSet *dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) dataSet_->RemoveObserver(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->AddObserver(this);
    // The links now look at other rows (or none).
    Notify(DataEvent::ActiveChanged, 0, nullptr);
}

void TDataSource::Notify(DataEvent event, long info, TField *field) {
    // By index: a handler may detach its link.
    for (size_t i = 0; i < links_.size(); ++i) links_[i]->HandleEvent(event, info, field);
}

void TDataSource::FollowQuietly(DataEvent event, long info) {
    for (TDataLink *link : links_) link->Follow(event, info);
}

void TDataSource::AddLink(TDataLink *link) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::RemoveLink(TDataLink *link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

// ---- link and its row window ----

TDataLink::~TDataLink() {
    if (source_) source_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource *source) {
    if (source == source_) return;
    bool wasActive = Active();
    if (source_) source_->RemoveLink(this);
    source_ = source;
    if (source_) source_->AddLink(this);
    firstRow_ = 0;
    ReadStanding(at_);
    KeepCurrentInside();
    if (Active() != wasActive) ActiveChanged();
}

void TDataLink::SetBufferCount(int rows) {
    bufferCount_ = std::max(1, rows);
    if (!Active()) return;
    PlaceWindow(WindowReload::KeepPosition, ActiveRecord());
}

void TDataLink::KeepCurrentInside() {
    if (!at_.active || at_.cur < 0)
        firstRow_ = 0;
    else if (at_.cur < firstRow_)
        firstRow_ = at_.cur;
    else if (at_.cur >= firstRow_ + bufferCount_)
        firstRow_ = at_.cur - bufferCount_ + 1;
}

void TDataLink::PlaceWindow(WindowReload how, int lastActive) {
    if (!at_.active) {
        firstRow_ = 0;
        return;
    }
    const int cur = at_.cur;
    switch (how) {
        case WindowReload::FromFirst:
            firstRow_ = cur;
            break;
        case WindowReload::ToLast:
            firstRow_ = cur - bufferCount_ + 1;
            break;
        case WindowReload::Centered:
            firstRow_ = cur - (bufferCount_ - 1) / 2;
            break;
        case WindowReload::KeepPosition:
            firstRow_ = cur - lastActive;
            break;
    }
    // A window is as full as the rows allow and holds the current row.
    firstRow_ = std::max(0, std::min(firstRow_, at_.rows - bufferCount_));
    KeepCurrentInside();
}

int TDataLink::Follow(DataEvent event, long info) {
    // A field's change and a change of state (edit, browse) leave the rows
    // and the current row where they were; every change that moves them is
    // announced as one of the other events. Reading the standing only for
    // those halves the work of a walk that edits and posts each row.
    if (event == DataEvent::RecordChanged || event == DataEvent::UpdateState) {
        CheckStandingUnchanged();
        return 0;
    }
    const int before = firstRow_;
    const int lastActive = ActiveRecord();
    ReadStanding(at_);
    switch (event) {
        case DataEvent::ActiveChanged:
            firstRow_ = 0;
            KeepCurrentInside();
            break;
        case DataEvent::DataSetChanged:
            PlaceWindow(static_cast<WindowReload>(info), lastActive);
            break;
        case DataEvent::DataSetScroll:
        case DataEvent::LayoutChanged:
            KeepCurrentInside();
            break;
        case DataEvent::RecordChanged:
        case DataEvent::UpdateState:
            break;
    }
    return firstRow_ - before;
}

void TDataLink::ReadStanding(RowPosition &at) const {
    if (TClientDataSet *ds = DataSet())
        ds->ReadPosition(at);
    else
        at = RowPosition{};
}

void TDataLink::CheckStandingUnchanged() const {
#ifndef NDEBUG
    RowPosition now;
    ReadStanding(now);
    assert(now == at_);
#endif
}

void TDataLink::HandleEvent(DataEvent event, long info, TField *field) {
    const int distance = Follow(event, info);
    switch (event) {
        case DataEvent::ActiveChanged:
            ActiveChanged();
            break;
        case DataEvent::DataSetChanged:
            DataSetChanged();
            break;
        case DataEvent::DataSetScroll:
            DataSetScrolled(distance);
            break;
        case DataEvent::RecordChanged:
            RecordChanged(field);
            break;
        case DataEvent::UpdateState:
            EditingChanged();
            break;
        case DataEvent::LayoutChanged:
            LayoutChanged();
            break;
    }
}

#include "DataSource.h"

#include <algorithm>

#include "ClientDataSet.h"

// ---- data source ----

TDataSource::TDataSource(std::string name) : TComponent(std::move(name)) {}

TDataSource::~TDataSource() {
    if (dataSet_) dataSet_->RemoveDataSource(this);
    for (TDataLink *link : links_) link->source_ = nullptr;
}

void TDataSource::SetDataSet(TClientDataSet *dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) dataSet_->RemoveDataSource(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->AddDataSource(this);
    // The links now look at other rows (or none).
    Notify(DataEvent::ActiveChanged, 0, nullptr);
}

void TDataSource::Notify(DataEvent event, long info, TField *field) {
    // By index: a handler may detach its link.
    for (size_t i = 0; i < links_.size(); ++i) links_[i]->HandleEvent(event, info, field);
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
    const Position at = ReadPosition();
    KeepCurrentInside(at);
    lastActive_ = ActiveRecordAt(at);
    if (Active() != wasActive) ActiveChanged();
}

TClientDataSet *TDataLink::DataSet() const { return source_ ? source_->DataSet() : nullptr; }

bool TDataLink::Active() const {
    TClientDataSet *ds = DataSet();
    return ds && ds->Active();
}

void TDataLink::SetBufferCount(int rows) {
    bufferCount_ = std::max(1, rows);
    if (!Active()) return;
    PlaceWindow(WindowReload::KeepPosition, ReadPosition());
}

int TDataLink::RecordCount() const {
    if (!Active()) return 0;
    int rows = DataSet()->DisplayRowCount() - firstRow_;
    return std::clamp(rows, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const { return ActiveRecordAt(ReadPosition()); }

int TDataLink::ActiveRecordAt(const Position &at) const {
    return at.active && at.cur >= 0 ? at.cur - firstRow_ : 0;
}

TDataLink::Position TDataLink::ReadPosition() const {
    Position at;
    TClientDataSet *ds = DataSet();
    if (!ds || !ds->Active()) return at;
    at.active = true;
    at.rows = ds->DisplayRowCount();
    at.cur = ds->CurrentRow();
    return at;
}

void TDataLink::KeepCurrentInside(const Position &at) {
    if (!at.active || at.cur < 0) firstRow_ = 0;
    else if (at.cur < firstRow_) firstRow_ = at.cur;
    else if (at.cur >= firstRow_ + bufferCount_) firstRow_ = at.cur - bufferCount_ + 1;
}

void TDataLink::PlaceWindow(WindowReload how, const Position &at) {
    if (!at.active) {
        firstRow_ = 0;
        return;
    }
    const int cur = at.cur;
    switch (how) {
    case WindowReload::FromFirst: firstRow_ = cur; break;
    case WindowReload::ToLast: firstRow_ = cur - bufferCount_ + 1; break;
    case WindowReload::Centered: firstRow_ = cur - (bufferCount_ - 1) / 2; break;
    case WindowReload::KeepPosition: firstRow_ = cur - lastActive_; break;
    }
    // A window is as full as the rows allow and holds the current row.
    firstRow_ = std::max(0, std::min(firstRow_, at.rows - bufferCount_));
    KeepCurrentInside(at);
}

int TDataLink::Follow(DataEvent event, long info) {
    const int before = firstRow_;
    const Position at = ReadPosition();
    switch (event) {
    case DataEvent::ActiveChanged:
        firstRow_ = 0;
        KeepCurrentInside(at);
        break;
    case DataEvent::DataSetChanged:
        PlaceWindow(static_cast<WindowReload>(info), at);
        break;
    case DataEvent::DataSetScroll:
    case DataEvent::LayoutChanged:
        KeepCurrentInside(at);
        break;
    case DataEvent::RecordChanged:
    case DataEvent::UpdateState:
        break;
    }
    lastActive_ = ActiveRecordAt(at);
    return firstRow_ - before;
}

void TDataLink::HandleEvent(DataEvent event, long info, TField *field) {
    const int distance = Follow(event, info);
    switch (event) {
    case DataEvent::ActiveChanged: ActiveChanged(); break;
    case DataEvent::DataSetChanged: DataSetChanged(); break;
    case DataEvent::DataSetScroll: DataSetScrolled(distance); break;
    case DataEvent::RecordChanged: RecordChanged(field); break;
    case DataEvent::UpdateState: EditingChanged(); break;
    case DataEvent::LayoutChanged: LayoutChanged(); break;
    }
}

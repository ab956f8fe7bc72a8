#pragma once
// The grid's link to its data source: hands every announcement of the
// result set to the grid's private part, which keeps the grid's row window
// through it.
#include "data/dataset/DataSource.h"

class TwwCustomDBGridPrivate;

class TwwGridDataLink : public TDataLink {
public:
    explicit TwwGridDataLink(TwwCustomDBGridPrivate *grid) : grid_(grid) {}

    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(TField *field) override;
    void EditingChanged() override;
    void LayoutChanged() override;

private:
    TwwCustomDBGridPrivate *grid_;
};

#pragma once
// The grid's link to its data source: hands every announcement of the
// result set to the grid, which keeps its row window through it.
#include "data/dataset/DataSource.h"

class TwwCustomDBGrid;

class TwwGridDataLink : public TDataLink {
public:
    explicit TwwGridDataLink(TwwCustomDBGrid *grid) : grid_(grid) {}

    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(TField *field) override;
    void EditingChanged() override;
    void LayoutChanged() override;

private:
    TwwCustomDBGrid *grid_;
};

#include "grid/TwwColumn.h"

#include "data/dataset/ClientDataSet.h"
#include "grid/ColumnList.h"
#include "grid/wwDBGrid.h"

TwwColumn::TwwColumn(const TwwCustomDBGrid *grid, QString fieldName) : grid_(grid), fieldName_(std::move(fieldName)) {
    if (grid_) groupName_ = wwgrid::ColumnEntryPart(grid_->Selected(), fieldName_, 5);
}

namespace {
TField *FieldOf(const TwwCustomDBGrid *grid, const QString &name) {
    TClientDataSet *set = grid ? grid->DataSet() : nullptr;
    return set && set->Active() ? set->FindField(name.toStdString()) : nullptr;
}
}  // namespace

int TwwColumn::DisplayWidth() const {
    TField *field = FieldOf(grid_, fieldName_);
    return field ? field->DisplayWidth() : 0;
}

QString TwwColumn::DisplayLabel() const {
    TField *field = FieldOf(grid_, fieldName_);
    return field ? QString::fromStdString(field->DisplayLabel()) : QString();
}

bool TwwColumn::ReadOnly() const {
    return grid_ && !fieldName_.isEmpty() && wwgrid::IsColumnReadOnly(grid_->Selected(), fieldName_);
}

unsigned char *TwwColumn::RowFlags() {
    if (!rowFlags_) rowFlags_ = std::make_unique<unsigned char[]>(256);
    return rowFlags_.get();
}

#include "grid/GridDataLink.h"

#include "grid/wwDBGrid_p.h"

void TwwGridDataLink::ActiveChanged() { grid_->LinkActiveChanged(); }
void TwwGridDataLink::DataSetChanged() { grid_->LinkDataSetChanged(); }
void TwwGridDataLink::DataSetScrolled(int distance) { grid_->LinkScrolled(distance); }
void TwwGridDataLink::RecordChanged(TField *field) { grid_->LinkRecordChanged(field); }
void TwwGridDataLink::EditingChanged() { grid_->LinkEditingChanged(); }
void TwwGridDataLink::LayoutChanged() { grid_->LinkLayoutChanged(); }

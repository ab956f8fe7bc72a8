#include "wwDBGrid.h"

TwwCustomDBGrid::TwwCustomDBGrid(QWidget *parent) : QAbstractScrollArea(parent) {}
TwwCustomDBGrid::~TwwCustomDBGrid() = default;

void TwwCustomDBGrid::SetDataSource(TDataSource *source) { dataSource_ = source; }

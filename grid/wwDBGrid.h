#pragma once
// The order grid: a cell grid bound to a data source.
#include <QAbstractScrollArea>

class TDataSource;

// A cell grid with fixed leading rows and columns, per-column widths,
// per-row heights, a current cell and scrolling, bound to a data source.
class TwwCustomDBGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TwwCustomDBGrid(QWidget *parent = nullptr);
    ~TwwCustomDBGrid() override;

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const { return dataSource_; }

private:
    TDataSource *dataSource_ = nullptr;
};

class TwwDBGrid : public TwwCustomDBGrid {
    Q_OBJECT
public:
    explicit TwwDBGrid(QWidget *parent = nullptr) : TwwCustomDBGrid(parent) {}
};

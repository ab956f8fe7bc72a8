// The grid's column model and layout: applying the column list, the
// displayed fields, widths, row heights, row count and the scroll bars.
#include <QFontMetrics>
#include <QScrollBar>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/Errors.h"
#include "grid/ColumnList.h"
#include "grid/GridDataLink.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

namespace {
// Holds back the result set's announcements and always releases them, also
// when applying the list fails half-way.
class ControlsDisabled {
public:
    explicit ControlsDisabled(TClientDataSet *set) : set_(set) { set_->DisableControls(); }
    ~ControlsDisabled() { set_->EnableControls(); }
    ControlsDisabled(const ControlsDisabled &) = delete;
    ControlsDisabled &operator=(const ControlsDisabled &) = delete;

private:
    TClientDataSet *set_;
};

class Reentry {
public:
    explicit Reentry(bool &flag) : flag_(flag) { flag_ = true; }
    ~Reentry() { flag_ = false; }
    Reentry(const Reentry &) = delete;
    Reentry &operator=(const Reentry &) = delete;

private:
    bool &flag_;
};
}  // namespace

void TwwCustomDBGrid::ApplyColumnList() {
    TClientDataSet *set = DataSet();
    if (!set || !set->Active() || d->selected.isEmpty()) return;
    for (int i = 0; i < set->FieldCount(); ++i)
        if (set->Field(i)->Calculated()) return;
    {
        Reentry applying(d->applyingColumnList);
        ControlsDisabled held(set);
        for (int i = 0; i < set->FieldCount(); ++i) set->Field(i)->SetVisible(false);
        for (int i = 0; i < d->selected.size(); ++i) {
            const QString &entry = d->selected[i];
            TField *field = set->FindField(wwgrid::EntryPart(entry, 1).toStdString());
            if (!field) continue;  // a field this query does not deliver
            const int parts = wwgrid::EntryPartCount(entry);
            if (parts < 2) throw EListError("List index out of bounds (1)");
            const int width = StrToInt(wwgrid::EntryPart(entry, 2).toStdString());
            if (parts < 3) throw EListError("List index out of bounds (2)");
            field->SetDisplayWidth(width);
            field->SetDisplayLabel(wwgrid::EntryPart(entry, 3).toStdString());
            field->SetIndex(std::min(i, set->FieldCount() - 1));
            field->SetVisible(true);
        }
    }
    RebuildLayout();
}

void TwwCustomDBGrid::RebuildLayout() {
    if (d->inLayout) return;
    Reentry running(d->inLayout);
    SetRowHeights();
    RebuildDisplayedFields();
    d->col = std::clamp(d->col, 1, ColCount() - 1);
    d->geom.leftCol = std::clamp(d->geom.leftCol, 1, ColCount() - 1);
    UpdateRowCount();
    ComputeColumnWidths();
    const int rowsBefore = d->geom.FullyVisibleDataRows();
    UpdateScrollBars();
    // A horizontal bar that came or went changes how many rows fit.
    if (d->geom.FullyVisibleDataRows() != rowsBefore) UpdateRowCount();
    UpdateActiveRow();
    InvalidateGrid();
}

void TwwCustomDBGrid::SetRowHeights() {
    d->geom.rowHeight =
        wwgrid::DataRowHeight(QFontMetrics(font()).height(), d->options.testFlag(dgRowLines), d->rowHeightPercent);
    d->geom.titleHeight = wwgrid::TitleRowHeight(QFontMetrics(TitleFont()).height(), d->titleLines);
}

void TwwCustomDBGrid::RebuildDisplayedFields() {
    d->displayed.Clear();
    d->columns.clear();
    if (DataActive()) {
        TClientDataSet *set = DataSet();
        for (int i = 0; i < set->FieldCount(); ++i) {
            TField *field = set->Field(i);
            if (!field->Visible()) continue;
            d->displayed.Add(i);
            d->columns.emplace_back(this, QString::fromStdString(field->FieldName()));
        }
    }
    // The empty column of a closed grid keeps the width column 1 last had.
    const int lastWidth = d->geom.colWidths.size() > 1 ? d->geom.colWidths[1] : wwgrid::kDefaultColWidth;
    d->geom.colWidths.assign(size_t(std::max(1, d->displayed.Count()) + 1), lastWidth);
    d->geom.colWidths[0] = wwgrid::kIndicatorWidth;
}

void TwwCustomDBGrid::UpdateRowCount() {
    d->geom.clientWidth = viewport()->width();
    d->geom.clientHeight = viewport()->height();
    if (DataActive()) {
        // The row window holds exactly the rows that fit.
        const int wanted = d->geom.FullyVisibleDataRows();
        if (d->dataLink->BufferCount() != wanted) d->dataLink->SetBufferCount(wanted);
        const int rows = d->dataLink->RecordCount();
        d->geom.rowCount = rows > 0 ? rows + 1 : 2;
    } else {
        d->geom.rowCount = 2;
    }
}

void TwwCustomDBGrid::ComputeColumnWidths() {
    const QFontMetrics dataMetrics(font());
    const QFontMetrics titleMetrics(TitleFont());
    const int zero = dataMetrics.horizontalAdvance(QLatin1Char('0'));
    d->tabStops.assign(size_t(ColCount()), false);
    for (int i = 0; i < d->displayed.Count(); ++i) {
        TField *field = DisplayedField(i);
        int widestTitle = 0;
        for (const QString &line : QString::fromStdString(field->DisplayLabel()).split(QLatin1Char('~')))
            widestTitle = std::max(widestTitle, titleMetrics.horizontalAdvance(line));
        d->geom.colWidths[size_t(i + 1)] = wwgrid::ColumnPixelWidth(zero, field->DisplayWidth(), widestTitle);
        d->tabStops[size_t(i + 1)] =
            !field->ReadOnly() && !d->columns[size_t(i)].ReadOnly() && (!field->Calculated() || d->editCalculated);
    }
    d->cacheColInfo.assign(size_t(ColCount()), TwwCacheColInfoItem{});
    for (int i = 0; i < d->displayed.Count(); ++i) {
        const wwgrid::ControlInfo info = wwgrid::GetControlInfo(d->controlType, d->columns[size_t(i)].FieldName());
        TwwCacheColInfoItem &item = d->cacheColInfo[size_t(i + 1)];
        item.controlType = info.kind;
        item.parameters = info.params;
        item.checkedValue = wwgrid::PaintCheckedValue(info);
        item.alwaysShow = info.params.section(QLatin1Char(';'), 1, 1) == QLatin1String("T") && !info.kind.isEmpty() &&
                          info.kind != QLatin1String("CheckBox");
    }
}

void TwwCustomDBGrid::ResizeColumnByOperator(int gridCol, int pixels) {
    if (gridCol < 1 || gridCol >= ColCount() || !DataActive()) return;
    d->geom.colWidths[size_t(gridCol)] = pixels;
    const int zero = QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'));
    {
        Reentry running(d->inLayout);  // each width change announces a layout change
        for (int i = 0; i < d->displayed.Count(); ++i)
            DisplayedField(i)->SetDisplayWidth(wwgrid::DisplayWidthForPixels(d->geom.colWidths[size_t(i + 1)], zero));
    }
    RebuildLayout();
}

TField *TwwCustomDBGrid::DisplayedField(int index) const {
    if (index < 0 || index >= d->displayed.Count() || !DataActive()) return nullptr;
    return DataSet()->Field(d->displayed.At(index));
}

TField *TwwCustomDBGrid::ColumnField(int gridCol) const { return DisplayedField(gridCol - 1); }

const TwwColumn &TwwCustomDBGrid::Column(int index) const {
    return index >= 0 && index < int(d->columns.size()) ? d->columns[size_t(index)] : d->emptyColumn;
}

const TwwColumn &TwwCustomDBGrid::ColumnByName(const QString &fieldName) const {
    for (const TwwColumn &column : d->columns)
        if (wwgrid::EqualsIgnoringAsciiCase(column.FieldName(), fieldName)) return column;
    return d->emptyColumn;
}

const TwwCacheColInfoItem &TwwCustomDBGrid::CacheColInfo(int gridCol) const {
    static const TwwCacheColInfoItem none;
    return gridCol >= 0 && gridCol < int(d->cacheColInfo.size()) ? d->cacheColInfo[size_t(gridCol)] : none;
}

bool TwwCustomDBGrid::TabStop(int gridCol) const {
    return gridCol >= 0 && gridCol < int(d->tabStops.size()) && d->tabStops[size_t(gridCol)];
}

// ---------------------------------------------------------------- scroll bars

void TwwCustomDBGrid::UpdateScrollBars() {
    if (d->updatingScrollBars) return;
    d->geom.clientWidth = viewport()->width();
    d->geom.clientHeight = viewport()->height();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
}

void TwwCustomDBGrid::UpdateHorzScrollBar() {
    Reentry updating(d->updatingScrollBars);
    QScrollBar *bar = horizontalScrollBar();
    d->geom.leftCol = std::clamp(d->geom.leftCol, 1, d->geom.MaxLeftCol());
    if (d->showHorzScrollBar && !d->geom.ColumnsFit()) {
        bar->setRange(0, 127);
        bar->setPageStep(1);
        bar->setSingleStep(1);
        bar->setValue(d->geom.HorzScrollPos());
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
        bar->setRange(0, 0);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    d->geom.clientWidth = viewport()->width();
    d->geom.clientHeight = viewport()->height();
}

void TwwCustomDBGrid::UpdateVertScrollBar() {
    if (!d->showVertScrollBar || !DataActive()) return;
    TClientDataSet *set = DataSet();
    const int recNo = set->State() == DataSetState::Insert && d->lastVertScroll ? d->lastVertScroll->pos : set->RecNo();
    const wwgrid::VertScrollInfo info =
        wwgrid::ComputeVertScroll(true, set->RecordCount(), VisibleRowCount(), recNo, set->AtStart(), set->AtEnd());
    if (d->lastVertScroll && *d->lastVertScroll == info) return;  // nothing changed
    d->lastVertScroll = info;
    Reentry updating(d->updatingScrollBars);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(info.min, info.QtMaximum());
    bar->setPageStep(info.page);
    bar->setValue(info.pos);
    // A bar that cannot scroll stays visible but disabled.
    bar->setEnabled(info.Enabled());
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOn) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        d->geom.clientWidth = viewport()->width();
        d->geom.clientHeight = viewport()->height();
    }
}

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
    d->SetRowHeights();
    d->RebuildDisplayedFields();
    d->col = std::clamp(d->col, 1, ColCount() - 1);
    d->geom.leftCol = std::clamp(d->geom.leftCol, 1, ColCount() - 1);
    d->UpdateRowCount();
    d->ComputeColumnWidths();
    const int rowsBefore = d->geom.FullyVisibleDataRows();
    d->UpdateScrollBars();
    // A horizontal bar that came or went changes how many rows fit.
    if (d->geom.FullyVisibleDataRows() != rowsBefore) d->UpdateRowCount();
    d->UpdateActiveRow();
    d->InvalidateGrid();
}

void TwwCustomDBGridPrivate::SetRowHeights() {
    geom.rowHeight =
        wwgrid::DataRowHeight(QFontMetrics(q->font()).height(), options.testFlag(dgRowLines), rowHeightPercent);
    geom.titleHeight = wwgrid::TitleRowHeight(QFontMetrics(q->TitleFont()).height(), titleLines);
}

void TwwCustomDBGridPrivate::RebuildDisplayedFields() {
    displayed.Clear();
    columns.clear();
    if (q->DataActive()) {
        TClientDataSet *set = q->DataSet();
        for (int i = 0; i < set->FieldCount(); ++i) {
            TField *field = set->Field(i);
            if (!field->Visible()) continue;
            displayed.Add(i);
            columns.emplace_back(q, QString::fromStdString(field->FieldName()));
        }
    }
    // The empty column of a closed grid keeps the width column 1 last had.
    const int lastWidth = geom.colWidths.size() > 1 ? geom.colWidths[1] : wwgrid::kDefaultColWidth;
    geom.colWidths.assign(size_t(std::max(1, displayed.Count()) + 1), lastWidth);
    geom.colWidths[0] = wwgrid::kIndicatorWidth;
}

void TwwCustomDBGridPrivate::UpdateRowCount() {
    geom.clientWidth = q->viewport()->width();
    geom.clientHeight = q->viewport()->height();
    if (q->DataActive()) {
        // The row window holds exactly the rows that fit.
        const int wanted = geom.FullyVisibleDataRows();
        if (dataLink->BufferCount() != wanted) dataLink->SetBufferCount(wanted);
        const int rows = dataLink->RecordCount();
        geom.rowCount = rows > 0 ? rows + 1 : 2;
    } else {
        geom.rowCount = 2;
    }
}

void TwwCustomDBGridPrivate::ComputeColumnWidths() {
    const QFontMetrics dataMetrics(q->font());
    const QFontMetrics titleMetrics(q->TitleFont());
    const int zero = dataMetrics.horizontalAdvance(QLatin1Char('0'));
    tabStops.assign(size_t(q->ColCount()), false);
    for (int i = 0; i < displayed.Count(); ++i) {
        TField *field = q->DisplayedField(i);
        int widestTitle = 0;
        for (const QString &line : QString::fromStdString(field->DisplayLabel()).split(QLatin1Char('~')))
            widestTitle = std::max(widestTitle, titleMetrics.horizontalAdvance(line));
        geom.colWidths[size_t(i + 1)] = wwgrid::ColumnPixelWidth(zero, field->DisplayWidth(), widestTitle);
        tabStops[size_t(i + 1)] =
            !field->ReadOnly() && !columns[size_t(i)].ReadOnly() && (!field->Calculated() || editCalculated);
    }
    cacheColInfo.assign(size_t(q->ColCount()), TwwCacheColInfoItem{});
    for (int i = 0; i < displayed.Count(); ++i) {
        const wwgrid::ControlInfo info = wwgrid::GetControlInfo(controlType, columns[size_t(i)].FieldName());
        TwwCacheColInfoItem &item = cacheColInfo[size_t(i + 1)];
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

void TwwCustomDBGridPrivate::UpdateScrollBars() {
    if (updatingScrollBars) return;
    geom.clientWidth = q->viewport()->width();
    geom.clientHeight = q->viewport()->height();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
}

void TwwCustomDBGridPrivate::UpdateHorzScrollBar() {
    Reentry updating(updatingScrollBars);
    QScrollBar *bar = q->horizontalScrollBar();
    geom.leftCol = std::clamp(geom.leftCol, 1, geom.MaxLeftCol());
    if (showHorzScrollBar && !geom.ColumnsFit()) {
        bar->setRange(0, 127);
        bar->setPageStep(1);
        bar->setSingleStep(1);
        bar->setValue(geom.HorzScrollPos());
        q->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
        bar->setRange(0, 0);
        q->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    geom.clientWidth = q->viewport()->width();
    geom.clientHeight = q->viewport()->height();
}

void TwwCustomDBGridPrivate::UpdateVertScrollBar() {
    if (!showVertScrollBar || !q->DataActive()) return;
    TClientDataSet *set = q->DataSet();
    const int recNo = set->State() == DataSetState::Insert && lastVertScroll ? lastVertScroll->pos : set->RecNo();
    const wwgrid::VertScrollInfo info =
        wwgrid::ComputeVertScroll(true, set->RecordCount(), q->VisibleRowCount(), recNo, set->AtStart(), set->AtEnd());
    if (lastVertScroll && *lastVertScroll == info) return;  // nothing changed
    lastVertScroll = info;
    Reentry updating(updatingScrollBars);
    QScrollBar *bar = q->verticalScrollBar();
    bar->setRange(info.min, info.QtMaximum());
    bar->setPageStep(info.page);
    bar->setValue(info.pos);
    // A bar that cannot scroll stays visible but disabled.
    bar->setEnabled(info.Enabled());
    if (q->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOn) {
        q->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        geom.clientWidth = q->viewport()->width();
        geom.clientHeight = q->viewport()->height();
    }
}

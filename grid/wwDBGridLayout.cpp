// The grid's column model and layout: applying the column list, the
// displayed fields, widths, row heights, row count and the scroll bars.
#include <QFontMetrics>
#include <QScrollBar>

#include "ClientDataSet.h"
#include "ColumnList.h"
#include "Errors.h"
#include "GridDataLink.h"
#include "wwDBGrid.h"

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
    if (!set || !set->Active() || selected_.isEmpty()) return;
    for (int i = 0; i < set->FieldCount(); ++i)
        if (set->Field(i)->Calculated()) return;
    {
        Reentry applying(applyingColumnList_);
        ControlsDisabled held(set);
        for (int i = 0; i < set->FieldCount(); ++i) set->Field(i)->SetVisible(false);
        for (int i = 0; i < selected_.size(); ++i) {
            const QString &entry = selected_[i];
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
    if (inLayout_) return;
    Reentry running(inLayout_);
    SetRowHeights();
    RebuildDisplayedFields();
    col_ = std::clamp(col_, 1, ColCount() - 1);
    geom_.leftCol = std::clamp(geom_.leftCol, 1, ColCount() - 1);
    UpdateRowCount();
    ComputeColumnWidths();
    const int rowsBefore = geom_.FullyVisibleDataRows();
    UpdateScrollBars();
    // A horizontal bar that came or went changes how many rows fit.
    if (geom_.FullyVisibleDataRows() != rowsBefore) UpdateRowCount();
    UpdateActiveRow();
    InvalidateGrid();
}

void TwwCustomDBGrid::SetRowHeights() {
    geom_.rowHeight =
        wwgrid::DataRowHeight(QFontMetrics(font()).height(), options_.testFlag(dgRowLines), rowHeightPercent_);
    geom_.titleHeight = wwgrid::TitleRowHeight(QFontMetrics(TitleFont()).height(), titleLines_);
}

void TwwCustomDBGrid::RebuildDisplayedFields() {
    displayed_.Clear();
    columns_.clear();
    if (DataActive()) {
        TClientDataSet *set = DataSet();
        for (int i = 0; i < set->FieldCount(); ++i) {
            TField *field = set->Field(i);
            if (!field->Visible()) continue;
            displayed_.Add(i);
            columns_.emplace_back(this, QString::fromStdString(field->FieldName()));
        }
    }
    // The empty column of a closed grid keeps the width column 1 last had.
    const int lastWidth = geom_.colWidths.size() > 1 ? geom_.colWidths[1] : wwgrid::kDefaultColWidth;
    geom_.colWidths.assign(size_t(std::max(1, displayed_.Count()) + 1), lastWidth);
    geom_.colWidths[0] = wwgrid::kIndicatorWidth;
}

void TwwCustomDBGrid::UpdateRowCount() {
    geom_.clientWidth = viewport()->width();
    geom_.clientHeight = viewport()->height();
    if (DataActive()) {
        // The row window holds exactly the rows that fit.
        const int wanted = geom_.FullyVisibleDataRows();
        if (dataLink_->BufferCount() != wanted) dataLink_->SetBufferCount(wanted);
        const int rows = dataLink_->RecordCount();
        geom_.rowCount = rows > 0 ? rows + 1 : 2;
    } else {
        geom_.rowCount = 2;
    }
}

void TwwCustomDBGrid::ComputeColumnWidths() {
    const QFontMetrics dataMetrics(font());
    const QFontMetrics titleMetrics(TitleFont());
    const int zero = dataMetrics.horizontalAdvance(QLatin1Char('0'));
    tabStops_.assign(size_t(ColCount()), false);
    for (int i = 0; i < displayed_.Count(); ++i) {
        TField *field = DisplayedField(i);
        int widestTitle = 0;
        for (const QString &line : QString::fromStdString(field->DisplayLabel()).split(QLatin1Char('~')))
            widestTitle = std::max(widestTitle, titleMetrics.horizontalAdvance(line));
        geom_.colWidths[size_t(i + 1)] = wwgrid::ColumnPixelWidth(zero, field->DisplayWidth(), widestTitle);
        tabStops_[size_t(i + 1)] =
            !field->ReadOnly() && !columns_[size_t(i)].ReadOnly() && (!field->Calculated() || editCalculated_);
    }
    cacheColInfo_.assign(size_t(ColCount()), TwwCacheColInfoItem{});
    for (int i = 0; i < displayed_.Count(); ++i) {
        const wwgrid::ControlInfo info = wwgrid::GetControlInfo(controlType_, columns_[size_t(i)].FieldName());
        TwwCacheColInfoItem &item = cacheColInfo_[size_t(i + 1)];
        item.controlType = info.kind;
        item.parameters = info.params;
        item.checkedValue = wwgrid::PaintCheckedValue(info);
        item.alwaysShow = info.params.section(QLatin1Char(';'), 1, 1) == QLatin1String("T") && !info.kind.isEmpty() &&
                          info.kind != QLatin1String("CheckBox");
    }
}

void TwwCustomDBGrid::ResizeColumnByOperator(int gridCol, int pixels) {
    if (gridCol < 1 || gridCol >= ColCount() || !DataActive()) return;
    geom_.colWidths[size_t(gridCol)] = pixels;
    const int zero = QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'));
    {
        Reentry running(inLayout_);  // each width change announces a layout change
        for (int i = 0; i < displayed_.Count(); ++i)
            DisplayedField(i)->SetDisplayWidth(wwgrid::DisplayWidthForPixels(geom_.colWidths[size_t(i + 1)], zero));
    }
    RebuildLayout();
}

TField *TwwCustomDBGrid::DisplayedField(int index) const {
    if (index < 0 || index >= displayed_.Count() || !DataActive()) return nullptr;
    return DataSet()->Field(displayed_.At(index));
}

TField *TwwCustomDBGrid::ColumnField(int gridCol) const { return DisplayedField(gridCol - 1); }

const TwwColumn &TwwCustomDBGrid::Column(int index) const {
    return index >= 0 && index < int(columns_.size()) ? columns_[size_t(index)] : emptyColumn_;
}

const TwwColumn &TwwCustomDBGrid::ColumnByName(const QString &fieldName) const {
    for (const TwwColumn &column : columns_)
        if (wwgrid::EqualsIgnoringAsciiCase(column.FieldName(), fieldName)) return column;
    return emptyColumn_;
}

const TwwCacheColInfoItem &TwwCustomDBGrid::CacheColInfo(int gridCol) const {
    static const TwwCacheColInfoItem none;
    return gridCol >= 0 && gridCol < int(cacheColInfo_.size()) ? cacheColInfo_[size_t(gridCol)] : none;
}

bool TwwCustomDBGrid::TabStop(int gridCol) const {
    return gridCol >= 0 && gridCol < int(tabStops_.size()) && tabStops_[size_t(gridCol)];
}

// ---------------------------------------------------------------- scroll bars

void TwwCustomDBGrid::UpdateScrollBars() {
    if (updatingScrollBars_) return;
    geom_.clientWidth = viewport()->width();
    geom_.clientHeight = viewport()->height();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
}

void TwwCustomDBGrid::UpdateHorzScrollBar() {
    Reentry updating(updatingScrollBars_);
    QScrollBar *bar = horizontalScrollBar();
    geom_.leftCol = std::clamp(geom_.leftCol, 1, geom_.MaxLeftCol());
    if (showHorzScrollBar_ && !geom_.ColumnsFit()) {
        bar->setRange(0, 127);
        bar->setPageStep(1);
        bar->setSingleStep(1);
        bar->setValue(geom_.HorzScrollPos());
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
        bar->setRange(0, 0);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    geom_.clientWidth = viewport()->width();
    geom_.clientHeight = viewport()->height();
}

void TwwCustomDBGrid::UpdateVertScrollBar() {
    if (!showVertScrollBar_ || !DataActive()) return;
    TClientDataSet *set = DataSet();
    const int recNo = set->State() == DataSetState::Insert && lastVertScroll_ ? lastVertScroll_->pos : set->RecNo();
    const wwgrid::VertScrollInfo info =
        wwgrid::ComputeVertScroll(true, set->RecordCount(), VisibleRowCount(), recNo, set->AtStart(), set->AtEnd());
    if (lastVertScroll_ && *lastVertScroll_ == info) return;  // nothing changed
    lastVertScroll_ = info;
    Reentry updating(updatingScrollBars_);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(info.min, info.QtMaximum());
    bar->setPageStep(info.page);
    bar->setValue(info.pos);
    // A bar that cannot scroll stays visible but disabled.
    bar->setEnabled(info.Enabled());
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOn) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        geom_.clientWidth = viewport()->width();
        geom_.clientHeight = viewport()->height();
    }
}

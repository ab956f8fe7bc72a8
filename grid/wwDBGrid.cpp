// The grid as a whole: construction, the data binding, the settings, the
// geometry and the current cell, repaint requests, and how the grid follows
// the result set's announcements.
#include "grid/wwDBGrid.h"

#include <QEvent>
#include <QFocusEvent>
#include <QScrollBar>
#include <QStyle>
#include <cstdlib>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "grid/GridDataLink.h"
#include "grid/IndicatorImages.h"
#include "grid/ThumbScrollBar.h"
#include "grid/wwDBGrid_p.h"

TwwCustomDBGridPrivate::TwwCustomDBGridPrivate(TwwCustomDBGrid *grid)
    : q(grid), dataLink(std::make_unique<TwwGridDataLink>(this)) {}

TwwCustomDBGridPrivate *TwwCustomDBGridPrivate::Of(TwwCustomDBGrid *grid) { return grid->d.get(); }
const TwwCustomDBGridPrivate *TwwCustomDBGridPrivate::Of(const TwwCustomDBGrid *grid) { return grid->d.get(); }

TwwCustomDBGrid::TwwCustomDBGrid(QWidget *parent)
    : QAbstractScrollArea(parent), d(std::make_unique<TwwCustomDBGridPrivate>(this)) {
    // The controls over the current cell and the column drag watch the grid
    // from the start.
    d->cellControls = std::make_unique<wwgrid::CellControls>(d.get());
    d->columnDrag = std::make_unique<wwgrid::ColumnDrag>(this);
    wwgrid::IndicatorImages::Acquire();
    setFocusPolicy(Qt::StrongFocus);
    // Every paint covers its whole region from the off-screen picture, so the
    // platform must not erase first (that would flicker).
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setAutoFillBackground(false);
    setVerticalScrollBar(new wwgrid::ThumbScrollBar(Qt::Vertical, this));
    // The bars are set by the grid itself: the vertical one only once a
    // result set has been open, the horizontal one when columns do not fit.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!d->updatingScrollBars) SetLeftCol(d->geom.LeftColForHorzPos(value));
    });
    d->ConnectInput();
    RebuildLayout();
}

TwwCustomDBGrid::~TwwCustomDBGrid() {
    d->dataLink->SetDataSource(nullptr);
    wwgrid::IndicatorImages::Release();
}

// ---------------------------------------------------------------- binding

void TwwCustomDBGrid::SetDataSource(TDataSource *source) {
    if (source == d->dataSource) return;
    const bool wasActive = DataActive();
    d->dataSource = source;
    d->dataLink->SetDataSource(source);  // announces a change of activity itself
    if (DataActive() == wasActive) d->LinkActiveChanged();
}

TDataSource *TwwCustomDBGrid::DataSource() const { return d->dataSource; }
bool TwwCustomDBGrid::DataActive() const { return d->dataLink->Active(); }
const QStringList &TwwCustomDBGrid::Selected() const { return d->selected; }
const QStringList &TwwCustomDBGrid::ControlType() const { return d->controlType; }
TClientDataSet *TwwCustomDBGrid::DataSet() const { return d->dataSource ? d->dataSource->DataSet() : nullptr; }

void TwwCustomDBGrid::SetSelected(const QStringList &entries) { d->selected = entries; }

void TwwCustomDBGrid::SetControlType(const QStringList &entries) {
    d->controlType = entries;
    RebuildLayout();
}

// ---------------------------------------------------------------- settings

TwwDBGridOptions TwwCustomDBGrid::Options() const { return d->options; }
TwwKeyOptions TwwCustomDBGrid::KeyOptions() const { return d->keyOptions; }
void TwwCustomDBGrid::SetKeyOptions(TwwKeyOptions options) { d->keyOptions = options; }
TwwEditControlOptions TwwCustomDBGrid::EditControlOptions() const { return d->editControlOptions; }
void TwwCustomDBGrid::SetEditControlOptions(TwwEditControlOptions options) { d->editControlOptions = options; }
unsigned TwwCustomDBGrid::MultiSelectOptions() const { return d->multiSelectOptions; }
void TwwCustomDBGrid::SetMultiSelectOptions(unsigned options) { d->multiSelectOptions = options; }
QFont TwwCustomDBGrid::TitleFont() const { return d->titleFont ? *d->titleFont : font(); }
TwwTitleAlignment TwwCustomDBGrid::TitleAlignment() const { return d->titleAlignment; }
int TwwCustomDBGrid::TitleLines() const { return d->titleLines; }
bool TwwCustomDBGrid::TitleButtons() const { return d->titleButtons; }
void TwwCustomDBGrid::SetTitleButtons(bool on) { d->titleButtons = on; }
int TwwCustomDBGrid::FixedCols() const { return d->fixedCols; }
void TwwCustomDBGrid::SetFixedCols(int cols) { d->fixedCols = cols; }
bool TwwCustomDBGrid::ShowHorzScrollBar() const { return d->showHorzScrollBar; }
bool TwwCustomDBGrid::ShowVertScrollBar() const { return d->showVertScrollBar; }
bool TwwCustomDBGrid::DisableThemes() const { return d->disableThemes; }
bool TwwCustomDBGrid::DisableThemesInTitle() const { return d->disableThemesInTitle; }
TwwGridLineStyle TwwCustomDBGrid::LineStyle() const { return d->lineStyle; }
const TwwLineColors &TwwCustomDBGrid::LineColors() const { return d->lineColors; }
TwwPadColumnStyle TwwCustomDBGrid::PadColumnStyle() const { return d->padColumnStyle; }
TwwIndicatorColor TwwCustomDBGrid::IndicatorColor() const { return d->indicatorColor; }
void TwwCustomDBGrid::SetIndicatorColor(TwwIndicatorColor color) { d->indicatorColor = color; }
int TwwCustomDBGrid::RowHeightPercent() const { return d->rowHeightPercent; }
bool TwwCustomDBGrid::DefaultDrawing() const { return d->defaultDrawing; }
void TwwCustomDBGrid::SetDefaultDrawing(bool on) { d->defaultDrawing = on; }
bool TwwCustomDBGrid::UseTFields() const { return d->useTFields; }
void TwwCustomDBGrid::SetUseTFields(bool on) { d->useTFields = on; }
bool TwwCustomDBGrid::ReadOnly() const { return d->readOnly; }
void TwwCustomDBGrid::SetReadOnly(bool on) { d->readOnly = on; }
bool TwwCustomDBGrid::EditCalculated() const { return d->editCalculated; }
void TwwCustomDBGrid::SetEditCalculated(bool on) { d->editCalculated = on; }
const TwwIniAttributes &TwwCustomDBGrid::IniAttributes() const { return d->iniAttributes; }
void TwwCustomDBGrid::SetIniAttributes(const TwwIniAttributes &ini) { d->iniAttributes = ini; }
const TwwDittoAttributes &TwwCustomDBGrid::DittoAttributes() const { return d->dittoAttributes; }
void TwwCustomDBGrid::SetDittoAttributes(const TwwDittoAttributes &ditto) { d->dittoAttributes = ditto; }

void TwwCustomDBGrid::SetOptions(TwwDBGridOptions options) {
    d->options = options;
    RebuildLayout();
}

void TwwCustomDBGrid::SetTitleFont(const QFont &f) {
    d->titleFont = f;
    RebuildLayout();
}

void TwwCustomDBGrid::SetTitleAlignment(TwwTitleAlignment alignment) {
    d->titleAlignment = alignment;
    d->InvalidateGrid();
}

void TwwCustomDBGrid::SetTitleLines(int lines) {
    d->titleLines = std::max(1, lines);
    RebuildLayout();
}

void TwwCustomDBGrid::SetShowHorzScrollBar(bool on) {
    d->showHorzScrollBar = on;
    d->UpdateScrollBars();
}

void TwwCustomDBGrid::SetShowVertScrollBar(bool on) {
    d->showVertScrollBar = on;
    d->lastVertScroll.reset();
    d->UpdateScrollBars();
}

void TwwCustomDBGrid::SetDisableThemes(bool on) {
    d->disableThemes = on;
    d->InvalidateGrid();
}

void TwwCustomDBGrid::SetDisableThemesInTitle(bool on) {
    d->disableThemesInTitle = on;
    d->InvalidateGrid();
}

void TwwCustomDBGrid::SetLineStyle(TwwGridLineStyle style) {
    d->lineStyle = style;
    d->InvalidateGrid();
}

void TwwCustomDBGrid::SetLineColors(const TwwLineColors &colors) {
    d->lineColors = colors;
    d->InvalidateGrid();
}

void TwwCustomDBGrid::SetPadColumnStyle(TwwPadColumnStyle style) {
    d->padColumnStyle = style;
    d->InvalidateGrid();
}

void TwwCustomDBGrid::SetRowHeightPercent(int percent) {
    d->rowHeightPercent = percent;
    RebuildLayout();
}

QColor TwwCustomDBGrid::Color() const { return palette().color(QPalette::Base); }
QColor TwwCustomDBGrid::TitleColor() const { return palette().color(QPalette::Button); }

bool TwwCustomDBGridPrivate::ThemesActive() const {
    return q->style()->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

bool TwwCustomDBGridPrivate::TitlesThemed() const { return ThemesActive() && !disableThemes && !disableThemesInTitle; }

bool TwwCustomDBGrid::CheckBoxesThemed() const { return d->ThemesActive() && !d->disableThemes; }

// ---------------------------------------------------------------- geometry and the current cell

int TwwCustomDBGrid::DisplayedFieldCount() const { return d->displayed.Count(); }
const wwgrid::GridGeometry &TwwCustomDBGrid::Geometry() const { return d->geom; }
int TwwCustomDBGrid::ColCount() const { return d->geom.ColCount(); }
int TwwCustomDBGrid::RowCount() const { return d->geom.rowCount; }
int TwwCustomDBGrid::ColWidth(int gridCol) const { return d->geom.colWidths.at(size_t(gridCol)); }
int TwwCustomDBGrid::DataRowHeight() const { return d->geom.rowHeight; }
int TwwCustomDBGrid::TitleRowHeight() const { return d->geom.titleHeight; }
int TwwCustomDBGrid::VisibleRowCount() const { return d->geom.FullyVisibleDataRows(); }
int TwwCustomDBGrid::Col() const { return d->col; }
int TwwCustomDBGrid::Row() const { return d->row; }
int TwwCustomDBGrid::LeftCol() const { return d->geom.leftCol; }
QRect TwwCustomDBGrid::CellRect(int gridCol, int gridRow) const { return d->geom.CellRect(gridCol, gridRow); }
QPoint TwwCustomDBGrid::CellAt(QPoint viewportPos) const { return d->geom.CellAt(viewportPos); }

void TwwCustomDBGrid::SetCol(int gridCol) {
    gridCol = std::clamp(gridCol, 1, ColCount() - 1);
    if (gridCol == d->col) return;
    d->InvalidateCell(d->col, d->row);
    d->col = gridCol;
    d->InvalidateCell(d->col, d->row);
}

void TwwCustomDBGrid::SetLeftCol(int gridCol) {
    gridCol = std::clamp(gridCol, 1, d->geom.MaxLeftCol());
    if (gridCol == d->geom.leftCol) return;
    d->geom.leftCol = gridCol;
    d->UpdateHorzScrollBar();
    d->InvalidateGrid();
}

// ---------------------------------------------------------------- repaints

// With row lines a cell's repaint also takes the line above it, which the
// cell before it drew.
QRect TwwCustomDBGridPrivate::InvalidationRect(QRect rect) const {
    if (options.testFlag(dgRowLines)) rect.setTop(rect.top() - 1);
    // The gaps right and below belong to the cell's lines.
    return rect.adjusted(0, 0, 1, 1);
}

void TwwCustomDBGridPrivate::InvalidateCell(int gridCol, int gridRow) {
    if (fullRepaintPending) return;
    if (gridCol < 0 || gridCol >= q->ColCount() || gridRow < 0 || gridRow >= q->RowCount()) return;
    const QRect rect = geom.CellRect(gridCol, gridRow);
    if (!rect.isEmpty()) q->viewport()->update(InvalidationRect(rect));
}

void TwwCustomDBGridPrivate::InvalidateRow(int gridRow) {
    if (fullRepaintPending || gridRow < 0 || gridRow >= q->RowCount()) return;
    const int top = geom.RowTop(gridRow);
    q->viewport()->update(InvalidationRect(QRect(0, top, geom.clientWidth, geom.RowHeightOf(gridRow))));
}

void TwwCustomDBGridPrivate::InvalidateGrid() {
    if (fullRepaintPending) return;  // already asked for
    fullRepaintPending = true;
    q->viewport()->update();
}

// ---------------------------------------------------------------- announcements

// An announcement changes the rows in the window, never the window's size (a
// resize or a new font comes through UpdateRowCount), so only the count is
// taken again; a walk over a million rows does this for every row.
void TwwCustomDBGridPrivate::FollowWindowRows() {
    const int rows = q->DataActive() ? dataLink->RecordCount() : 0;
    geom.rowCount = rows > 0 ? rows + 1 : 2;
}

void TwwCustomDBGridPrivate::LinkActiveChanged() {
    lastVertScroll.reset();
    q->RebuildLayout();
    if (q->DataActive()) {
        q->ApplyColumnList();
        UpdateActiveRow();
        UpdateVertScrollBar();
    }
    InvalidateGrid();
}

void TwwCustomDBGridPrivate::LinkDataSetChanged() {
    if (applyingColumnList) return;
    // The rows changed as a whole or the cursor jumped: the editor's text
    // may belong to another row now.
    HideEditor();
    FollowWindowRows();
    ScheduleVertScrollBar();
    UpdateActiveRow();
    InvalidateGrid();
}

void TwwCustomDBGridPrivate::LinkScrolled(int distance) {
    if (applyingColumnList || !q->DataActive()) return;
    const int oldRow = row;
    FollowWindowRows();
    ScheduleVertScrollBar();
    UpdateActiveRow();
    if (row != oldRow || distance != 0) HideEditor();
    // A walk over many rows (select-all) moves the cursor far more often than
    // the screen is painted: once the whole grid waits for a repaint, moving
    // pixels or marking cells would only be work thrown away.
    if (fullRepaintPending) return;
    const int visible = q->VisibleRowCount();
    if (std::abs(distance) > visible) {
        InvalidateGrid();
        return;
    }
    if (distance != 0) {
        // The rows already on screen are moved; Qt repaints the uncovered band.
        const int top = geom.RowTop(1);
        const int bottom = geom.RowTop(geom.LastFullyVisibleRow()) + geom.rowHeight + 1;
        const QRect area(0, top, geom.clientWidth, bottom - top);
        q->viewport()->scroll(0, -distance * (geom.rowHeight + 1), area);
        // A themed indicator cell draws the line below it only when no row
        // follows; the pixels moved into the last row came from a row that
        // had one below it.
        if (TitlesThemed()) InvalidateCell(0, q->RowCount() - 1);
    }
    // Only the indicator glyph and the current cell (highlight, outline) show
    // which row is current; the rest of both rows is unchanged.
    const int oldShown = oldRow - distance;
    InvalidateCell(0, oldShown);
    InvalidateCell(col, oldShown);
    InvalidateCell(0, row);
    InvalidateCell(col, row);
}

void TwwCustomDBGridPrivate::LinkRecordChanged(TField *field) {
    // Select-all changes a field of every row while a repaint of the whole
    // grid is already due: finding the field's column would be wasted.
    if (applyingColumnList || fullRepaintPending) return;
    const int gridCol = field ? GridColOfField(field) : -1;
    if (gridCol > 0)
        InvalidateCell(gridCol, row);
    else
        InvalidateRow(row);
}

void TwwCustomDBGridPrivate::LinkEditingChanged() {
    if (applyingColumnList) return;
    ScheduleVertScrollBar();
    InvalidateCell(0, row);
}

void TwwCustomDBGridPrivate::LinkLayoutChanged() {
    if (applyingColumnList) return;
    q->RebuildLayout();
}

// A walk over many rows would otherwise move the bar's thumb (and ask it to
// repaint) on every step; the bar only needs the final place before the
// screen is painted again.
void TwwCustomDBGridPrivate::ScheduleVertScrollBar() {
    if (vertScrollScheduled) return;
    vertScrollScheduled = true;
    QMetaObject::invokeMethod(
        q,
        [this] {
            vertScrollScheduled = false;
            UpdateVertScrollBar();
        },
        Qt::QueuedConnection);
}

void TwwCustomDBGridPrivate::UpdateActiveRow() {
    activeRecord = q->DataActive() ? std::max(0, dataLink->ActiveRecord()) : 0;
    row = std::clamp(1 + activeRecord, 1, std::max(1, q->RowCount() - 1));
}

int TwwCustomDBGridPrivate::GridColOfField(const TField *field) const {
    for (int i = 0; i < int(columns.size()); ++i)
        if (q->DisplayedField(i) == field) return i + 1;
    return -1;
}

// ---------------------------------------------------------------- events

bool TwwCustomDBGrid::viewportEvent(QEvent *event) {
    if (event->type() == QEvent::Resize) d->ClientSizeChanged();
    return QAbstractScrollArea::viewportEvent(event);
}

void TwwCustomDBGridPrivate::ClientSizeChanged() {
    const QSize size = q->viewport()->size();
    if (size.width() == geom.clientWidth && size.height() == geom.clientHeight) return;
    UpdateRowCount();
    UpdateScrollBars();
    UpdateActiveRow();
    InvalidateGrid();
}

void TwwCustomDBGrid::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    d->InvalidateCell(d->col, d->row);
}

void TwwCustomDBGrid::focusOutEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusOutEvent(event);
    d->InvalidateRow(d->row);
}

void TwwCustomDBGrid::changeEvent(QEvent *event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) RebuildLayout();
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange) d->InvalidateGrid();
}

// The grid scrolls by whole columns and by the row window itself; the
// default viewport shift does not apply.
void TwwCustomDBGrid::scrollContentsBy(int, int) {}

#include "wwDBGrid.h"

#include <QEvent>
#include <QFocusEvent>
#include <QScrollBar>
#include <QStyle>
#include <cstdlib>

#include "ClientDataSet.h"
#include "DataSource.h"
#include "GridDataLink.h"
#include "IndicatorImages.h"
#include "ThumbScrollBar.h"

TwwCustomDBGrid::TwwCustomDBGrid(QWidget *parent)
    : QAbstractScrollArea(parent), dataLink_(std::make_unique<TwwGridDataLink>(this)) {
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
        if (!updatingScrollBars_) SetLeftCol(geom_.LeftColForHorzPos(value));
    });
    ConnectInput();
    RebuildLayout();
}

TwwCustomDBGrid::~TwwCustomDBGrid() {
    dataLink_->SetDataSource(nullptr);
    wwgrid::IndicatorImages::Release();
}

// ---------------------------------------------------------------- binding

void TwwCustomDBGrid::SetDataSource(TDataSource *source) {
    if (source == dataSource_) return;
    const bool wasActive = DataActive();
    dataSource_ = source;
    dataLink_->SetDataSource(source);  // announces a change of activity itself
    if (DataActive() == wasActive) LinkActiveChanged();
}

TClientDataSet *TwwCustomDBGrid::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

void TwwCustomDBGrid::SetSelected(const QStringList &entries) { selected_ = entries; }

void TwwCustomDBGrid::SetControlType(const QStringList &entries) {
    controlType_ = entries;
    RebuildLayout();
}

// ---------------------------------------------------------------- settings

void TwwCustomDBGrid::SetOptions(TwwDBGridOptions options) {
    options_ = options;
    RebuildLayout();
}

void TwwCustomDBGrid::SetTitleFont(const QFont &f) {
    titleFont_ = f;
    RebuildLayout();
}

void TwwCustomDBGrid::SetTitleAlignment(TwwTitleAlignment alignment) {
    titleAlignment_ = alignment;
    InvalidateGrid();
}

void TwwCustomDBGrid::SetTitleLines(int lines) {
    titleLines_ = std::max(1, lines);
    RebuildLayout();
}

void TwwCustomDBGrid::SetShowHorzScrollBar(bool on) {
    showHorzScrollBar_ = on;
    UpdateScrollBars();
}

void TwwCustomDBGrid::SetShowVertScrollBar(bool on) {
    showVertScrollBar_ = on;
    lastVertScroll_.reset();
    UpdateScrollBars();
}

void TwwCustomDBGrid::SetDisableThemes(bool on) {
    disableThemes_ = on;
    InvalidateGrid();
}

void TwwCustomDBGrid::SetDisableThemesInTitle(bool on) {
    disableThemesInTitle_ = on;
    InvalidateGrid();
}

void TwwCustomDBGrid::SetLineStyle(TwwGridLineStyle style) {
    lineStyle_ = style;
    InvalidateGrid();
}

void TwwCustomDBGrid::SetLineColors(const TwwLineColors &colors) {
    lineColors_ = colors;
    InvalidateGrid();
}

void TwwCustomDBGrid::SetPadColumnStyle(TwwPadColumnStyle style) {
    padColumnStyle_ = style;
    InvalidateGrid();
}

void TwwCustomDBGrid::SetRowHeightPercent(int percent) {
    rowHeightPercent_ = percent;
    RebuildLayout();
}

QColor TwwCustomDBGrid::Color() const { return palette().color(QPalette::Base); }
QColor TwwCustomDBGrid::TitleColor() const { return palette().color(QPalette::Button); }

bool TwwCustomDBGrid::ThemesActive() const {
    return style()->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

bool TwwCustomDBGrid::TitlesThemed() const { return ThemesActive() && !disableThemes_ && !disableThemesInTitle_; }

bool TwwCustomDBGrid::CheckBoxesThemed() const { return ThemesActive() && !disableThemes_; }

// ---------------------------------------------------------------- current cell

void TwwCustomDBGrid::SetCol(int gridCol) {
    gridCol = std::clamp(gridCol, 1, ColCount() - 1);
    if (gridCol == col_) return;
    InvalidateCell(col_, row_);
    col_ = gridCol;
    InvalidateCell(col_, row_);
}

void TwwCustomDBGrid::SetLeftCol(int gridCol) {
    gridCol = std::clamp(gridCol, 1, geom_.MaxLeftCol());
    if (gridCol == geom_.leftCol) return;
    geom_.leftCol = gridCol;
    UpdateHorzScrollBar();
    InvalidateGrid();
}

// ---------------------------------------------------------------- repaints

// With row lines a cell's repaint also takes the line above it, which the
// cell before it drew.
QRect TwwCustomDBGrid::InvalidationRect(QRect rect) const {
    if (options_.testFlag(dgRowLines)) rect.setTop(rect.top() - 1);
    // The gaps right and below belong to the cell's lines.
    return rect.adjusted(0, 0, 1, 1);
}

void TwwCustomDBGrid::InvalidateCell(int gridCol, int gridRow) {
    if (fullRepaintPending_) return;
    if (gridCol < 0 || gridCol >= ColCount() || gridRow < 0 || gridRow >= RowCount()) return;
    const QRect rect = geom_.CellRect(gridCol, gridRow);
    if (!rect.isEmpty()) viewport()->update(InvalidationRect(rect));
}

void TwwCustomDBGrid::InvalidateRow(int gridRow) {
    if (fullRepaintPending_ || gridRow < 0 || gridRow >= RowCount()) return;
    const int top = geom_.RowTop(gridRow);
    viewport()->update(InvalidationRect(QRect(0, top, geom_.clientWidth, geom_.RowHeightOf(gridRow))));
}

void TwwCustomDBGrid::InvalidateGrid() {
    if (fullRepaintPending_) return;  // already asked for
    fullRepaintPending_ = true;
    viewport()->update();
}

// ---------------------------------------------------------------- announcements

void TwwCustomDBGrid::LinkActiveChanged() {
    lastVertScroll_.reset();
    RebuildLayout();
    if (DataActive()) {
        ApplyColumnList();
        UpdateActiveRow();
        UpdateVertScrollBar();
    }
    InvalidateGrid();
}

void TwwCustomDBGrid::LinkDataSetChanged() {
    if (applyingColumnList_) return;
    // The rows changed as a whole or the cursor jumped: the editor's text
    // may belong to another row now.
    HideEditor();
    FollowWindowRows();
    ScheduleVertScrollBar();
    UpdateActiveRow();
    InvalidateGrid();
}

void TwwCustomDBGrid::LinkScrolled(int distance) {
    if (applyingColumnList_ || !DataActive()) return;
    const int oldRow = row_;
    FollowWindowRows();
    ScheduleVertScrollBar();
    UpdateActiveRow();
    if (row_ != oldRow || distance != 0) HideEditor();
    // A walk over many rows (select-all) moves the cursor far more often than
    // the screen is painted: once the whole grid waits for a repaint, moving
    // pixels or marking cells would only be work thrown away.
    if (fullRepaintPending_) return;
    const int visible = VisibleRowCount();
    if (std::abs(distance) > visible) {
        InvalidateGrid();
        return;
    }
    if (distance != 0) {
        // The rows already on screen are moved; Qt repaints the uncovered band.
        const int top = geom_.RowTop(1);
        const int bottom = geom_.RowTop(geom_.LastFullyVisibleRow()) + geom_.rowHeight + 1;
        const QRect area(0, top, geom_.clientWidth, bottom - top);
        viewport()->scroll(0, -distance * (geom_.rowHeight + 1), area);
        // A themed indicator cell draws the line below it only when no row
        // follows; the pixels moved into the last row came from a row that
        // had one below it.
        if (TitlesThemed()) InvalidateCell(0, RowCount() - 1);
    }
    // Only the indicator glyph and the current cell (highlight, outline) show
    // which row is current; the rest of both rows is unchanged.
    const int oldShown = oldRow - distance;
    InvalidateCell(0, oldShown);
    InvalidateCell(col_, oldShown);
    InvalidateCell(0, row_);
    InvalidateCell(col_, row_);
}

void TwwCustomDBGrid::LinkRecordChanged(TField *field) {
    // Select-all changes a field of every row while a repaint of the whole
    // grid is already due: finding the field's column would be wasted.
    if (applyingColumnList_ || fullRepaintPending_) return;
    const int col = field ? GridColOfField(field) : -1;
    if (col > 0)
        InvalidateCell(col, row_);
    else
        InvalidateRow(row_);
}

void TwwCustomDBGrid::LinkEditingChanged() {
    if (applyingColumnList_) return;
    ScheduleVertScrollBar();
    InvalidateCell(0, row_);
}

void TwwCustomDBGrid::LinkLayoutChanged() {
    if (applyingColumnList_) return;
    RebuildLayout();
}

// A walk over many rows would otherwise move the bar's thumb (and ask it to
// repaint) on every step; the bar only needs the final place before the
// screen is painted again.
void TwwCustomDBGrid::ScheduleVertScrollBar() {
    if (vertScrollScheduled_) return;
    vertScrollScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            vertScrollScheduled_ = false;
            UpdateVertScrollBar();
        },
        Qt::QueuedConnection);
}

void TwwCustomDBGrid::UpdateActiveRow() {
    activeRecord_ = DataActive() ? std::max(0, dataLink_->ActiveRecord()) : 0;
    row_ = std::clamp(1 + activeRecord_, 1, std::max(1, RowCount() - 1));
}

int TwwCustomDBGrid::GridColOfField(const TField *field) const {
    for (int i = 0; i < int(columns_.size()); ++i)
        if (DisplayedField(i) == field) return i + 1;
    return -1;
}

// ---------------------------------------------------------------- events

bool TwwCustomDBGrid::viewportEvent(QEvent *event) {
    if (event->type() == QEvent::Resize) ClientSizeChanged();
    return QAbstractScrollArea::viewportEvent(event);
}

void TwwCustomDBGrid::ClientSizeChanged() {
    const QSize size = viewport()->size();
    if (size.width() == geom_.clientWidth && size.height() == geom_.clientHeight) return;
    UpdateRowCount();
    UpdateScrollBars();
    UpdateActiveRow();
    InvalidateGrid();
}

void TwwCustomDBGrid::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    InvalidateCell(col_, row_);
}

void TwwCustomDBGrid::focusOutEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateRow(row_);
}

void TwwCustomDBGrid::changeEvent(QEvent *event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) RebuildLayout();
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange) InvalidateGrid();
}

// The grid scrolls by whole columns and by the row window itself; the
// default viewport shift does not apply.
void TwwCustomDBGrid::scrollContentsBy(int, int) {}

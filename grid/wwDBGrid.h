#pragma once
// The order grid: a cell grid bound to a data source. Column 0 is the
// indicator column, row 0 the title row; data rows show the row window that
// the grid's data link keeps in the result set.
#include <QAbstractScrollArea>
#include <QFont>
#include <QRegion>
#include <QStringList>
#include <functional>
#include <memory>

#include "grid/GridGeometry.h"
#include "grid/GridOptions.h"
#include "grid/GridQuestion.h"
#include "grid/TwwCacheColInfoItem.h"
#include "grid/TwwColumn.h"

class TDataSource;
class TClientDataSet;
class TField;
class QPainter;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class TwwInplaceEdit;
class TwwDBDateTimePicker;
class TwwGridDataLink;
class TwwCustomDBGridPrivate;
namespace wwgrid {
class CellControls;
class ColumnDrag;
}  // namespace wwgrid

// A cell grid with fixed leading rows and columns, per-column widths,
// per-row heights, a current cell and scrolling, bound to a data source.
class TwwCustomDBGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TwwCustomDBGrid(QWidget *parent = nullptr);
    ~TwwCustomDBGrid() override;

    // --- data binding
    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const;
    TClientDataSet *DataSet() const;
    bool DataActive() const;  // bound to an open result set

    // --- the column list and the control-type list
    void SetSelected(const QStringList &entries);
    const QStringList &Selected() const;
    void SetControlType(const QStringList &entries);
    const QStringList &ControlType() const;

    // --- settings (defaults are the values the order window runs with)
    TwwDBGridOptions Options() const;
    void SetOptions(TwwDBGridOptions options);
    TwwKeyOptions KeyOptions() const;
    void SetKeyOptions(TwwKeyOptions options);
    TwwEditControlOptions EditControlOptions() const;
    void SetEditControlOptions(TwwEditControlOptions options);
    unsigned MultiSelectOptions() const;
    void SetMultiSelectOptions(unsigned options);
    // The title font follows the grid's font until it is set.
    QFont TitleFont() const;
    void SetTitleFont(const QFont &font);
    TwwTitleAlignment TitleAlignment() const;
    void SetTitleAlignment(TwwTitleAlignment alignment);
    int TitleLines() const;
    void SetTitleLines(int lines);
    bool TitleButtons() const;
    void SetTitleButtons(bool on);
    int FixedCols() const;
    void SetFixedCols(int cols);
    bool ShowHorzScrollBar() const;
    void SetShowHorzScrollBar(bool on);
    bool ShowVertScrollBar() const;
    void SetShowVertScrollBar(bool on);
    bool DisableThemes() const;
    void SetDisableThemes(bool on);
    bool DisableThemesInTitle() const;
    void SetDisableThemesInTitle(bool on);
    TwwGridLineStyle LineStyle() const;
    void SetLineStyle(TwwGridLineStyle style);
    const TwwLineColors &LineColors() const;
    void SetLineColors(const TwwLineColors &colors);
    TwwPadColumnStyle PadColumnStyle() const;
    void SetPadColumnStyle(TwwPadColumnStyle style);
    TwwIndicatorColor IndicatorColor() const;
    void SetIndicatorColor(TwwIndicatorColor color);
    int RowHeightPercent() const;
    void SetRowHeightPercent(int percent);
    bool DefaultDrawing() const;
    void SetDefaultDrawing(bool on);
    bool UseTFields() const;
    void SetUseTFields(bool on);
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    bool EditCalculated() const;
    void SetEditCalculated(bool on);
    const TwwIniAttributes &IniAttributes() const;
    void SetIniAttributes(const TwwIniAttributes &ini);
    const TwwDittoAttributes &DittoAttributes() const;
    void SetDittoAttributes(const TwwDittoAttributes &ditto);
    // Background of data cells (clWindow) and of the fixed cells (clBtnFace),
    // from the grid's palette so they follow the colour scheme.
    QColor Color() const;
    QColor TitleColor() const;

    // --- column model
    // Applies the column list to the open result set's fields: hides every
    // field, then shows and places each listed one in entry order.
    void ApplyColumnList();
    // Recomputes displayed fields, column count, widths, row heights, row
    // count and tab stops, then repaints.
    void RebuildLayout();
    int DisplayedFieldCount() const;
    TField *DisplayedField(int index) const;  // index 0 is grid column 1
    TField *ColumnField(int gridCol) const;   // null for column 0 and empty columns
    // The column of a displayed field; an empty column for anything else.
    const TwwColumn &Column(int index) const;
    const TwwColumn &ColumnByName(const QString &fieldName) const;
    const TwwCacheColInfoItem &CacheColInfo(int gridCol) const;
    bool TabStop(int gridCol) const;
    // The operator dragged a column border: widths snap to whole characters.
    void ResizeColumnByOperator(int gridCol, int pixels);

    // --- grid geometry and the current cell
    const wwgrid::GridGeometry &Geometry() const;
    int ColCount() const;
    int RowCount() const;
    int ColWidth(int gridCol) const;
    int DataRowHeight() const;
    int TitleRowHeight() const;
    int VisibleRowCount() const;
    int Col() const;
    int Row() const;
    void SetCol(int gridCol);
    int LeftCol() const;
    void SetLeftCol(int gridCol);
    QRect CellRect(int gridCol, int gridRow) const;
    QPoint CellAt(QPoint viewportPos) const;

    // Whether titles, indicator cells and check boxes take the style's look:
    // every style but the classic "Windows" one counts as visual styles.
    bool ThemesActive() const;
    bool TitlesThemed() const;
    bool CheckBoxesThemed() const;

    // --- in-place editor and date-time picker (wwDBGridEditor.cpp)
    bool EditorMode() const;
    // Turns editor mode on or off; on shows the editor over the current cell
    // when that cell allows one.
    void SetEditorMode(bool on);
    // Hides the editor and the picker; editor mode stays as it is.
    void HideEditor();
    // Whether the editor holds text changed since it was loaded from its field.
    bool EditorTextPending() const;
    // Writes a changed editor text back to its field (before the cell is left).
    void WriteBackEditorText();
    // Typing, Backspace or Delete on a cell: opens the editor where the cell
    // allows one and hands it the key.
    void PassKeyToEditor(QKeyEvent *event);
    // Cells that never get the text editor: check-box, date-time, memo and
    // image cells.
    bool CellRefusesEditor(int gridCol, int gridRow) const;
    // Places the date-time picker over the current cell, or hides it, after
    // the current cell changed; with editor mode on the editor follows to the
    // new cell where it may open.
    void UpdateDateTimePicker();

    // Raised once, when the picker is made: the first time a date or time
    // column becomes current.
    std::function<void(TwwCustomDBGrid *grid, TwwDBDateTimePicker *picker)> OnCreateDateTimePicker;
    // Raised after the operator dragged a column to a new place (grid columns).
    std::function<void(TwwCustomDBGrid *grid, int fromCol, int toCol)> OnColumnMoved;
    // Sounds the refusal of a character the field cannot hold; empty, the
    // platform's default beep.
    std::function<void()> Beep;
    void SoundBeep() const;

    TwwInplaceEdit *InplaceEditor() const;        // null until first shown
    TwwDBDateTimePicker *DateTimePicker() const;  // null until first needed
    bool EditorVisible() const;
    // Whether the current cell may be changed through the editor now; asks
    // nothing of the result set.
    bool CellModifiable() const;
    // Asked before each change of the editor's text: as CellModifiable, and
    // the result set is put into edit state for the change.
    bool CanEditModify();
    // Whether the current cell's field takes the character at all.
    bool FieldAcceptsChar(QChar ch) const;
    // Loads the editor again from its field, dropping what was typed.
    void ReloadEditorText();
    // Date and time fields get the picker, never the text editor.
    bool DateTimeCell(int gridCol) const;
    // A column dragged to another place by the operator: the field takes the
    // position of the field at the target column.
    void MoveColumnByOperator(int fromCol, int toCol);

    // --- column resizing and moving with the mouse (wwDBGridColumnDrag.cpp)
    // A press in the title row: starts resizing at a column edge or watching
    // for a column move. True when the press was taken.
    bool TitleMousePress(QMouseEvent *event);

    // --- input: check boxes, navigation, rows (wwDBGridCheckBox.cpp,
    // wwDBGridNavigation.cpp, wwDBGridRows.cpp, wwDBGridKeys.cpp,
    // wwDBGridMouse.cpp). Key, mouse, wheel and scroll-bar handlers only turn
    // an event into one of these operations; the rules live here.

    // Whether the grid lets the operator change data at all (dgEditing on,
    // ReadOnly off); every change through the grid asks this first.
    bool GridEditingAllowed() const;
    // A cell of a data column in a data row, with an open result set.
    bool IsDataCell(int gridCol, int gridRow) const;
    // Whether the cell shows a check box; if so, its checked and unchecked values.
    bool IsCheckBoxCell(int gridCol, int gridRow, QString *checked = nullptr, QString *unchecked = nullptr) const;
    // Flips the check box of the current row in column gridCol; silently does
    // nothing when the cell, the column, the field or the result set refuses.
    void ToggleCheckBoxCell(int gridCol, int gridRow);

    // Makes data column `index` current in the current row (clamped).
    void SelectColumn(int index);
    // One row down (appending past the last row) and one row up, with the
    // rules for a new row nobody has touched yet.
    void NextRow();
    void PriorRow();
    // Tab and Shift+Tab: on to the next tab stop, row by row.
    void TabToColumn(bool forward);
    // Escape: undo the current row's change, asking first when there is one.
    void ResetCurrentRow();
    // Moves the result set's cursor by a signed number of rows (never appends).
    void MoveRows(int distance);
    void FirstRow();
    void LastRow();
    // The vertical bar's line down: one row on, never appending.
    void LineDown();
    // The vertical bar's thumb let go at position `pos`.
    void ThumbReleasedAt(int pos);
    // Makes current the row that grid row gridRow showed when the operator
    // pressed there, even when ending a pending row on the way makes the
    // rows shift. Returns whether the cursor moved.
    bool GoToShownRow(int gridRow);

    // Insert key, Ctrl+Delete.
    void InsertRow();
    void DeleteCurrentRow();
    // The focus went to another control of the window.
    void FocusLeft();

    // The grid's two questions ("Discard changes to this record?", "Delete
    // record?") go through this; the application hands in its own dialog.
    void SetQuestion(GridQuestion question);

    // Events. OnKeyDown comes before any key handling; setting key to 0
    // consumes the key.
    std::function<void(int &key, Qt::KeyboardModifiers modifiers)> OnKeyDown;
    std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos)> OnMouseDown;
    std::function<void()> OnDblClick;
    std::function<void()> OnColExit;
    std::function<void()> OnColEnter;
    std::function<void()> OnCellChanged;
    std::function<void()> OnExit;

    // --- repaint requests
    void InvalidateCell(int gridCol, int gridRow);
    void InvalidateRow(int gridRow);
    void InvalidateGrid();

    // What the last paint drew, so the cost of a repaint can be checked.
    int LastPaintCellCount() const;
    QRegion LastPaintRegion() const;
    int PaintCount() const;

protected:
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Input (wwDBGridKeys.cpp, wwDBGridMouse.cpp).
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    friend class TwwGridDataLink;
    // Announcements of the result set, through the data link.
    void LinkActiveChanged();
    void LinkDataSetChanged();
    void LinkScrolled(int distance);
    void LinkRecordChanged(TField *field);
    void LinkEditingChanged();
    void LinkLayoutChanged();

    // Layout steps.
    void SetRowHeights();
    void RebuildDisplayedFields();
    void UpdateRowCount();
    // Takes the row count again after an announcement.
    void FollowWindowRows();
    void ComputeColumnWidths();
    void UpdateScrollBars();
    void UpdateHorzScrollBar();
    void UpdateVertScrollBar();
    void ScheduleVertScrollBar();
    void UpdateActiveRow();
    void ClientSizeChanged();
    int GridColOfField(const TField *field) const;
    QRect InvalidationRect(QRect rect) const;

    // Painting (wwDBGridPaint.cpp): one function per cell kind, then the
    // passes for the pad area, the lines and the focus outline.
    struct PaintContext;
    void PaintCells(QPainter &p, const QRegion &region, PaintContext &ctx);
    void PaintTitleCell(QPainter &p, int col, const QRect &rect, const PaintContext &ctx);
    void PaintIndicatorCell(QPainter &p, int row, const QRect &rect, const PaintContext &ctx);
    void PaintTextCell(QPainter &p, int col, int row, const QRect &rect, const PaintContext &ctx);
    void PaintCheckBoxCell(QPainter &p, int col, int row, const QRect &rect, const PaintContext &ctx);
    void PaintRowLine(QPainter &p, int col, int row, const QRect &rect, const QColor &background, bool highlighted,
                      const PaintContext &ctx);
    void PaintPadArea(QPainter &p, const PaintContext &ctx);
    void PaintTitleLines(QPainter &p, const PaintContext &ctx);
    void PaintIndicatorLines(QPainter &p, const PaintContext &ctx);
    void PaintColumnLines(QPainter &p, const PaintContext &ctx);
    void PaintFocusOutline(QPainter &p, const PaintContext &ctx);
    bool CellHighlighted(int col, int row) const;
    QString CellText(int col, int row) const;

    // Input helpers (wwDBGridNavigation.cpp, wwDBGridKeys.cpp, wwDBGridMouse.cpp).
    void HandleKey(QKeyEvent *event);
    void HandleMousePress(QMouseEvent *event);
    void HandleSecondPress(QMouseEvent *event);
    void HandleVertScrollAction(int action);
    // Wires the vertical bar's actions and the wheel over it to the grid.
    void ConnectInput();
    // Moves the cursor for wheel movement; true when the grid took it.
    void TurnWheel(int angleDelta);
    // Takes the focus if it can; false when another control keeps it.
    bool EnsureFocus();
    // The grid or one of its own controls (the editor) has the focus.
    bool GridHasFocus() const;
    // A new row in insert state that nobody changed and no editor text waits for.
    bool UntouchedNewRow() const;
    // The row being inserted is the last row (it was appended).
    bool NewRowIsLast() const;
    // Whether Down or Tab past the last row may add a row: editing allowed,
    // dgAllowInsert, and a result set that can be modified.
    bool AppendAllowed() const;
    // Posts a changed row, cancels an unchanged one.
    void EndPendingEdit();
    // Puts the vertical bar back on the current row after the bar itself moved it.
    void ResyncVertScrollBar();
    int AskQuestion(const QString &text, GridQuestionButtons buttons);

    // The in-place editor, the date-time picker and column dragging
    // (wwDBGridEditor.cpp, wwDBGridColumnDrag.cpp, GridCellControls.h,
    // GridColumnDrag.h).
    friend class wwgrid::CellControls;
    friend class wwgrid::ColumnDrag;
    bool CanShowEditor() const;
    // Whether anything is over the current cell or may have to go there.
    bool CellControlsInPlay() const;
    void ShowEditorNow();
    void HideTextEditor();
    void HideCellControl(QWidget *control);
    // Lays the editor and the picker over the current cell after the cell,
    // the rows or the columns changed; the editor follows to a new cell
    // while editor mode is on.
    void PlaceCellControls();
    bool EditorKeyPress(QWidget *control, QKeyEvent *event);
    void GiveFocusTo(QWidget *control);

    // The grid's state (wwDBGrid_p.h).
    const std::unique_ptr<TwwCustomDBGridPrivate> d;
};

class TwwDBGrid : public TwwCustomDBGrid {
    Q_OBJECT
public:
    explicit TwwDBGrid(QWidget *parent = nullptr) : TwwCustomDBGrid(parent) {}
};

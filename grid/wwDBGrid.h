#pragma once
// The order grid's public face: TwwCustomDBGrid, a cell grid bound to a data
// source, and TwwDBGrid, the class the window places. Column 0 is the
// indicator column, row 0 the title row; data rows show the row window that
// the grid's data link keeps in the result set.
//
// This header holds what the window and the tests use: the settings, the
// column model, the geometry, the grid's named operations and its events.
// Everything the grid keeps and the steps it takes on the way live in
// TwwCustomDBGridPrivate (wwDBGrid_p.h), reached through the d pointer, so
// a change there rebuilds the grid alone.
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
class TwwCustomDBGridPrivate;

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

    // Whether check boxes take the style's look: every style but the classic
    // "Windows" one counts as visual styles, unless DisableThemes is on.
    bool CheckBoxesThemed() const;

    // --- in-place editor and date-time picker
    bool EditorMode() const;
    // Turns editor mode on or off; on shows the editor over the current cell
    // when that cell allows one.
    void SetEditorMode(bool on);
    // Whether the editor holds text changed since it was loaded from its field.
    bool EditorTextPending() const;
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

    TwwInplaceEdit *InplaceEditor() const;        // null until first shown
    TwwDBDateTimePicker *DateTimePicker() const;  // null until first needed
    bool EditorVisible() const;

    // --- column resizing and moving with the mouse
    // A press in the title row: starts resizing at a column edge or watching
    // for a column move. True when the press was taken.
    bool TitleMousePress(QMouseEvent *event);

    // --- the grid's named operations: check boxes, columns and rows. Key,
    // mouse, wheel and scroll-bar handlers only turn an event into one of
    // these (or a step of the private class); the rules live in them.

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
    // The first and the last row of the result set (Ctrl+Home, Ctrl+End).
    void FirstRow();
    void LastRow();
    // Insert key, Ctrl+Delete.
    void InsertRow();
    void DeleteCurrentRow();

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

    // --- what the last paint drew, so the cost of a repaint can be checked.
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
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    friend class TwwCustomDBGridPrivate;
    // The grid's state and its internal steps (wwDBGrid_p.h).
    const std::unique_ptr<TwwCustomDBGridPrivate> d;
};

class TwwDBGrid : public TwwCustomDBGrid {
    Q_OBJECT
public:
    explicit TwwDBGrid(QWidget *parent = nullptr) : TwwCustomDBGrid(parent) {}
};

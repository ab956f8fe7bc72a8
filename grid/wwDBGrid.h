#pragma once
// The order grid: a cell grid bound to a data source. Column 0 is the
// indicator column, row 0 the title row; data rows show the row window that
// the grid's data link keeps in the result set.
#include <QAbstractScrollArea>
#include <QFont>
#include <QPixmap>
#include <QRegion>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "DisplayedFieldList.h"
#include "GridQuestion.h"
#include "GridDataLink.h"
#include "GridGeometry.h"
#include "GridOptions.h"
#include "TwwCacheColInfoItem.h"
#include "TwwColumn.h"

class TDataSource;
class TClientDataSet;
class TField;
class QPainter;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class TwwInplaceEdit;
class TwwDBDateTimePicker;
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
    TDataSource *DataSource() const { return dataSource_; }
    TClientDataSet *DataSet() const;
    bool DataActive() const { return dataLink_->Active(); }  // bound to an open result set

    // --- the column list and the control-type list
    void SetSelected(const QStringList &entries);
    const QStringList &Selected() const { return selected_; }
    void SetControlType(const QStringList &entries);
    const QStringList &ControlType() const { return controlType_; }

    // --- settings (defaults are the values the order window runs with)
    TwwDBGridOptions Options() const { return options_; }
    void SetOptions(TwwDBGridOptions options);
    TwwKeyOptions KeyOptions() const { return keyOptions_; }
    void SetKeyOptions(TwwKeyOptions options) { keyOptions_ = options; }
    TwwEditControlOptions EditControlOptions() const { return editControlOptions_; }
    void SetEditControlOptions(TwwEditControlOptions options) { editControlOptions_ = options; }
    unsigned MultiSelectOptions() const { return multiSelectOptions_; }
    void SetMultiSelectOptions(unsigned options) { multiSelectOptions_ = options; }
    // The title font follows the grid's font until it is set.
    QFont TitleFont() const { return titleFont_ ? *titleFont_ : font(); }
    void SetTitleFont(const QFont &font);
    TwwTitleAlignment TitleAlignment() const { return titleAlignment_; }
    void SetTitleAlignment(TwwTitleAlignment alignment);
    int TitleLines() const { return titleLines_; }
    void SetTitleLines(int lines);
    bool TitleButtons() const { return titleButtons_; }
    void SetTitleButtons(bool on) { titleButtons_ = on; }
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int cols) { fixedCols_ = cols; }
    bool ShowHorzScrollBar() const { return showHorzScrollBar_; }
    void SetShowHorzScrollBar(bool on);
    bool ShowVertScrollBar() const { return showVertScrollBar_; }
    void SetShowVertScrollBar(bool on);
    bool DisableThemes() const { return disableThemes_; }
    void SetDisableThemes(bool on);
    bool DisableThemesInTitle() const { return disableThemesInTitle_; }
    void SetDisableThemesInTitle(bool on);
    TwwGridLineStyle LineStyle() const { return lineStyle_; }
    void SetLineStyle(TwwGridLineStyle style);
    const TwwLineColors &LineColors() const { return lineColors_; }
    void SetLineColors(const TwwLineColors &colors);
    TwwPadColumnStyle PadColumnStyle() const { return padColumnStyle_; }
    void SetPadColumnStyle(TwwPadColumnStyle style);
    TwwIndicatorColor IndicatorColor() const { return indicatorColor_; }
    void SetIndicatorColor(TwwIndicatorColor color) { indicatorColor_ = color; }
    int RowHeightPercent() const { return rowHeightPercent_; }
    void SetRowHeightPercent(int percent);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on) { defaultDrawing_ = on; }
    bool UseTFields() const { return useTFields_; }
    void SetUseTFields(bool on) { useTFields_ = on; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool EditCalculated() const { return editCalculated_; }
    void SetEditCalculated(bool on) { editCalculated_ = on; }
    const TwwIniAttributes &IniAttributes() const { return iniAttributes_; }
    void SetIniAttributes(const TwwIniAttributes &ini) { iniAttributes_ = ini; }
    const TwwDittoAttributes &DittoAttributes() const { return dittoAttributes_; }
    void SetDittoAttributes(const TwwDittoAttributes &ditto) { dittoAttributes_ = ditto; }
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
    int DisplayedFieldCount() const { return displayed_.Count(); }
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
    const wwgrid::GridGeometry &Geometry() const { return geom_; }
    int ColCount() const { return geom_.ColCount(); }
    int RowCount() const { return geom_.rowCount; }
    int ColWidth(int gridCol) const { return geom_.colWidths.at(size_t(gridCol)); }
    int DataRowHeight() const { return geom_.rowHeight; }
    int TitleRowHeight() const { return geom_.titleHeight; }
    int VisibleRowCount() const { return geom_.FullyVisibleDataRows(); }
    int Col() const { return col_; }
    int Row() const { return row_; }
    void SetCol(int gridCol);
    int LeftCol() const { return geom_.leftCol; }
    void SetLeftCol(int gridCol);
    QRect CellRect(int gridCol, int gridRow) const { return geom_.CellRect(gridCol, gridRow); }
    QPoint CellAt(QPoint viewportPos) const { return geom_.CellAt(viewportPos); }

    // Whether titles, indicator cells and check boxes take the style's look:
    // every style but the classic "Windows" one counts as visual styles.
    bool ThemesActive() const;
    bool TitlesThemed() const;
    bool CheckBoxesThemed() const;

    // --- in-place editor and date-time picker (wwDBGridEditor.cpp)
    bool EditorMode() const { return editorMode_; }
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

    // --- column resizing and moving with the mouse (wwDBGridColumnDrag.cpp)
    // A press in the title row: starts resizing at a column edge or watching
    // for a column move. True when the press was taken.
    bool TitleMousePress(QMouseEvent *event);

    // --- input: check boxes, navigation, rows (wwDBGridCheckBox.cpp,
    // wwDBGridNavigation.cpp, wwDBGridRows.cpp, wwDBGridKeys.cpp,
    // wwDBGridMouse.cpp). Key, mouse, wheel and scroll-bar handlers only turn
    // an event into one of these operations; the rules live here.

    // Whether the grid lets the operator change data at all.
    bool GridEditingAllowed() const { return options_.testFlag(dgEditing) && !readOnly_; }
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
    void SetQuestion(GridQuestion question) { question_ = std::move(question); }

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
    int LastPaintCellCount() const { return lastPaintCells_; }
    QRegion LastPaintRegion() const { return lastPaintRegion_; }
    int PaintCount() const { return paintCount_; }

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
    // An announcement changes the rows in the window, never the window's size
    // (a resize or a new font comes through UpdateRowCount), so only the count
    // is taken again; a walk over a million rows does this for every row.
    void FollowWindowRows() {
        const int rows = DataActive() ? dataLink_->RecordCount() : 0;
        geom_.rowCount = rows > 0 ? rows + 1 : 2;
    }
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
    bool AppendAllowed() const;
    // Posts a changed row, cancels an unchanged one.
    void EndPendingEdit();
    // Puts the vertical bar back on the current row after the bar itself moved it.
    void ResyncVertScrollBar();
    int AskQuestion(const QString &text, GridQuestionButtons buttons);

    TDataSource *dataSource_ = nullptr;
    std::unique_ptr<TwwGridDataLink> dataLink_;
    QStringList selected_;
    QStringList controlType_;

    TwwDBGridOptions options_ = kDefaultGridOptions;
    TwwKeyOptions keyOptions_ = TwwKeyOptions(dgAllowDelete | dgAllowInsert);
    TwwEditControlOptions editControlOptions_ = TwwEditControlOptions(ecoSearchOwnerForm);
    unsigned multiSelectOptions_ = 0;
    std::optional<QFont> titleFont_;
    TwwTitleAlignment titleAlignment_ = TwwTitleAlignment::taLeftJustify;
    int titleLines_ = 1;
    bool titleButtons_ = false;
    int fixedCols_ = 0;
    bool showHorzScrollBar_ = true;
    bool showVertScrollBar_ = true;
    bool disableThemes_ = false;
    bool disableThemesInTitle_ = false;
    TwwGridLineStyle lineStyle_ = TwwGridLineStyle::glsDynamic;
    TwwLineColors lineColors_;
    TwwPadColumnStyle padColumnStyle_ = TwwPadColumnStyle::pcsPadHeaderAndData;
    TwwIndicatorColor indicatorColor_ = TwwIndicatorColor::icBlack;
    int rowHeightPercent_ = 100;
    bool defaultDrawing_ = true;
    bool useTFields_ = true;
    bool readOnly_ = false;
    bool editCalculated_ = false;
    TwwIniAttributes iniAttributes_;
    TwwDittoAttributes dittoAttributes_;

    wwgrid::GridGeometry geom_;
    wwgrid::DisplayedFieldList displayed_;
    std::vector<TwwColumn> columns_;
    std::vector<TwwCacheColInfoItem> cacheColInfo_;
    std::vector<bool> tabStops_;
    TwwColumn emptyColumn_;
    int col_ = 1;
    int row_ = 1;
    bool editorMode_ = false;
    int activeRecord_ = 0;  // the link's active record at the last update
    bool inLayout_ = false;
    bool applyingColumnList_ = false;
    bool updatingScrollBars_ = false;
    bool fullRepaintPending_ = false;
    bool vertScrollScheduled_ = false;  // the whole client area waits for a paint
    std::optional<wwgrid::VertScrollInfo> lastVertScroll_;

    int lastPaintCells_ = 0;
    int paintCount_ = 0;
    QRegion lastPaintRegion_;
    QPixmap picture_;  // off-screen picture of the client area, see paintEvent

    // Input state.
    GridQuestion question_;
    int wheelDelta_ = 0;  // wheel movement not yet worth a whole row

    // ======== In-place editor, date-time picker and column dragging
    // (wwDBGridEditor.cpp, wwDBGridColumnDrag.cpp, GridCellControls.h,
    // GridColumnDrag.h). Kept last: these members are made after all the
    // others and go first.
public:
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

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
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
    wwgrid::CellControls *MakeCellControls();
    wwgrid::ColumnDrag *MakeColumnDrag();
    struct CellControlsDeleter {
        void operator()(wwgrid::CellControls *controls) const;
    };
    struct ColumnDragDeleter {
        void operator()(wwgrid::ColumnDrag *drag) const;
    };
    std::unique_ptr<wwgrid::CellControls, CellControlsDeleter> cellControls_{MakeCellControls()};
    std::unique_ptr<wwgrid::ColumnDrag, ColumnDragDeleter> columnDrag_{MakeColumnDrag()};
    // ======== end of the in-place editor and column dragging
};

class TwwDBGrid : public TwwCustomDBGrid {
    Q_OBJECT
public:
    explicit TwwDBGrid(QWidget *parent = nullptr) : TwwCustomDBGrid(parent) {}
};

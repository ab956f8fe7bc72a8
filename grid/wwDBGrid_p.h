#pragma once
// Not part of the grid's API: this header is for the grid's own source files
// in grid/ alone. The window and the tests see the grid through wwDBGrid.h,
// so a change here rebuilds the grid and nothing else.
//
// TwwCustomDBGridPrivate holds everything the grid keeps (settings, the
// column model, the geometry, the current cell, what the last paint drew)
// and the internal steps of its work, which reach the grid itself through q:
// following the result set's announcements, laying out columns and rows,
// painting cell by cell, turning keys, the mouse, the wheel and the scroll
// bars into operations, and keeping the in-place editor and the date-time
// picker over the current cell. Each of the grid's source files holds one
// subject, the grid's public functions and the private steps of it side by
// side.
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QRegion>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "grid/DisplayedFieldList.h"
#include "grid/GridCellControls.h"
#include "grid/GridColumnDrag.h"
#include "grid/GridDataLink.h"
#include "grid/GridGeometry.h"
#include "grid/GridOptions.h"
#include "grid/GridQuestion.h"
#include "grid/TwwCacheColInfoItem.h"
#include "grid/TwwColumn.h"

class TDataSource;
class TField;
class TwwCustomDBGrid;
class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWidget;

class TwwCustomDBGridPrivate {
public:
    explicit TwwCustomDBGridPrivate(TwwCustomDBGrid *grid);

    // The private part of a grid, for the grid's helpers (the editor, the
    // controls over the cell) that are handed the grid itself.
    static TwwCustomDBGridPrivate *Of(TwwCustomDBGrid *grid);
    static const TwwCustomDBGridPrivate *Of(const TwwCustomDBGrid *grid);

    // ---- announcements of the result set, through the data link
    void LinkActiveChanged();
    void LinkDataSetChanged();
    void LinkScrolled(int distance);
    void LinkRecordChanged(TField *field);
    void LinkEditingChanged();
    void LinkLayoutChanged();
    // Takes the row count again after an announcement.
    void FollowWindowRows();
    void UpdateActiveRow();
    int GridColOfField(const TField *field) const;

    // ---- layout steps and the scroll bars
    void SetRowHeights();
    void RebuildDisplayedFields();
    void UpdateRowCount();
    void ComputeColumnWidths();
    void ClientSizeChanged();
    void UpdateScrollBars();
    void UpdateHorzScrollBar();
    void UpdateVertScrollBar();
    void ScheduleVertScrollBar();
    // Puts the vertical bar back on the current row after the bar itself moved it.
    void ResyncVertScrollBar();

    // ---- repaint requests
    void InvalidateCell(int gridCol, int gridRow);
    void InvalidateRow(int gridRow);
    void InvalidateGrid();
    // The area a cell's repaint covers: with its lines.
    QRect InvalidationRect(QRect rect) const;

    // ---- painting: one function per cell kind, then the passes for the pad
    // area, the lines and the focus outline
    struct PaintContext;
    void PaintCells(QPainter &p, const QRegion &region, PaintContext &ctx);
    void PaintTitleCell(QPainter &p, int gridCol, const QRect &rect, const PaintContext &ctx);
    void PaintIndicatorCell(QPainter &p, int gridRow, const QRect &rect, const PaintContext &ctx);
    void PaintTextCell(QPainter &p, int gridCol, int gridRow, const QRect &rect, const PaintContext &ctx);
    void PaintCheckBoxCell(QPainter &p, int gridCol, int gridRow, const QRect &rect, const PaintContext &ctx);
    void PaintRowLine(QPainter &p, int gridCol, int gridRow, const QRect &rect, const QColor &background,
                      bool highlighted, const PaintContext &ctx);
    void PaintPadArea(QPainter &p, const PaintContext &ctx);
    void PaintTitleLines(QPainter &p, const PaintContext &ctx);
    void PaintIndicatorLines(QPainter &p, const PaintContext &ctx);
    void PaintColumnLines(QPainter &p, const PaintContext &ctx);
    void PaintFocusOutline(QPainter &p, const PaintContext &ctx);
    bool CellHighlighted(int gridCol, int gridRow) const;
    QString CellText(int gridCol, int gridRow) const;
    // Whether titles and indicator cells take the style's look: every style
    // but the classic "Windows" one counts as visual styles.
    bool ThemesActive() const;
    bool TitlesThemed() const;

    // ---- the one editing rule and the cells it applies to
    // Whether the grid lets the operator change data at all (dgEditing on,
    // ReadOnly off); every change through the grid (inserting, appending,
    // deleting, ticking, typing) asks this first.
    bool GridEditingAllowed() const;
    // A cell of a data column in a data row, with an open result set.
    bool IsDataCell(int gridCol, int gridRow) const;
    // Whether the current cell may be changed through the editor now; asks
    // nothing of the result set.
    bool CellModifiable() const;
    // Asked before each change of the editor's text: as CellModifiable, and
    // the result set is put into edit state for the change.
    bool CanEditModify();
    // Whether the current cell's field takes the character at all.
    bool FieldAcceptsChar(QChar ch) const;
    void SoundBeep() const;

    // ---- rows: the steps the named operations share
    // A new row in insert state that nobody changed and no editor text waits for.
    bool UntouchedNewRow() const;
    // The row being inserted is the last row (it was appended).
    bool NewRowIsLast() const;
    // Whether Down or Tab past the last row may add a row: editing allowed,
    // dgAllowInsert, and a result set that can be modified.
    bool AppendAllowed() const;
    // Posts a changed row, cancels an unchanged one.
    void EndPendingEdit();
    // Moves the result set's cursor by a signed number of rows (never appends).
    void MoveRows(int distance);
    // The vertical bar's line down: one row on, never appending.
    void LineDown();
    // The vertical bar's thumb let go at position `pos`.
    void ThumbReleasedAt(int pos);
    // Makes current the row that grid row gridRow showed when the operator
    // pressed there, even when ending a pending row on the way makes the
    // rows shift. Returns whether the cursor moved.
    bool GoToShownRow(int gridRow);
    // The focus went to another control of the window.
    void FocusLeft();
    int AskQuestion(const QString &text, GridQuestionButtons buttons);

    // ---- input: each handler turns an event into one operation
    void HandleKey(QKeyEvent *event);
    void HandleMousePress(QMouseEvent *event);
    void HandleSecondPress(QMouseEvent *event);
    void HandleVertScrollAction(int action);
    // Wires the vertical bar's actions and the wheel over it to the grid.
    void ConnectInput();
    // Moves the cursor for wheel movement.
    void TurnWheel(int angleDelta);
    // Takes the focus if it can; false when another control keeps it.
    bool EnsureFocus();
    // The grid or one of its own controls (the editor) has the focus.
    bool GridHasFocus() const;

    // ---- the in-place editor, the date-time picker and column moves
    bool CanShowEditor() const;
    // Whether anything is over the current cell or may have to go there.
    bool CellControlsInPlay() const;
    void ShowEditorNow();
    // Hides the editor and the picker; editor mode stays as it is.
    void HideEditor();
    void HideTextEditor();
    void HideCellControl(QWidget *control);
    // Writes a changed editor text back to its field (before the cell is left).
    void WriteBackEditorText();
    // Loads the editor again from its field, dropping what was typed.
    void ReloadEditorText();
    // Date and time fields get the picker, never the text editor.
    bool DateTimeCell(int gridCol) const;
    // Lays the editor and the picker over the current cell after the cell,
    // the rows or the columns changed; the editor follows to a new cell
    // while editor mode is on.
    void PlaceCellControls();
    // A key in the editor or the picker; true when it was dealt with here.
    bool EditorKeyPress(QWidget *control, QKeyEvent *event);
    void GiveFocusTo(QWidget *control);
    // A column dragged to another place by the operator: the field takes the
    // position of the field at the target column.
    void MoveColumnByOperator(int fromCol, int toCol);

    // ---- the grid this part belongs to
    TwwCustomDBGrid *const q;

    // ---- data binding and the two string lists
    TDataSource *dataSource = nullptr;
    std::unique_ptr<TwwGridDataLink> dataLink;
    QStringList selected;
    QStringList controlType;

    // ---- settings (defaults are the values the order window runs with)
    TwwDBGridOptions options = kDefaultGridOptions;
    TwwKeyOptions keyOptions = TwwKeyOptions(dgAllowDelete | dgAllowInsert);
    TwwEditControlOptions editControlOptions = TwwEditControlOptions(ecoSearchOwnerForm);
    unsigned multiSelectOptions = 0;
    std::optional<QFont> titleFont;  // unset: the grid's own font
    TwwTitleAlignment titleAlignment = TwwTitleAlignment::taLeftJustify;
    int titleLines = 1;
    bool titleButtons = false;
    int fixedCols = 0;
    bool showHorzScrollBar = true;
    bool showVertScrollBar = true;
    bool disableThemes = false;
    bool disableThemesInTitle = false;
    TwwGridLineStyle lineStyle = TwwGridLineStyle::glsDynamic;
    TwwLineColors lineColors;
    TwwPadColumnStyle padColumnStyle = TwwPadColumnStyle::pcsPadHeaderAndData;
    TwwIndicatorColor indicatorColor = TwwIndicatorColor::icBlack;
    int rowHeightPercent = 100;
    bool defaultDrawing = true;
    bool useTFields = true;
    bool readOnly = false;
    bool editCalculated = false;
    TwwIniAttributes iniAttributes;
    TwwDittoAttributes dittoAttributes;

    // ---- the column model, the geometry and the current cell
    wwgrid::GridGeometry geom;
    wwgrid::DisplayedFieldList displayed;
    std::vector<TwwColumn> columns;
    std::vector<TwwCacheColInfoItem> cacheColInfo;
    std::vector<bool> tabStops;
    TwwColumn emptyColumn;
    int col = 1;
    int row = 1;
    bool editorMode = false;
    int activeRecord = 0;  // the link's active record at the last update

    // ---- what keeps the layout and the scroll bars from running into themselves
    bool inLayout = false;
    bool applyingColumnList = false;
    bool updatingScrollBars = false;
    bool fullRepaintPending = false;   // the whole client area waits for a paint
    bool vertScrollScheduled = false;  // the vertical bar is updated once the event is done
    std::optional<wwgrid::VertScrollInfo> lastVertScroll;

    // ---- painting
    int lastPaintCells = 0;
    int paintCount = 0;
    QRegion lastPaintRegion;
    QPixmap picture;  // off-screen picture of the client area, see paintEvent

    // ---- input
    GridQuestion question;
    int wheelDelta = 0;  // wheel movement not yet worth a whole row
    // The last press the grid itself handled (time stamp, global place): a
    // double click whose first press went elsewhere (it closed a pop-up)
    // does not find it there.
    quint64 lastPressTime = 0;
    QPoint lastPressPos{-10000, -10000};

    // ---- the controls over the current cell and the column drag. Kept
    // last: they are made after everything else and go first, while the
    // grid is still whole.
    std::unique_ptr<wwgrid::CellControls> cellControls;
    std::unique_ptr<wwgrid::ColumnDrag> columnDrag;
};

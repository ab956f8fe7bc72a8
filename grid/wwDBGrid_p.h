#pragma once
// The state of the order grid, shared by the grid's own source files (and
// its helpers in grid/). Not for use outside grid/: the window and the tests
// see the grid through wwDBGrid.h alone, so a change here rebuilds only the
// grid.
#include <QFont>
#include <QPixmap>
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
class TwwCustomDBGrid;

class TwwCustomDBGridPrivate {
public:
    explicit TwwCustomDBGridPrivate(TwwCustomDBGrid *grid);

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

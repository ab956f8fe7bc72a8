#pragma once
// The controls the grid lays over its current cell, the in-place editor and
// the date-time picker, and what keeps them there: a filter on the grid, its
// client area and the controls (focus, keys, paints).
#include <QObject>
#include <QString>

class TwwCustomDBGrid;
class TwwCustomDBGridPrivate;
class TwwInplaceEdit;
class TwwDBDateTimePicker;
class QWidget;

namespace wwgrid {

// The cell the controls were last laid over.
struct PlacedCell {
    bool active = false;
    int col = -1;
    int recNo = -1;
    bool inserting = false;
    bool operator==(const PlacedCell &) const = default;
};

class CellControls : public QObject {
public:
    explicit CellControls(TwwCustomDBGridPrivate *owner);
    ~CellControls() override;

    // Watches a control made for the grid: its keys and its loss of focus.
    void Watch(QWidget *control);
    // Lays the controls again once the current event is done (the cursor,
    // the columns or the size changed).
    void ScheduleFollow();
    bool InsideGrid(const QWidget *widget) const;

    TwwCustomDBGrid *const grid;
    TwwCustomDBGridPrivate *const d;  // the grid's private part, which places the controls
    TwwInplaceEdit *editor = nullptr;
    TwwDBDateTimePicker *picker = nullptr;
    // Where the editor's text came from.
    QString editorField;
    int editorRecNo = 0;
    PlacedCell placed;
    // A key handed over by the grid goes into the editor, never back.
    bool passingKey = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool scheduled_ = false;
};

}  // namespace wwgrid

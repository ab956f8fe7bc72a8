#pragma once
// What the grid keeps while the operator sizes or moves a column with the
// mouse: the column, where the press was, the picture of the title that
// follows the pointer, and the timer that scrolls the columns near an edge.
#include <QObject>
#include <QPoint>
#include <QTimer>

class TwwCustomDBGrid;
class QLabel;

namespace wwgrid {

class ColumnDrag : public QObject {
public:
    explicit ColumnDrag(TwwCustomDBGrid *grid);
    ~ColumnDrag() override;

    enum class Mode {
        None,
        Sizing,   // a column's right edge follows the pointer
        Pressed,  // a title is pressed; not yet moved far enough
        Moving,   // the title's picture follows the pointer
    };

    // Scrolls one column the way the drag asks for, and stops the timer when
    // the pointer has left the edge or the columns can go no further.
    void AutoScroll();
    void StopAutoScroll();

    TwwCustomDBGrid *const grid;
    Mode mode = Mode::None;
    int col = -1;
    QPoint press;
    int startWidth = 0;
    int lastX = 0;
    int movingDirection = 0;  // +1 right, -1 left, 0 not yet known
    int scrollDirection = 0;
    QPoint pictureOffset;  // from the pointer to the picture's corner
    QLabel *picture = nullptr;
    QTimer timer;
};

}  // namespace wwgrid

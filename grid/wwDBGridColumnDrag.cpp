// Column resizing and moving with the mouse in the title row.
#include "wwDBGrid.h"

bool TwwCustomDBGrid::TitleMousePress(QMouseEvent *) { return false; }

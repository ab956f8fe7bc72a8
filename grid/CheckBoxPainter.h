#pragma once
// Draws a check box into a 13 x 13 square: the style's own check box when
// visual styles are in use, else the classic sunken square drawn here.
#include <QRect>

class QPainter;
class QPalette;
class QStyle;
class QWidget;

namespace wwgrid {

struct CheckBoxLook {
    bool checked = false;
    bool enabled = true;
};

void DrawThemedCheckBox(QPainter &p, const QRect &square, CheckBoxLook look, const QWidget *widget);
void DrawClassicCheckBox(QPainter &p, const QRect &square, CheckBoxLook look, const QPalette &palette);

}  // namespace wwgrid

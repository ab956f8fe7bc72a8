#include "grid/CheckBoxPainter.h"

#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace wwgrid {

void DrawThemedCheckBox(QPainter &p, const QRect &square, CheckBoxLook look, const QWidget *widget) {
    QStyleOptionButton option;
    option.initFrom(widget);
    option.rect = square;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_On | QStyle::State_Off);
    option.state |= look.checked ? QStyle::State_On : QStyle::State_Off;
    if (look.enabled)
        option.state |= QStyle::State_Enabled;
    else
        option.state &= ~QStyle::State_Enabled;
    widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p, widget);
}

// The classic look: a two-pixel sunken frame (shadow and dark shadow at top
// and left, light and highlight at bottom and right), the window colour
// inside (button face when inactive) and a 7 x 7 check mark. Every stroke is
// a one-pixel row or column, set with a solid fill: drawing them as lines
// with a pen costs several times as much, and a column of check boxes is
// drawn on every scroll.
void DrawClassicCheckBox(QPainter &p, const QRect &square, CheckBoxLook look, const QPalette &palette) {
    const int l = square.left(), t = square.top(), r = square.right(), b = square.bottom();
    // From (x1, y) to (x2, y), or from (x, y1) to (x, y2), ends included.
    const auto row = [&p](int x1, int x2, int y, const QColor &color) {
        p.fillRect(QRect(x1, y, x2 - x1 + 1, 1), color);
    };
    const auto column = [&p](int x, int y1, int y2, const QColor &color) {
        p.fillRect(QRect(x, y1, 1, y2 - y1 + 1), color);
    };
    p.fillRect(square.adjusted(2, 2, -2, -2),
               look.enabled ? palette.color(QPalette::Base) : palette.color(QPalette::Button));
    const QColor dark = palette.color(QPalette::Dark);
    row(l, r - 1, t, dark);
    column(l, t, b - 1, dark);
    const QColor black(0, 0, 0);
    row(l + 1, r - 2, t + 1, black);
    column(l + 1, t + 1, b - 2, black);
    const QColor light = palette.color(QPalette::Light);
    row(l, r, b, light);
    column(r, t, b, light);
    const QColor face = palette.color(QPalette::Button);
    row(l + 1, r - 1, b - 1, face);
    column(r - 1, t + 1, b - 1, face);
    if (look.checked) {
        // The mark: a short stroke down to the right, then a long one up,
        // three pixels thick.
        const QColor mark = look.enabled ? black : palette.color(QPalette::Dark);
        const int x0 = l + 3, y0 = t + 5;
        for (int i = 0; i < 7; ++i) {
            const int dy = i < 3 ? i : 4 - i;  // down 2, then up 4
            column(x0 + i, y0 + dy, y0 + dy + 2, mark);
        }
    }
}

}  // namespace wwgrid

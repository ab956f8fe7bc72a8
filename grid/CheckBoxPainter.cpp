#include "CheckBoxPainter.h"

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
// inside (button face when inactive) and a 7 x 7 check mark.
void DrawClassicCheckBox(QPainter &p, const QRect &square, CheckBoxLook look, const QPalette &palette) {
    const int l = square.left(), t = square.top(), r = square.right(), b = square.bottom();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(square.adjusted(2, 2, -2, -2), look.enabled ? palette.color(QPalette::Base)
                                                           : palette.color(QPalette::Button));
    p.setPen(palette.color(QPalette::Dark));
    p.drawLine(l, t, r - 1, t);
    p.drawLine(l, t, l, b - 1);
    p.setPen(QColor(0, 0, 0));
    p.drawLine(l + 1, t + 1, r - 2, t + 1);
    p.drawLine(l + 1, t + 1, l + 1, b - 2);
    p.setPen(palette.color(QPalette::Light));
    p.drawLine(l, b, r, b);
    p.drawLine(r, t, r, b);
    p.setPen(palette.color(QPalette::Button));
    p.drawLine(l + 1, b - 1, r - 1, b - 1);
    p.drawLine(r - 1, t + 1, r - 1, b - 1);
    if (look.checked) {
        // The mark: a short stroke down to the right, then a long one up,
        // three pixels thick.
        p.setPen(look.enabled ? QColor(0, 0, 0) : palette.color(QPalette::Dark));
        const int x0 = l + 3, y0 = t + 5;
        for (int i = 0; i < 7; ++i) {
            const int dy = i < 3 ? i : 4 - i;  // down 2, then up 4
            p.drawLine(x0 + i, y0 + dy, x0 + i, y0 + dy + 2);
        }
    }
    p.restore();
}

}  // namespace wwgrid

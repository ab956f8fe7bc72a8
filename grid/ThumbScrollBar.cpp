#include "grid/ThumbScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace wwgrid {

ThumbScrollBar::ThumbScrollBar(Qt::Orientation orientation, QWidget *parent) : QScrollBar(orientation, parent) {}

ThumbScrollBar::ValueLook ThumbScrollBar::CurrentLook() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    ValueLook look;
    look.thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    look.atMinimum = sliderPosition() == minimum();
    look.atMaximum = sliderPosition() == maximum();
    return look;
}

// Every pixel of the bar shows the look of the last paint or waits for a
// repaint: any change that alters the look asks for a whole repaint, so a
// value change that keeps the painted look can leave the pixels as they are.
// The value itself is always stored; only the repaint is saved.
void ThumbScrollBar::sliderChange(SliderChange change) {
    if (change == SliderValueChange && painted_ && *painted_ == CurrentLook()) return;
    QScrollBar::sliderChange(change);
}

void ThumbScrollBar::paintEvent(QPaintEvent *event) {
    QScrollBar::paintEvent(event);
    painted_ = CurrentLook();
}

}  // namespace wwgrid

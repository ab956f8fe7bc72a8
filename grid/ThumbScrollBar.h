#pragma once
// The grid's vertical scroll bar. Its value is the record number, so over a
// large result set nearly every cursor move gives it a new value, while the
// thumb stays on the same pixels: over a million rows the thumb of a bar a
// few hundred pixels high moves by one pixel only every few thousand rows.
// A plain bar repaints itself on every value change, which costs more than
// painting the row the cursor moved to; this one repaints on a value change
// only when the picture would differ from the one last painted.
#include <QScrollBar>
#include <optional>

namespace wwgrid {

class ThumbScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ThumbScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // What a value decides in the bar's picture: where the thumb is, and
    // whether it stands at either end (a style may draw the arrow there as
    // unusable).
    struct ValueLook {
        QRect thumb;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const ValueLook &) const = default;
    };
    ValueLook CurrentLook() const;

    std::optional<ValueLook> painted_;  // as of the last paint
};

}  // namespace wwgrid

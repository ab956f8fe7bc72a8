// Painting of the grid. Each paint draws into an off-screen picture of the
// region to repaint and copies only that region, so nothing flickers:
// background, then the cells in four groups (corner, titles, indicator
// cells, data cells), the pad area right of the last column, the fixed and
// vertical lines, and the focus outline.
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QVarLengthArray>

#include "data/dataset/ClientDataSet.h"
#include "grid/CheckBoxPainter.h"
#include "grid/ColumnList.h"
#include "grid/GridDataLink.h"
#include "grid/GridGeometry.h"
#include "grid/IndicatorImages.h"
#include "grid/wwDBGrid.h"
#include "grid/wwDBGrid_p.h"

namespace {
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kBlack(0, 0, 0);

bool IsWhite(const QColor &c) { return (c.rgb() & 0xFFFFFF) == 0xFFFFFF; }

// Grid lines are straight and one pixel wide: a line is the row or column of
// pixels from one end to the other, both ends included, which a solid fill of
// that one-pixel rectangle sets exactly (a line drawn with a pen costs many
// times as much). Only the piece inside the area being painted is filled: a
// repaint after a one-row scroll covers a band a row high, and the lines of
// the rest of the grid would only be thrown away.
void DrawHLine(QPainter &p, const QColor &color, int x1, int x2, int y, const QRect &area) {
    if (y < area.top() || y > area.bottom()) return;
    const int from = std::max(std::min(x1, x2), area.left());
    const int to = std::min(std::max(x1, x2), area.right());
    if (from <= to) p.fillRect(QRect(from, y, to - from + 1, 1), color);
}
void DrawVLine(QPainter &p, const QColor &color, int x, int y1, int y2, const QRect &area) {
    if (x < area.left() || x > area.right()) return;
    const int from = std::max(std::min(y1, y2), area.top());
    const int to = std::min(std::max(y1, y2), area.bottom());
    if (from <= to) p.fillRect(QRect(x, from, 1, to - from + 1), color);
}

// Right edge in the platform's sense: one past the last pixel.
int RightOf(const QRect &r) { return r.left() + r.width(); }
int BottomOf(const QRect &r) { return r.top() + r.height(); }

// Rectangle from left/top to right/bottom edges given one past the end.
QRect EdgeRect(int left, int top, int right, int bottom) {
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

Qt::Alignment HorizontalAlignment(FieldAlignment a) {
    switch (a) {
        case FieldAlignment::Right:
            return Qt::AlignRight;
        case FieldAlignment::Center:
            return Qt::AlignHCenter;
        case FieldAlignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

// Text rectangle inside a cell: 2 pixels in from the left (none for centred
// text), 2 pixels short of the right for right-aligned text.
QRect TextRect(const QRect &cell, Qt::Alignment align, int top, int bottom) {
    int left = cell.left() + 2;
    int right = RightOf(cell);
    if (align & Qt::AlignRight) right -= 2;
    if (align & Qt::AlignHCenter) left = cell.left();
    return EdgeRect(left, top, right, bottom);
}
}  // namespace

struct TwwCustomDBGridPrivate::PaintContext {
    bool open = false;
    bool titlesThemed = false;
    bool checksThemed = false;
    bool focused = false;
    QColor color;       // data cell background
    QColor titleColor;  // fixed cells
    QColor light;
    QColor dark;
    QColor text;
    QColor highlight;
    QColor highlightedText;
    int textHeight = 0;       // of the grid's font
    int titleTextHeight = 0;  // of the title font
    QRegion region;           // what this paint covers
    QRect bounds;             // its bounding rectangle
    int cells = 0;
};

void TwwCustomDBGrid::paintEvent(QPaintEvent *event) {
    d->fullRepaintPending = false;
    QRegion region = event->region();
    // Each data cell draws the line below itself, so the line above a
    // repainted area belongs to the row before it.
    if (d->options.testFlag(dgRowLines)) region += region.translated(0, -1);
    region &= viewport()->rect();

    // Only the region's bounding box is painted: a small repaint (the cursor
    // moved, a scroll uncovered a row) then costs no more than its cells.
    const QRect bounds = region.boundingRect();
    if (bounds.isEmpty()) return;

    TwwCustomDBGridPrivate::PaintContext ctx;
    ctx.open = DataActive();
    ctx.titlesThemed = d->TitlesThemed();
    ctx.checksThemed = CheckBoxesThemed();
    ctx.focused = hasFocus();
    const QPalette &pal = palette();
    ctx.color = Color();
    ctx.titleColor = TitleColor();
    ctx.light = pal.color(QPalette::Light);
    ctx.dark = pal.color(QPalette::Dark);
    ctx.text = pal.color(QPalette::Text);
    ctx.highlight = pal.color(QPalette::Highlight);
    ctx.highlightedText = pal.color(QPalette::HighlightedText);
    ctx.textHeight = QFontMetrics(font()).height();
    ctx.titleTextHeight = QFontMetrics(TitleFont()).height();
    ctx.region = region;
    ctx.bounds = bounds;
    // The picture is kept from paint to paint: a new bitmap, and a new paint
    // engine for it, on every paint cost more than painting a row.
    const qreal dpr = viewport()->devicePixelRatioF();
    const QSize pictureSize = viewport()->size() * dpr;
    if (d->picture.size() != pictureSize || d->picture.devicePixelRatio() != dpr) {
        d->picture = QPixmap(pictureSize);
        d->picture.setDevicePixelRatio(dpr);
    }
    {
        QPainter p(&d->picture);
        // Clipped to the bounding box, not to the region: only the region
        // reaches the screen, and what a pixel there ends up as does not
        // depend on what is drawn beside it. Drawing clipped to a region of
        // several rectangles (the band a scroll uncovered and the cursor's
        // cells) costs far more for every piece of text than a rectangle.
        p.setClipRect(bounds);
        const QRect client = viewport()->rect();
        if (ctx.open) {
            for (const QRect &r : region) p.fillRect(r, ctx.color);
        } else {
            p.fillRect(client, ctx.titleColor);
            const QRect first = d->geom.CellRect(1, 1);
            p.fillRect(QRect(first.topLeft(), client.bottomRight()), ctx.color);
        }
        d->PaintCells(p, region, ctx);
        d->PaintPadArea(p, ctx);
        d->PaintTitleLines(p, ctx);
        if (ctx.open) {
            d->PaintIndicatorLines(p, ctx);
            d->PaintColumnLines(p, ctx);
        }
        d->PaintFocusOutline(p, ctx);
    }
    // The platform clips a paint to the area it asked for, which the region
    // holds; the rest of the bounding box is never copied.
    QPainter window(viewport());
    window.drawPixmap(QPointF(bounds.topLeft()), d->picture,
                      QRectF(QPointF(bounds.topLeft()) * dpr, QSizeF(bounds.size()) * dpr));

    d->lastPaintCells = ctx.cells;
    d->lastPaintRegion = region;
    ++d->paintCount;
}

int TwwCustomDBGrid::LastPaintCellCount() const { return d->lastPaintCells; }
QRegion TwwCustomDBGrid::LastPaintRegion() const { return d->lastPaintRegion; }
int TwwCustomDBGrid::PaintCount() const { return d->paintCount; }

void TwwCustomDBGridPrivate::PaintCells(QPainter &p, const QRegion &region, PaintContext &ctx) {
    const int lastCol = geom.LastVisibleCol();
    const int lastRow = ctx.open ? q->RowCount() - 1 : 0;
    for (int gridRow = 0; gridRow <= lastRow; ++gridRow) {
        const int top = geom.RowTop(gridRow);
        // (top - 1: a themed indicator cell also draws the line above it.)
        if (top >= geom.clientHeight || top - 1 > ctx.bounds.bottom()) break;
        if (top + geom.RowHeightOf(gridRow) < ctx.bounds.top()) continue;  // wholly above, gap included
        for (int gridCol = 0; gridCol <= lastCol; ++gridCol) {
            if (gridCol > 0 && gridCol < geom.leftCol) gridCol = geom.leftCol;
            const QRect rect = geom.CellRect(gridCol, gridRow);
            // A cell owns the gaps right of and below it, where it draws; a
            // themed indicator cell's section also covers the line above it.
            QRect drawn = rect.adjusted(0, 0, 1, 1);
            if (gridCol == 0 && gridRow > 0 && ctx.titlesThemed) drawn.setTop(drawn.top() - 1);
            if (rect.isEmpty() || !region.intersects(drawn)) continue;
            ++ctx.cells;
            if (gridRow == 0)
                PaintTitleCell(p, gridCol, rect, ctx);
            else if (gridCol == 0)
                PaintIndicatorCell(p, gridRow, rect, ctx);
            else if (q->CacheColInfo(gridCol).controlType == QLatin1String("CheckBox"))
                PaintCheckBoxCell(p, gridCol, gridRow, rect, ctx);
            else
                PaintTextCell(p, gridCol, gridRow, rect, ctx);
        }
    }
}

void TwwCustomDBGridPrivate::PaintTitleCell(QPainter &p, int gridCol, const QRect &rect, const PaintContext &ctx) {
    if (ctx.titlesThemed) {
        QStyleOptionHeader option;
        option.initFrom(q);
        option.state |= QStyle::State_Raised;
        option.rect = rect.adjusted(0, 0, 1, 0);
        q->style()->drawControl(QStyle::CE_HeaderSection, &option, &p, q);
    } else {
        p.fillRect(rect.adjusted(-1, 0, 0, 0), ctx.titleColor);
    }
    if (gridCol == 0 || !ctx.open) return;
    Qt::Alignment align = Qt::AlignLeft;
    if (titleAlignment == TwwTitleAlignment::taRightJustify) align = Qt::AlignRight;
    if (titleAlignment == TwwTitleAlignment::taCenter) align = Qt::AlignHCenter;
    // Each line is drawn clipped to its part of the text rectangle, which
    // starts at or below the cell's top (the title row holds all its lines
    // and 4 pixels more) and ends above its bottom pixel row. A repaint that
    // touches only that row or the gaps (the first data row scrolled in)
    // needs no text, nor the label looked up.
    if (!ctx.region.intersects(TextRect(rect, align, rect.top(), BottomOf(rect) - 1))) return;
    const QStringList lines = q->Column(gridCol - 1).DisplayLabel().split(QLatin1Char('~'));
    const int shown = std::min<int>(int(lines.size()), titleLines);
    const int offset = wwgrid::TitleTextOffset(rect.height(), ctx.titleTextHeight, shown);
    const QRect textRect = TextRect(rect, align, rect.top() + offset, BottomOf(rect) - 1);
    const QFont font = q->TitleFont();
    const QFontMetrics metrics(font);
    p.setFont(font);
    p.setPen(ctx.text);
    for (int i = 0; i < shown; ++i) {
        const QRect lineRect = textRect.adjusted(0, i * metrics.height(), 0, 0);
        const QString text = metrics.elidedText(lines[i], Qt::ElideRight, lineRect.width());
        p.drawText(lineRect, int(align | Qt::AlignTop | Qt::TextSingleLine), text);
    }
}

void TwwCustomDBGridPrivate::PaintIndicatorCell(QPainter &p, int gridRow, const QRect &rect, const PaintContext &ctx) {
    if (ctx.titlesThemed) {
        QStyleOptionHeader option;
        option.initFrom(q);
        option.state |= QStyle::State_Raised;
        option.rect = rect.adjusted(-1, -1, 1, 1);
        // The section reaches over the line below the cell, where the next
        // row's section, drawn after it, has the last word in a full paint.
        // Leaving that line to the next row keeps a repaint of this cell
        // alone (a cursor move) looking exactly like a full paint.
        const bool rowBelow = gridRow < q->RowCount() - 1;
        if (rowBelow) {
            p.save();
            p.setClipRect(option.rect.adjusted(0, 0, 0, -1), Qt::IntersectClip);
        }
        q->style()->drawControl(QStyle::CE_HeaderSection, &option, &p, q);
        if (rowBelow) p.restore();
    } else {
        p.fillRect(rect.adjusted(-1, -1, 0, 1), ctx.titleColor);
    }
    if (gridRow != row) return;  // only the active record's row has a glyph
    wwgrid::IndicatorGlyph glyph = wwgrid::IndicatorGlyph::Arrow;
    switch (q->DataSet()->State()) {
        case DataSetState::Edit:
            glyph = wwgrid::IndicatorGlyph::Edit;
            break;
        case DataSetState::Insert:
            glyph = wwgrid::IndicatorGlyph::Insert;
            break;
        default:
            break;
    }
    const int x = (RightOf(rect) - 6) / 2 + 1;
    const int y = (2 * rect.top() + geom.rowHeight - 11) / 2;
    const QPixmap &image = wwgrid::IndicatorImages::Glyph(glyph);
    if (ctx.region.intersects(QRect(QPoint(x, y), image.size() / image.devicePixelRatio()))) p.drawPixmap(x, y, image);
}

bool TwwCustomDBGridPrivate::CellHighlighted(int gridCol, int gridRow) const {
    return gridCol == col && gridRow == row && q->hasFocus();
}

QString TwwCustomDBGridPrivate::CellText(int gridCol, int gridRow) const {
    TField *field = q->ColumnField(gridCol);
    if (!field || gridRow < 1 || gridRow > dataLink->RecordCount()) return {};
    return QString::fromStdString(field->DisplayTextAt(dataLink->RowAt(gridRow - 1)));
}

void TwwCustomDBGridPrivate::PaintTextCell(QPainter &p, int gridCol, int gridRow, const QRect &rect,
                                           const PaintContext &ctx) {
    const bool highlighted = CellHighlighted(gridCol, gridRow);
    const QColor background = highlighted ? ctx.highlight : ctx.color;
    if (highlighted) p.fillRect(rect, background);
    TField *field = q->ColumnField(gridCol);
    const Qt::Alignment align = field ? HorizontalAlignment(field->Alignment()) : Qt::AlignLeft;
    const QRect textRect = TextRect(rect, align, rect.top() + 2, BottomOf(rect) - 1);
    // Drawing text in a rectangle clips it there (long text is cut off at the
    // cell's right edge), so a repaint that misses the rectangle, such as the
    // line below a row next to one that scrolled in, needs no text at all.
    if (ctx.region.intersects(textRect)) {
        int flags = int(align | Qt::AlignTop);
        // Word break is asked for, but a rectangle that cannot hold a second
        // line (one line plus the borders and 3 pixels fills it) keeps one line.
        if (options.testFlag(dgWordWrap) && ctx.textHeight + 2 + 3 < textRect.height())
            flags |= Qt::TextWordWrap;
        else
            flags |= Qt::TextSingleLine;
        const QString text = CellText(gridCol, gridRow);
        if (!text.isEmpty()) {
            p.setFont(q->font());
            p.setPen(highlighted ? ctx.highlightedText : ctx.text);
            p.drawText(textRect, flags, text);
        }
    }
    PaintRowLine(p, gridCol, gridRow, rect, background, highlighted, ctx);
}

void TwwCustomDBGridPrivate::PaintCheckBoxCell(QPainter &p, int gridCol, int gridRow, const QRect &rect,
                                               const PaintContext &ctx) {
    const bool highlighted = CellHighlighted(gridCol, gridRow);
    const QColor background = highlighted ? ctx.highlight : ctx.color;
    if (highlighted) p.fillRect(rect, background);
    // The box stays inside the cell: a repaint of only the cell's gaps needs
    // its row line alone.
    if (ctx.region.intersects(rect)) {
        wwgrid::CheckBoxLook look;
        look.checked = wwgrid::IsCheckedText(CellText(gridCol, gridRow), q->CacheColInfo(gridCol).checkedValue);
        look.enabled = !q->Column(gridCol - 1).ReadOnly();
        const int left = (rect.left() + RightOf(rect) - 10) / 2;
        const int top = (rect.top() + BottomOf(rect) - 10) / 2;
        const QRect square(left - 1, top - 1, 13, 13);
        if (ctx.checksThemed)
            wwgrid::DrawThemedCheckBox(p, square, look, q);
        else
            wwgrid::DrawClassicCheckBox(p, square, look, q->palette());
    }
    PaintRowLine(p, gridCol, gridRow, rect, background, highlighted, ctx);
}

void TwwCustomDBGridPrivate::PaintRowLine(QPainter &p, int gridCol, int gridRow, const QRect &rect,
                                          const QColor &background, bool highlighted, const PaintContext &ctx) {
    const bool white = IsWhite(background) || (highlighted && IsWhite(ctx.color));
    if (gridRow == 1 && gridCol < int(cacheColInfo.size())) cacheColInfo[size_t(gridCol)].whiteBackground = white;
    if (!options.testFlag(dgRowLines)) return;
    const int below = BottomOf(rect);
    if (lineStyle == TwwGridLineStyle::glsSingle || white) {
        DrawHLine(p, kSilver, rect.left(), RightOf(rect), below, ctx.bounds);
    } else {
        DrawHLine(p, ctx.dark, rect.left(), RightOf(rect), below, ctx.bounds);
        DrawHLine(p, ctx.light, rect.left(), rect.right(), rect.top(), ctx.bounds);
    }
}

// The grey pad right of the last column, with a light edge on its left.
void TwwCustomDBGridPrivate::PaintPadArea(QPainter &p, const PaintContext &ctx) {
    if (padColumnStyle != TwwPadColumnStyle::pcsPadHeaderAndData) return;
    const int last = q->ColCount() - 1;
    if (geom.LastVisibleCol() != last) return;
    const int left = RightOf(geom.CellRect(last, 0)) + 1;
    if (left >= geom.clientWidth) return;
    const QRect pad = EdgeRect(left, 0, geom.clientWidth, geom.clientHeight) & ctx.bounds;
    if (!pad.isEmpty()) p.fillRect(pad, ctx.titleColor);
    DrawVLine(p, ctx.light, left, 0, geom.clientHeight - 1, ctx.bounds);
}

// Raised title cells: light top and left, black right and bottom.
void TwwCustomDBGridPrivate::PaintTitleLines(QPainter &p, const PaintContext &ctx) {
    if (ctx.titlesThemed) return;
    const int bottom = geom.titleHeight;  // the gap below the title row
    if (ctx.bounds.top() > bottom) return;
    const int lastCol = geom.LastVisibleCol();
    const QRect &area = ctx.bounds;
    for (int gridCol = 0; gridCol <= lastCol; ++gridCol) {
        if (gridCol > 0 && gridCol < geom.leftCol) gridCol = geom.leftCol;
        const QRect rect = geom.CellRect(gridCol, 0);
        const int right = gridCol == q->ColCount() - 1 ? geom.clientWidth - 1 : rect.right();
        DrawHLine(p, ctx.light, rect.left(), right, 0, area);
        DrawVLine(p, ctx.light, rect.left(), 0, rect.bottom(), area);
        DrawVLine(p, kBlack, RightOf(rect), 0, bottom, area);
        DrawHLine(p, kBlack, rect.left() - 1, RightOf(rect), bottom, area);
    }
}

void TwwCustomDBGridPrivate::PaintIndicatorLines(QPainter &p, const PaintContext &ctx) {
    const int lastRow = geom.LastFullyVisibleRow();
    const int bottom = BottomOf(geom.CellRect(0, lastRow));  // gap below the last full row
    const int right = geom.colWidths[0] - 1;
    const QRect &area = ctx.bounds;
    if (area.left() > right + 2) return;  // all of them lie left of the repaint
    if (!ctx.titlesThemed) {
        DrawHLine(p, ctx.light, 0, right, geom.titleHeight + 1, area);
        for (int gridRow = 1; gridRow <= lastRow; ++gridRow) {
            const int gap = BottomOf(geom.CellRect(0, gridRow));
            DrawHLine(p, kBlack, 0, right, gap, area);
            DrawHLine(p, ctx.light, 0, right, gap + 1, area);
        }
    }
    DrawVLine(p, kBlack, right + 1, geom.titleHeight, bottom, area);
    DrawVLine(p, ctx.light, right + 2, geom.titleHeight, bottom, area);
    DrawVLine(p, ctx.light, 0, 0, bottom, area);
}

void TwwCustomDBGridPrivate::PaintColumnLines(QPainter &p, const PaintContext &ctx) {
    if (!options.testFlag(dgColLines)) return;
    const int bottom = BottomOf(geom.CellRect(0, geom.LastFullyVisibleRow()));
    for (int gridCol = geom.leftCol; gridCol < q->ColCount(); ++gridCol) {
        const int x = RightOf(geom.CellRect(gridCol, 0));
        if (lineStyle == TwwGridLineStyle::glsSingle || q->CacheColInfo(gridCol).whiteBackground) {
            DrawVLine(p, kSilver, x, geom.titleHeight, bottom, ctx.bounds);
        } else {
            DrawVLine(p, ctx.dark, x, geom.titleHeight, bottom, ctx.bounds);
            DrawVLine(p, ctx.light, x + 1, geom.titleHeight, bottom, ctx.bounds);
        }
        if (x >= geom.clientWidth) break;
    }
}

// The current cell outlined in the highlight colour, with the dotted focus
// rectangle over it (drawn inverting, as the platform's is).
void TwwCustomDBGridPrivate::PaintFocusOutline(QPainter &p, const PaintContext &ctx) {
    if (!ctx.focused || !ctx.open || !geom.ColVisible(col)) return;
    const QRect rect = geom.CellRect(col, row);
    if (rect.isEmpty() || !ctx.region.intersects(rect)) return;
    const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    DrawHLine(p, ctx.highlight, l, r, t, ctx.bounds);
    DrawHLine(p, ctx.highlight, l, r, b, ctx.bounds);
    DrawVLine(p, ctx.highlight, l, t, b, ctx.bounds);
    DrawVLine(p, ctx.highlight, r, t, b, ctx.bounds);
    // Every other pixel of each edge, counted from the top left corner, all
    // inverted in one go. A pixel dotted by both its row and its column (a
    // corner) is inverted twice and keeps its colour.
    QVarLengthArray<QPoint, 512> dots;
    const auto dot = [&](int x, int y) {
        if (ctx.bounds.contains(x, y)) dots.append(QPoint(x, y));
    };
    for (int x = l; x <= r; x += 2) {
        dot(x, t);
        dot(x, b);
    }
    for (int y = t; y <= b; y += 2) {
        dot(l, y);
        dot(r, y);
    }
    if (dots.isEmpty()) return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QColor(255, 255, 255));
    p.drawPoints(dots.constData(), int(dots.size()));
    p.restore();
}

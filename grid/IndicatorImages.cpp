#include "grid/IndicatorImages.h"

#include <QBitmap>
#include <QImage>
#include <array>
#include <memory>

namespace wwgrid {

namespace {
// Resource names of the glyphs, in glyph order.
constexpr std::array<const char *, 5> kNames = {":/WWDBGARROW", ":/WWDBEDIT", ":/WWDBINSERT", ":/WWDBMULTISELECT",
                                                ":/WWDBMULTIARROW"};

struct Images {
    std::array<QPixmap, 5> glyphs;
};
int g_useCount = 0;
std::unique_ptr<Images> g_images;

QPixmap LoadGlyph(const char *name) {
    QImage image(QString::fromLatin1(name), "XPM");
    if (image.isNull()) return {};
    QPixmap pixmap = QPixmap::fromImage(image);
    // White is the mask colour: those pixels stay as the cell's background.
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskInColor)));
    return pixmap;
}
}  // namespace

void IndicatorImages::Acquire() {
    if (g_useCount++ == 0) {
        g_images = std::make_unique<Images>();
        for (size_t i = 0; i < kNames.size(); ++i) g_images->glyphs[i] = LoadGlyph(kNames[i]);
    }
}

void IndicatorImages::Release() {
    if (g_useCount > 0 && --g_useCount == 0) g_images.reset();
}

int IndicatorImages::UseCount() { return g_useCount; }

const QPixmap &IndicatorImages::Glyph(IndicatorGlyph glyph) {
    static const QPixmap none;
    return g_images ? g_images->glyphs[size_t(glyph)] : none;
}

}  // namespace wwgrid

#pragma once
// The indicator glyphs, shared by every grid: loaded when the first grid is
// made, freed when the last one goes (a use count). Each is 6 x 11, black on
// a white background that is drawn transparent.
#include <QPixmap>

namespace wwgrid {

enum class IndicatorGlyph { Arrow = 0, Edit = 1, Insert = 2, MultiSelect = 3, MultiArrow = 4 };

class IndicatorImages {
public:
    static void Acquire();
    static void Release();
    static int UseCount();
    // Only valid between Acquire and Release.
    static const QPixmap &Glyph(IndicatorGlyph glyph);
};

}  // namespace wwgrid

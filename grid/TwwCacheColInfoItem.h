#pragma once
// Per grid column (the indicator column included), what the cell painters
// need about its control without reading the control-type list each time.
#include <QString>

class QWidget;

struct TwwCacheColInfoItem {
    QWidget *control = nullptr;  // the control a custom-control kind names
    QString controlType;         // the kind ("CheckBox", ...) or empty
    QString parameters;          // the parameter text after the kind
    QString checkedValue;        // a check box's text for ticked
    bool alwaysShow = false;     // "T" as second parameter of a custom-control kind
    // Whether the column's first data cell had a white background at the
    // last paint; picks silver or 3D column lines.
    bool whiteBackground = true;
};

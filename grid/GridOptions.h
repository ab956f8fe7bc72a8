#pragma once
// The grid's settings: option sets and the small property groups. The
// defaults here are the values the order window runs with.
#include <QFlags>
#include <QString>

enum TwwDBGridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgWordWrap = 1u << 12,
    dgPerfectRowFit = 1u << 13,
    dgMultiSelect = 1u << 14,
    dgShowFooter = 1u << 15,
    dgFooter3DCells = 1u << 16,
    dgNoLimitColSize = 1u << 17,
    dgTrailingEllipsis = 1u << 18,
    dgShowCellHint = 1u << 19,
    dgTabExitsOnLastCol = 1u << 20,
    dgFixedResizable = 1u << 21,
    dgFixedEditable = 1u << 22,
    dgProportionalColResize = 1u << 23,
    dgRowResize = 1u << 24,
    dgRowLinesDisableFixed = 1u << 25,
    dgColLinesDisableFixed = 1u << 26,
    dgFixedProportionalResize = 1u << 27,
    dgHideBottomDataLine = 1u << 28,
    dgDblClickColSizing = 1u << 29,
};
Q_DECLARE_FLAGS(TwwDBGridOptions, TwwDBGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TwwDBGridOptions)

constexpr TwwDBGridOptions kDefaultGridOptions =
    TwwDBGridOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                     dgConfirmDelete | dgCancelOnExit | dgWordWrap);

enum TwwKeyOption : unsigned { dgEnterToTab = 1u << 0, dgAllowDelete = 1u << 1, dgAllowInsert = 1u << 2 };
Q_DECLARE_FLAGS(TwwKeyOptions, TwwKeyOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TwwKeyOptions)

enum TwwEditControlOption : unsigned {
    ecoCheckboxSingleClick = 1u << 0,
    ecoSearchOwnerForm = 1u << 1,
    ecoDisableCustomControls = 1u << 2,
    ecoDisableEditorIfReadOnly = 1u << 3,
};
Q_DECLARE_FLAGS(TwwEditControlOptions, TwwEditControlOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TwwEditControlOptions)

enum class TwwGridLineStyle { glsSingle, glsDynamic };
enum class TwwPadColumnStyle { pcsPadHeader, pcsPlain, pcsPadHeaderAndData };
enum class TwwIndicatorColor { icBlack, icYellow };
enum class TwwTitleAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TwwDittoDirection { wwDittoPrior, wwDittoNext };

struct TwwLineColors {
    // Named colours; the grid resolves the system ones through its palette.
    enum class Color { clSilver, clBtnHighlight, clBtnShadow, clBlack };
    Color dataColor = Color::clSilver;
    Color highlightColor = Color::clBtnHighlight;
    Color shadowColor = Color::clBtnShadow;
    Color fixedColor = Color::clBlack;
};

// The layout is neither loaded nor saved: Enabled stays off.
struct TwwIniAttributes {
    bool enabled = false;
    bool saveToRegistry = false;
    QString fileName;
    QString sectionName;
    QString delimiter = QStringLiteral(";;");
    bool checkNewFields = false;
};

// Copying a value from a neighbouring record: a shortcut of 0 never matches a
// key, so with these values nothing is ever copied.
struct TwwDittoAttributes {
    int shortCutDittoField = 0;
    int shortCutDittoRecord = 0;
    unsigned options = 0;
    TwwDittoDirection dittoDirection = TwwDittoDirection::wwDittoPrior;
};

#pragma once
// The grid's two string lists, read as plain text: the column list (one
// TAB-separated entry per shown field) and the control-type list (one
// ";"-separated entry per field with a special cell control). Pure functions,
// so every rule can be checked without a widget or a result set.
#include <QString>
#include <QStringList>
#include <optional>

namespace wwgrid {

// Part `part` (1-based) of a TAB-separated column entry: each part runs to the
// next TAB, the last to the end; a part past the end reads as empty.
QString EntryPart(const QString &entry, int part);
// How many TAB-separated parts the entry has (an empty entry has one).
int EntryPartCount(const QString &entry);

// Index of the first entry whose field name equals `fieldName`, ignoring the
// case of ASCII letters; -1 when none.
int FindColumnEntry(const QStringList &selected, const QString &fieldName);

// Part 1..5 of the field's entry. A missing read-only flag (part 4) reads "F";
// a field without an entry gives "".
QString ColumnEntryPart(const QStringList &selected, const QString &fieldName, int part);

// The column is read-only when part 4 of its entry is exactly "T".
bool IsColumnReadOnly(const QStringList &selected, const QString &fieldName);

// What painting needs: the last control entry naming the field (case
// included) gives the kind and the parameter text (everything after the
// second ";", at most 255 characters). Both empty when there is none.
struct ControlInfo {
    QString kind;
    QString params;
    bool operator==(const ControlInfo &) const = default;
};
ControlInfo GetControlInfo(const QStringList &controlType, const QString &fieldName);

// The checked value painting compares with: first part of the parameters.
QString PaintCheckedValue(const ControlInfo &info);

// What toggling needs: the first entry with at least four parts whose field
// name matches exactly and whose kind is exactly "CheckBox".
struct CheckBoxValues {
    bool found = false;
    QString checked;
    QString unchecked;
    bool operator==(const CheckBoxValues &) const = default;
};
CheckBoxValues GetCheckBoxValues(const QStringList &controlType, const QString &fieldName);

// Display text equal to the checked value, ASCII case ignored, means ticked.
bool IsCheckedText(const QString &displayText, const QString &checkedValue);

// ASCII-only case folding comparison (other letters must match exactly).
bool EqualsIgnoringAsciiCase(const QString &a, const QString &b);

}  // namespace wwgrid

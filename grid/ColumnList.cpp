#include "grid/ColumnList.h"

namespace wwgrid {

namespace {
QChar AsciiLower(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 32)) : c;
}
}  // namespace

bool EqualsIgnoringAsciiCase(const QString &a, const QString &b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

QString EntryPart(const QString &entry, int part) {
    if (part < 1) return {};
    qsizetype start = 0;
    for (int p = 1; p < part; ++p) {
        const qsizetype tab = entry.indexOf(QChar(u'\t'), start);
        if (tab < 0) return {};
        start = tab + 1;
    }
    const qsizetype end = entry.indexOf(QChar(u'\t'), start);
    return end < 0 ? entry.mid(start) : entry.mid(start, end - start);
}

int EntryPartCount(const QString &entry) { return int(entry.count(QChar(u'\t'))) + 1; }

int FindColumnEntry(const QStringList &selected, const QString &fieldName) {
    for (qsizetype i = 0; i < selected.size(); ++i)
        if (EqualsIgnoringAsciiCase(EntryPart(selected[i], 1), fieldName)) return int(i);
    return -1;
}

QString ColumnEntryPart(const QStringList &selected, const QString &fieldName, int part) {
    const int index = FindColumnEntry(selected, fieldName);
    if (index < 0) return {};
    const QString &entry = selected[index];
    if (part == 4 && EntryPartCount(entry) < 4) return QStringLiteral("F");
    return EntryPart(entry, part);
}

bool IsColumnReadOnly(const QStringList &selected, const QString &fieldName) {
    return ColumnEntryPart(selected, fieldName, 4) == QLatin1String("T");
}

ControlInfo GetControlInfo(const QStringList &controlType, const QString &fieldName) {
    ControlInfo info;
    for (const QString &entry : controlType) {
        const qsizetype first = entry.indexOf(QChar(u';'));
        const QString name = first < 0 ? entry : entry.left(first);
        if (name != fieldName) continue;
        if (first < 0) {
            info = {};
            continue;
        }
        const qsizetype second = entry.indexOf(QChar(u';'), first + 1);
        if (second < 0) {
            info = {entry.mid(first + 1), QString()};
        } else {
            info = {entry.mid(first + 1, second - first - 1), entry.mid(second + 1).left(255)};
        }
    }
    return info;
}

QString PaintCheckedValue(const ControlInfo &info) { return info.params.section(QChar(u';'), 0, 0); }

CheckBoxValues GetCheckBoxValues(const QStringList &controlType, const QString &fieldName) {
    for (const QString &entry : controlType) {
        const QStringList parts = entry.split(QChar(u';'));
        if (parts.size() < 4) continue;
        if (parts[0] != fieldName || parts[1] != QLatin1String("CheckBox")) continue;
        return {true, parts[2], parts[3]};
    }
    return {};
}

bool IsCheckedText(const QString &displayText, const QString &checkedValue) {
    return EqualsIgnoringAsciiCase(displayText, checkedValue);
}

}  // namespace wwgrid

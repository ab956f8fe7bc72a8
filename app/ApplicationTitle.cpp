#include "app/ApplicationTitle.h"

QString ApplicationTitleFor(const QString &executablePath) {
    QString name = executablePath.mid(executablePath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    if (name.isEmpty()) return name;
    // A first character outside the basic plane is two code units; keep both.
    const qsizetype first = name.at(0).isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(first) + name.mid(first).toLower();
}

#include "workflow/DateSeparator.h"

#include <QLocale>

namespace batchdel {

QChar DateSeparatorOf(const QString &shortDateFormat) {
    for (const QChar c : shortDateFormat)
        if (!c.isLetter() && !c.isSpace()) return c;
    return QLatin1Char('/');
}

QChar SystemDateSeparator() { return DateSeparatorOf(QLocale::system().dateFormat(QLocale::ShortFormat)); }

}  // namespace batchdel

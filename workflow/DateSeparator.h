#pragma once
// The separator the window's date boxes show and give in their texts, which
// the query text then carries: the system's short-date separator.
#include <QChar>
#include <QString>

namespace batchdel {

// The short-date separator of a date format: its first character that is
// neither a letter nor a space; "/" when there is none.
QChar DateSeparatorOf(const QString &shortDateFormat);
// The separator of the system's regional settings.
QChar SystemDateSeparator();

}  // namespace batchdel

#include "data/dataset/FieldText.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/dataset/Errors.h"

namespace {
// Day 0 of the database's count, 1858-11-17, is Julian day 2400001.
constexpr qint64 kJulianDayOfDbDay0 = 2400001;

// The time format without a time-zone part: a time of day has no zone.
QString WithoutZone(const QString &format) {
    QString out;
    bool quoted = false;
    for (QChar ch : format) {
        if (ch == u'\'') quoted = !quoted;
        if (!quoted && ch == u't') continue;
        out += ch;
    }
    return out.trimmed();
}

struct RegionalFormats {
    QLocale locale = QLocale::system();
    QString date = locale.dateFormat(QLocale::ShortFormat);
    QString time = WithoutZone(locale.timeFormat(QLocale::LongFormat));
    std::string dateUtf8 = date.toStdString();
    std::string timeUtf8 = time.toStdString();
};

const RegionalFormats &Formats() {
    static const RegionalFormats formats;
    return formats;
}

QDate DateOf(int32_t days) { return QDate::fromJulianDay(days + kJulianDayOfDbDay0); }
int32_t DaysOf(const QDate &date) { return static_cast<int32_t>(date.toJulianDay() - kJulianDayOfDbDay0); }
QTime TimeOf(uint32_t fractions) {
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(fractions / (kTimeFractionsPerSecond / 1000)));
}
uint32_t FractionsOf(const QTime &time) {
    return static_cast<uint32_t>(time.msecsSinceStartOfDay()) * (kTimeFractionsPerSecond / 1000);
}

std::string DateText(int32_t days) {
    const auto &f = Formats();
    return f.locale.toString(DateOf(days), f.date).toStdString();
}
std::string TimeText(uint32_t fractions) {
    const auto &f = Formats();
    return f.locale.toString(TimeOf(fractions), f.time).toStdString();
}

std::string DecimalText(int64_t unscaled, int scale) {
    if (scale <= 0) return std::to_string(unscaled);
    bool negative = unscaled < 0;
    // Through unsigned so the smallest value has a magnitude too.
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(unscaled) : static_cast<uint64_t>(unscaled);
    std::string digits = std::to_string(magnitude);
    if (digits.size() <= static_cast<size_t>(scale)) digits.insert(0, scale + 1 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - scale);
    std::string fraction = digits.substr(digits.size() - scale);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string out = negative ? "-" : "";
    out += whole;
    if (!fraction.empty()) out += "." + fraction;
    return out;
}

std::string Trimmed(const std::string &text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return text.substr(b, e - b);
}

[[noreturn]] void NotValid(const std::string &text, const char *what) {
    throw EConvertError("'" + text + "' is not a valid " + what);
}

int64_t ReadInteger(const std::string &text, const std::string &t, int64_t low, int64_t high) {
    errno = 0;
    char *end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) NotValid(text, "integer value");
    return v;
}

int64_t ReadScaled(const std::string &text, const std::string &t, int scale) {
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    __int128 value = 0;
    int decimals = 0;
    bool point = false, digits = false, roundUp = false;
    const __int128 limit = static_cast<__int128>(INT64_MAX);
    for (; i < t.size(); ++i) {
        char ch = t[i];
        if (ch == '.' && !point) {
            point = true;
            continue;
        }
        if (ch < '0' || ch > '9') NotValid(text, "BCD value");
        digits = true;
        if (point && decimals >= scale) {
            // Digits beyond the scale round the last kept one, half away from zero.
            if (decimals == scale) roundUp = ch >= '5';
            ++decimals;
            continue;
        }
        value = value * 10 + (ch - '0');
        if (point) ++decimals;
        if (value > limit) NotValid(text, "BCD value");
    }
    if (!digits) NotValid(text, "BCD value");
    for (int k = std::min(decimals, scale); k < scale; ++k) {
        value *= 10;
        if (value > limit) NotValid(text, "BCD value");
    }
    if (roundUp && ++value > limit) NotValid(text, "BCD value");
    return static_cast<int64_t>(negative ? -value : value);
}

QDate ReadDate(const QString &t) {
    const auto &f = Formats();
    QDate date = f.locale.toDate(t, f.date);
    if (!date.isValid()) date = QDate::fromString(t, Qt::ISODate);
    return date;
}

QTime ReadTime(const QString &t) {
    const auto &f = Formats();
    QTime time = f.locale.toTime(t, f.time);
    if (!time.isValid()) time = f.locale.toTime(t, QLocale::ShortFormat);
    if (!time.isValid()) time = QTime::fromString(t, Qt::ISODateWithMs);
    return time;
}
}  // namespace

const std::string &ShortDateFormat() { return Formats().dateUtf8; }
const std::string &LongTimeFormat() { return Formats().timeUtf8; }

std::string FieldValueText(DataType type, int scale, const FieldValue &value, bool forDisplay) {
    if (value.isNull) return {};
    switch (type) {
        case DataType::String:
        case DataType::Memo:
        case DataType::Unknown:
            return value.s;
        case DataType::Blob:
            return forDisplay ? std::string("(BLOB)") : value.s;
        case DataType::SmallInt:
        case DataType::Integer:
        case DataType::BigInt:
            return std::to_string(value.i);
        case DataType::Bcd:
            return DecimalText(value.i, scale);
        case DataType::Float: {
            char text[40];
            std::snprintf(text, sizeof text, "%.15g", value.f);
            return text;
        }
        case DataType::Boolean:
            return value.i ? "True" : "False";
        case DataType::Date:
            return DateText(value.date);
        case DataType::Time:
            return TimeText(value.time);
        case DataType::TimeStamp: {
            std::string text = DateText(value.date);
            // Hour, minute and second all zero: the date alone.
            if (value.time / kTimeFractionsPerSecond != 0) text += " " + TimeText(value.time);
            return text;
        }
    }
    return {};
}

FieldValue FieldValueFromText(DataType type, int scale, const std::string &text) {
    FieldValue v;
    if (type == DataType::String || type == DataType::Memo || type == DataType::Blob || type == DataType::Unknown) {
        v.isNull = false;
        v.s = text;
        return v;
    }
    const std::string t = Trimmed(text);
    if (t.empty()) return v;  // null
    v.isNull = false;
    switch (type) {
        case DataType::SmallInt:
            v.i = ReadInteger(text, t, INT16_MIN, INT16_MAX);
            break;
        case DataType::Integer:
            v.i = ReadInteger(text, t, INT32_MIN, INT32_MAX);
            break;
        case DataType::BigInt:
            v.i = ReadInteger(text, t, INT64_MIN, INT64_MAX);
            break;
        case DataType::Bcd:
            v.i = ReadScaled(text, t, scale);
            break;
        case DataType::Float: {
            errno = 0;
            char *end = nullptr;
            v.f = std::strtod(t.c_str(), &end);
            if (errno != 0 || *end != '\0' || !std::isfinite(v.f)) NotValid(text, "floating point value");
            break;
        }
        case DataType::Boolean: {
            QString b = QString::fromStdString(t).toUpper();
            if (b == "TRUE" || b == "T" || b == "YES" || b == "Y" || b == "1")
                v.i = 1;
            else if (b == "FALSE" || b == "F" || b == "NO" || b == "N" || b == "0")
                v.i = 0;
            else
                NotValid(text, "boolean value");
            break;
        }
        case DataType::Date: {
            QDate date = ReadDate(QString::fromStdString(t));
            if (!date.isValid()) NotValid(text, "date");
            v.date = DaysOf(date);
            break;
        }
        case DataType::Time: {
            QTime time = ReadTime(QString::fromStdString(t));
            if (!time.isValid()) NotValid(text, "time");
            v.time = FractionsOf(time);
            break;
        }
        case DataType::TimeStamp: {
            QString all = QString::fromStdString(t);
            QDate date = ReadDate(all);
            QTime time(0, 0);
            if (!date.isValid()) {
                // A date, blanks, then a time. The date format may hold blanks
                // itself, so every split point is tried from the right.
                for (qsizetype at = all.lastIndexOf(u' '); at > 0 && !date.isValid();
                     at = all.lastIndexOf(u' ', at - 1)) {
                    QDate d = ReadDate(all.left(at).trimmed());
                    QTime tm = ReadTime(all.mid(at + 1).trimmed());
                    if (d.isValid() && tm.isValid()) {
                        date = d;
                        time = tm;
                    }
                }
                if (!date.isValid()) {
                    QDateTime iso = QDateTime::fromString(all, Qt::ISODateWithMs);
                    if (iso.isValid()) {
                        date = iso.date();
                        time = iso.time();
                    }
                }
            }
            if (!date.isValid()) NotValid(text, "date and time");
            v.date = DaysOf(date);
            v.time = FractionsOf(time);
            break;
        }
        default:
            break;
    }
    return v;
}

#include "app/DateMask.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>

DateMask::DateMask(QChar separator) : separator_(separator) { cells_.fill(QLatin1Char(' ')); }

QString DateMask::DisplayText() const {
    QString shown(kLength, kBlankShown);
    for (int i = 0; i < kLength; ++i) {
        if (IsSeparatorPosition(i))
            shown[i] = separator_;
        else if (cells_[i] != QLatin1Char(' '))
            shown[i] = cells_[i];
    }
    return shown;
}

QString DateMask::ReadText() const {
    QString read(kLength, QLatin1Char(' '));
    for (int i = 0; i < kLength; ++i) read[i] = IsSeparatorPosition(i) ? separator_ : cells_[i];
    return read;
}

void DateMask::SetText(const QString &text) {
    for (int i = 0; i < kLength; ++i) {
        const QChar c = i < text.size() ? text.at(i) : QLatin1Char(' ');
        cells_[i] = (!IsSeparatorPosition(i) && c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c : QLatin1Char(' ');
    }
    SetCaret(0);
}

void DateMask::SetCaret(int position) {
    caret_ = std::clamp(position, 0, kLength);
    selStart_ = caret_;
    selLength_ = 0;
}

void DateMask::Select(int start, int length) {
    const int a = std::clamp(start, 0, kLength);
    const int b = std::clamp(start + length, 0, kLength);
    selStart_ = std::min(a, b);
    selLength_ = std::abs(b - a);
    caret_ = selStart_;
}

int DateMask::NextDigitPosition(int from) const {
    for (int i = from; i < kLength; ++i)
        if (!IsSeparatorPosition(i)) return i;
    return kLength;
}

bool DateMask::BlankSelection() {
    if (selLength_ == 0) return false;
    for (int i = selStart_; i < selStart_ + selLength_; ++i)
        if (!IsSeparatorPosition(i)) cells_[i] = QLatin1Char(' ');
    SetCaret(selStart_);
    return true;
}

bool DateMask::Type(QChar c) {
    // A selection of one character is simply the position typed over.
    if (selLength_ > 1) BlankSelection();
    SetCaret(caret_);
    if (caret_ >= kLength) return false;

    if (IsSeparatorPosition(caret_)) {
        // Whatever is typed on a separator stands for that separator.
        SetCaret(NextDigitPosition(caret_ + 1));
        return true;
    }
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
        cells_[caret_] = c;
        SetCaret(NextDigitPosition(caret_ + 1));
        return true;
    }
    if (c == separator_) {
        // The separator at a digit position jumps to the next separator.
        for (int i = caret_ + 1; i < kLength; ++i) {
            if (IsSeparatorPosition(i)) {
                SetCaret(i);
                return true;
            }
        }
    }
    return false;
}

bool DateMask::Paste(const QString &text) {
    const QString pasted = text.trimmed();
    if (pasted.isEmpty()) return false;
    const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };

    if (std::all_of(pasted.begin(), pasted.end(), isDigit)) {
        DateMask typed = *this;
        for (const QChar c : pasted)
            if (!typed.Type(c)) return false;
        *this = typed;
        return true;
    }

    // A written date: digit groups between separators.
    QStringList groups(QString{});
    for (const QChar c : pasted) {
        if (isDigit(c)) {
            groups.last() += c;
        } else if (c == separator_ || c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
            if (groups.last().isEmpty()) return false;
            groups << QString();
        } else {
            return false;
        }
    }
    if (groups.last().isEmpty() || groups.size() > 3 || groups.first().size() != 4) return false;
    for (int i = 1; i < groups.size(); ++i)
        if (groups[i].size() > 2) return false;

    QString read = groups.first();
    for (int i = 1; i < 3; ++i)
        read += separator_ + (i < groups.size() ? groups[i].rightJustified(2, QLatin1Char('0')) : QStringLiteral("  "));
    SetText(read);
    // The caret goes where typing the same date would have left it.
    SetCaret(groups.size() == 3 ? kLength : NextDigitPosition(4 + 3 * (groups.size() - 1) + 1));
    return true;
}

void DateMask::Backspace() {
    if (BlankSelection()) return;
    for (int i = caret_ - 1; i >= 0; --i) {
        if (!IsSeparatorPosition(i)) {
            cells_[i] = QLatin1Char(' ');
            SetCaret(i);
            return;
        }
    }
}

void DateMask::Delete() {
    if (BlankSelection()) return;
    if (caret_ < kLength && !IsSeparatorPosition(caret_)) cells_[caret_] = QLatin1Char(' ');
}

int DateMask::FirstMissingRequired() const {
    for (int i = 0; i < 4; ++i)
        if (cells_[i] == QLatin1Char(' ')) return i;
    return -1;
}

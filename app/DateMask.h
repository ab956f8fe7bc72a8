#pragma once
// The editing rules of a date box: ten positions, four year digits, a
// separator, two month digits, a separator, two day digits. The year is
// required, month and day are optional. Free of widgets, so the rules are
// tested by typing into it.
#include <QChar>
#include <QString>
#include <array>

class DateMask {
public:
    static constexpr int kLength = 10;
    static constexpr QChar kBlankShown = QLatin1Char('_');

    explicit DateMask(QChar separator = QLatin1Char('/'));

    // "____/__/__" with blanks shown as "_" and the separators as given.
    QString DisplayText() const;
    // What the program reads: blanks as spaces, always ten characters.
    QString ReadText() const;
    // Loads ten characters (digits kept, anything else at a digit position
    // becomes a blank); a shorter text is padded with blanks.
    void SetText(const QString &text);

    int Caret() const { return caret_; }
    int SelectionStart() const { return selStart_; }
    int SelectionLength() const { return selLength_; }
    // Caret and selection as the editor has them (clamped to 0..10).
    void SetCaret(int position);
    void Select(int start, int length);

    // One typed character; false when it is refused (the box then beeps).
    bool Type(QChar c);
    // A pasted text; false when it is refused, and then nothing changes.
    // Digits alone go in as if typed from the caret (a selection typed
    // over), and are refused whole when they run past the end. A date
    // written with separators ("/", "-", "." or the box's own) between a
    // four-digit year and a month and day of one or two digits fills the
    // box: "2024-1-5" reads 2024/01/05, "2024/03" leaves the day blank.
    // Blanks around the text are dropped; anything else is refused.
    bool Paste(const QString &text);
    void Backspace();
    void Delete();

    // The first year position without a digit, or -1 when the year is whole.
    int FirstMissingRequired() const;
    static bool IsSeparatorPosition(int position) { return position == 4 || position == 7; }

private:
    // Blanks the digit positions of the selection and puts the caret at its
    // start; false when there was no selection.
    bool BlankSelection();
    int NextDigitPosition(int from) const;  // from itself onwards; kLength if none

    QChar separator_;
    std::array<QChar, kLength> cells_;  // a digit or a space
    int caret_ = 0;
    int selStart_ = 0;
    int selLength_ = 0;
};

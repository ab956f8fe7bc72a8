#pragma once
// A date box: a line edit that edits through DateMask, shows the regional
// date separator, and insists on a whole year when the operator leaves a
// changed box or presses Enter in it.
#include <QLineEdit>
#include <QString>

#include "app/DateMask.h"
#include "workflow/DateSeparator.h"

class TDateBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TDateBox(QWidget *parent = nullptr, QChar separator = batchdel::SystemDateSeparator());

    // Ten characters, unfilled positions as spaces.
    QString ReadText() const { return mask_.ReadText(); }
    // Loads a text as the program's own (not an operator's change).
    void SetReadText(const QString &text);
    bool Modified() const { return modified_; }
    const DateMask &Mask() const { return mask_; }

    // The check on leaving and on Enter: true when the year is whole or the
    // box was not changed. Otherwise beeps, puts the focus and the caret on
    // the first empty year position and reports the failure.
    bool CheckInput();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void TakeCaretFromEditor();
    void ShowMask();

    DateMask mask_;
    QString textAtFocus_;  // what Escape brings back
    bool modified_ = false;
};

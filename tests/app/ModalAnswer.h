#pragma once
// Answers the next modal dialog from the event loop, as an operator would.
#include <QString>
#include <QWidget>
#include <functional>

// Once a modal dialog is up, calls act with it (at most about two seconds of
// waiting). The answer is given from a zero-delay timer, inside the
// dialog's own event loop.
void AnswerNextModal(std::function<void(QWidget *dialog)> act);

// What the answered dialog looked like.
struct SeenDialog {
    bool seen = false;
    QString title;
    QString text;  // a message box's text
};
// Answers the next modal dialog by clicking the button whose text (without
// "&") is buttonText, or with OK/Enter when it is empty; records the dialog.
void ClickInNextModal(SeenDialog *seen, const QString &buttonText = {});

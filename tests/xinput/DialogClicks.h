#pragma once
// Answers the dialogs that come up, in turn, by clicking the button with
// the given text through the X server, as an operator would; records what
// each dialog said. The progress window, which closes by itself, is left be.
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class XTestInput;

class DialogClicks {
public:
    DialogClicks(XTestInput &input, QStringList answers);
    const QStringList &Seen() const { return seen_; }

private:
    void Tick();

    XTestInput &input_;
    QStringList answers_;
    QStringList seen_;
    QPointer<QWidget> clicked_;
    QElapsedTimer clickedAt_;
    QTimer timer_;
};

#pragma once
// The window of a long command's progress: what is being done, a bar and a
// Cancel button. It never shows or hides itself: the work's progress
// (DialogProgress) alone decides when it is on screen, so it cannot come
// back on its own beside a window that followed it.
#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

class TProgressForm : public QDialog {
    Q_OBJECT
public:
    TProgressForm(QWidget *window, const QString &caption);

    // The stage's text and, with steps > 0, how far it has come; with 0
    // steps the bar only shows that work goes on.
    void ShowProgress(const QString &text, int64_t done, int64_t steps);
    // Whether the operator asked to stop (Cancel, Escape or the close box).
    bool CancelRequested() const { return cancelRequested_; }
    // A stop asked for: the window stays, its Cancel button greyed, until
    // the work has come to a safe point and ends.
    void reject() override;

    QLabel *Label = nullptr;
    QProgressBar *Bar = nullptr;
    QPushButton *CancelButton = nullptr;

private:
    bool cancelRequested_ = false;
};

#pragma once
// The progress of a long command in a window-modal dialog with Cancel. The
// dialog appears only once the work has gone on for about half a second, so
// short runs show nothing; while it is up, the window behind it takes no
// input.
//
// The dialog is never on screen beside what its work brings up: when any
// other window of the program comes up (a notice, a question, an error
// report, the next stage's own progress) the dialog goes first, before that
// window is shown, and it goes for good with the work (this object), before
// the caller shows what follows. Should the work go on after that other
// window has gone, the dialog comes back at its next refresh.
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <memory>

#include "workflow/WorkProgress.h"

class QWidget;
class TProgressForm;

class DialogProgress : public batchdel::WorkProgress {
public:
    DialogProgress(QWidget *window, QString caption);
    ~DialogProgress() override;

    void Stage(batchdel::WorkStage stage, int64_t steps) override;
    void Advance(int64_t done) override;
    bool CancelRequested() override;

    // The dialog once it has come up, else null.
    TProgressForm *Dialog() const { return dialog_.get(); }

private:
    class OtherWindowWatch;
    void Refresh();
    // Another window is about to be shown: the dialog makes way for it.
    void MakeWayFor(QWidget *other);

    QWidget *window_;
    QString caption_;
    QString text_;
    int64_t steps_ = 0;
    int64_t done_ = 0;
    std::unique_ptr<TProgressForm> dialog_;
    std::unique_ptr<OtherWindowWatch> watch_;
    // The window the dialog made way for, while it is up.
    QPointer<QWidget> madeWayFor_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceRefresh_;
};

#pragma once
// The progress of a long command in a window-modal dialog with Cancel. The
// dialog appears only once the work has gone on for about half a second, so
// short runs show nothing; while it is up, the window behind it takes no
// input.
#include <QElapsedTimer>
#include <QString>
#include <memory>

#include "WorkProgress.h"

class QProgressDialog;
class QWidget;

class DialogProgress : public WorkProgress {
public:
    DialogProgress(QWidget *window, QString caption);
    ~DialogProgress() override;

    void Stage(const std::string &text, int64_t steps) override;
    void Advance(int64_t done) override;
    bool CancelRequested() override;

    // The dialog once it is shown, else null.
    QProgressDialog *Dialog() const { return dialog_.get(); }

private:
    void Refresh();

    QWidget *window_;
    QString caption_;
    QString text_;
    int64_t steps_ = 0;
    int64_t done_ = 0;
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceRefresh_;
};

#include "ProgressDialog.h"

#include <QApplication>
#include <QProgressDialog>

namespace {

// A run shorter than this shows no dialog at all.
constexpr qint64 kShowAfterMs = 500;
// The dialog is brought up to date (and the operator's clicks read) this
// often, not after every step: a step can take a few microseconds.
constexpr qint64 kRefreshEveryMs = 50;

}  // namespace

DialogProgress::DialogProgress(QWidget *window, QString caption) : window_(window), caption_(std::move(caption)) {
    sinceStart_.start();
    sinceRefresh_.start();
}

DialogProgress::~DialogProgress() = default;

void DialogProgress::Stage(const std::string &text, int64_t steps) {
    text_ = QString::fromStdString(text);
    steps_ = steps;
    done_ = 0;
    Refresh();
}

void DialogProgress::Advance(int64_t done) {
    done_ = done;
    if (sinceRefresh_.elapsed() >= kRefreshEveryMs) Refresh();
}

bool DialogProgress::CancelRequested() { return dialog_ && dialog_->wasCanceled(); }

void DialogProgress::Refresh() {
    sinceRefresh_.restart();
    if (!dialog_) {
        if (sinceStart_.elapsed() < kShowAfterMs) return;
        dialog_ = std::make_unique<QProgressDialog>(window_);
        dialog_->setWindowTitle(caption_);
        dialog_->setCancelButtonText(QStringLiteral("Cancel"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        dialog_->show();
    }
    // Values above what the bar holds are scaled down alike.
    const int scale = steps_ > 1000000 ? static_cast<int>(steps_ / 1000000 + 1) : 1;
    dialog_->setMaximum(static_cast<int>(steps_ / scale));
    dialog_->setLabelText(steps_ > 0 ? QStringLiteral("%1\n%2 / %3").arg(text_).arg(done_).arg(steps_) : text_);
    dialog_->setValue(static_cast<int>(done_ / scale));
    // The dialog paints and the Cancel button is read here; the window
    // behind it takes no input while the dialog is up.
    QApplication::processEvents();
}

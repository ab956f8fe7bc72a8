#include "app/ProgressDialog.h"
#include "workflow/WindowTexts.h"

#include <QApplication>
#include <QEvent>

#include "app/ProgressForm.h"
#include "app/TerminationSignals.h"

using namespace batchdel;

namespace {

// A run shorter than this shows no dialog at all.
constexpr qint64 kShowAfterMs = 500;
// The dialog is brought up to date (and the operator's clicks read) this
// often, not after every step: a step can take a few microseconds.
constexpr qint64 kRefreshEveryMs = 50;

}  // namespace

// Sees every window of the program about to be shown. A window's show event
// comes before the window reaches the screen, so the dialog is gone by then.
class DialogProgress::OtherWindowWatch : public QObject {
public:
    explicit OtherWindowWatch(DialogProgress &progress) : progress_(progress) { qApp->installEventFilter(this); }
    ~OtherWindowWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *object, QEvent *event) override {
        if (event->type() != QEvent::Show || !object->isWidgetType()) return false;
        auto *widget = static_cast<QWidget *>(object);
        // Pop-ups and tooltips belong to the window they open from.
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop)
            progress_.MakeWayFor(widget);
        return false;
    }

private:
    DialogProgress &progress_;
};

DialogProgress::DialogProgress(QWidget *window, QString caption) : window_(window), caption_(std::move(caption)) {
    sinceStart_.start();
    sinceRefresh_.start();
}

// The dialog goes with the work: whatever the caller shows next (a notice,
// an error report, the next command's progress) comes up alone.
DialogProgress::~DialogProgress() {
    watch_.reset();
    if (dialog_) dialog_->hide();
}

void DialogProgress::MakeWayFor(QWidget *other) {
    if (!dialog_ || other == dialog_.get() || !dialog_->isVisible()) return;
    madeWayFor_ = other;
    dialog_->hide();
}

void DialogProgress::Stage(WorkStage stage, int64_t steps) {
    text_ = QString::fromStdString(WindowStageText(stage));
    steps_ = steps;
    done_ = 0;
    Refresh();
}

void DialogProgress::Advance(int64_t done) {
    done_ = done;
    if (sinceRefresh_.elapsed() >= kRefreshEveryMs) Refresh();
}

// SIGTERM or SIGINT stops the work as Cancel does, also before the dialog
// has come up. Work that asks more often than it advances (the restore's
// connections, waiting on the link) keeps the dialog painted and its Cancel
// read.
bool DialogProgress::CancelRequested() {
    if (sinceRefresh_.elapsed() >= kRefreshEveryMs) Refresh();
    return TerminationRequested() || (dialog_ && dialog_->CancelRequested());
}

void DialogProgress::Refresh() {
    sinceRefresh_.restart();
    if (!dialog_) {
        if (sinceStart_.elapsed() < kShowAfterMs) return;
        dialog_ = std::make_unique<TProgressForm>(window_, caption_);
        dialog_->ShowProgress(text_, done_, steps_);
        dialog_->show();
        watch_ = std::make_unique<OtherWindowWatch>(*this);
    } else {
        if (!dialog_->isVisible()) {
            // Out of the way of another window: it stays away while that
            // window is up.
            if (madeWayFor_ && madeWayFor_->isVisible()) return;
            madeWayFor_.clear();
            dialog_->show();
        }
        dialog_->ShowProgress(text_, done_, steps_);
    }
    // The dialog paints and the Cancel button is read here; the window
    // behind it takes no input while the dialog is up.
    QApplication::processEvents();
}

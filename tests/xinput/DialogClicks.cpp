#include "tests/xinput/DialogClicks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QWindow>

#include "app/ProgressForm.h"
#include "tests/app/DialogAnswers.h"
#include "tests/xinput/XTestInput.h"

DialogClicks::DialogClicks(XTestInput &input, QStringList answers) : input_(input), answers_(std::move(answers)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(20);
}

void DialogClicks::Tick() {
    QWidget *dialog = QApplication::activeModalWidget();
    // The progress window of the deletion closes by itself.
    if (!dialog || qobject_cast<TProgressForm *>(dialog)) return;
    if (!dialog->windowHandle() || !dialog->windowHandle()->isExposed()) return;
    // A click already sent is given time to arrive; a dialog still there
    // long after it (the click went astray) gets it again.
    if (dialog == clicked_ && clickedAt_.elapsed() < 1500) return;
    if (dialog != clicked_) {
        if (seen_.size() >= answers_.size()) {
            seen_ << QStringLiteral("unexpected: ") + DialogAnswers::TextOf(dialog);
            if (auto *d = qobject_cast<QDialog *>(dialog)) d->done(0);
            return;
        }
        seen_ << DialogAnswers::TextOf(dialog);
    }
    const QString answer = answers_[seen_.size() - 1];
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        if (button->isVisible() && QString(button->text()).remove(QLatin1Char('&')) == answer) {
            clicked_ = dialog;
            clickedAt_.start();
            input_.ClickNoWait(button->mapToGlobal(button->rect().center()));
            return;
        }
    }
    seen_.last() += QStringLiteral(" (no button ") + answer + QLatin1Char(')');
    if (auto *d = qobject_cast<QDialog *>(dialog)) d->done(0);
}

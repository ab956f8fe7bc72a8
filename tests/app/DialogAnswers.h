#pragma once
// Answers every modal dialog that comes up while it lives, from the event
// loop, as an operator would, and records what the dialogs said.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QAbstractButton>
#include <QStringList>
#include <QTest>
#include <QPointer>
#include <QTimer>

#include "app/ProgressForm.h"

// Answers the dialogs that come up while it lives, in turn: each answer is a
// button's text (without "&"), or empty for Enter. A dialog beyond the
// answers is recorded and closed, so a wrong extra question fails the test
// instead of hanging it.
class DialogAnswers {
public:
    explicit DialogAnswers(QStringList answers) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(2);
    }
    // The texts of the dialogs seen, in order; unexpected ones marked.
    const QStringList &Seen() const { return seen_; }

    // What a dialog says: a message box's text, the program's own dialog's
    // message, else its caption.
    static QString TextOf(QWidget *dialog) {
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) return box->text();
        if (auto *message = dialog->findChild<QLabel *>(QStringLiteral("Message"))) return message->text();
        return dialog->windowTitle();
    }

private:
    void Tick() {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        // A progress window answered with Cancel stays up, greyed, until its
        // work stops: it is answered once.
        if (dialog == answeredProgress_) return;
        if (qobject_cast<TProgressForm *>(dialog)) answeredProgress_ = dialog;
        if (seen_.size() >= answers_.size()) {
            seen_ << QStringLiteral("unexpected: ") + TextOf(dialog);
            if (auto *d = qobject_cast<QDialog *>(dialog)) d->done(0);
            return;
        }
        const QString answer = answers_[seen_.size()];
        seen_ << TextOf(dialog);
        if (answer.isEmpty()) {
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
            return;
        }
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
            if (QString(button->text()).remove(QLatin1Char('&')) == answer) {
                button->click();
                return;
            }
        }
        seen_.last() += QStringLiteral(" (no button ") + answer + QLatin1Char(')');
        if (auto *d = qobject_cast<QDialog *>(dialog)) d->done(0);
    }

    QStringList answers_;
    QStringList seen_;
    QPointer<QWidget> answeredProgress_;
    QTimer timer_;
};

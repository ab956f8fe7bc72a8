#include "tests/app/ModalAnswer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {
void Poll(std::function<void(QWidget *)> act, int triesLeft) {
    QTimer::singleShot(triesLeft > 1000 ? 0 : 2, [act = std::move(act), triesLeft]() mutable {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            act(dialog);
        } else if (triesLeft > 0) {
            Poll(std::move(act), triesLeft - 1);
        }
    });
}
}  // namespace

void AnswerNextModal(std::function<void(QWidget *dialog)> act) { Poll(std::move(act), 1001); }

void ClickInNextModal(SeenDialog *seen, const QString &buttonText) {
    AnswerNextModal([seen, buttonText](QWidget *dialog) {
        seen->seen = true;
        seen->title = dialog->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) seen->text = box->text();
        if (buttonText.isEmpty()) {
            QTest::keyClick(dialog, Qt::Key_Return);
            return;
        }
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
            if (QString(button->text()).remove(QLatin1Char('&')) == buttonText) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << buttonText.toStdString() << " in " << seen->title.toStdString();
        if (auto *d = qobject_cast<QDialog *>(dialog)) d->done(0);
    });
}

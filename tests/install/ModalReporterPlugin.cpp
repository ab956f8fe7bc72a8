// A Qt plugin that a test loads into a program it starts
// (QT_QPA_GENERIC_PLUGINS=batchdelmodalreporter): every message box the
// program shows (a message box or a dialog of its own) is written to standard
// error and answered with its default button, so the program runs unattended
// and the test reads what it said. With BATCHDEL_MODAL_REPORTER_LEAVE_OPEN
// set, each box is written once and left open.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGenericPlugin>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

class ModalReporter : public QObject {
public:
    ModalReporter() {
        // Polled rather than hooked: the box runs its own event loop, in
        // which this timer goes on firing.
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, &ModalReporter::AnswerOpenBox);
        timer_.start();
    }

private:
    void AnswerOpenBox() {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == reported_) return;
        std::fprintf(stderr, "[message box] %s\n%s\n[end of message box]\n", qUtf8Printable(dialog->windowTitle()),
                     qUtf8Printable(TextOf(dialog)));
        std::fflush(stderr);
        if (qEnvironmentVariableIsSet("BATCHDEL_MODAL_REPORTER_LEAVE_OPEN")) {
            reported_ = dialog;
            return;
        }
        if (QAbstractButton *button = DefaultButton(dialog))
            button->click();
        else
            dialog->reject();
    }

    // A message box's text, or the labels of the program's own dialogs.
    static QString TextOf(QDialog *dialog) {
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) return box->text();
        QStringList texts;
        for (QLabel *label : dialog->findChildren<QLabel *>())
            if (!label->text().isEmpty()) texts << label->text();
        return texts.join(QLatin1Char('\n'));
    }

    static QAbstractButton *DefaultButton(QDialog *dialog) {
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            if (box->defaultButton()) return box->defaultButton();
            return box->buttons().isEmpty() ? nullptr : box->buttons().first();
        }
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (button->isDefault()) return button;
        return nullptr;
    }

    QTimer timer_;
    QPointer<QDialog> reported_;
};

}  // namespace

class ModalReporterPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ModalReporterPlugin.json")
public:
    QObject *create(const QString &, const QString &) override { return new ModalReporter; }
};

#include "ModalReporterPlugin.moc"

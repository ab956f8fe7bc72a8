// A Qt plugin that a test loads into a program it starts
// (QT_QPA_GENERIC_PLUGINS=batchdelmodalreporter): every message box the
// program shows is written to standard error and answered with its default
// button, so the program runs unattended and the test reads what it said.
#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QMessageBox>
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
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        std::fprintf(stderr, "[message box] %s\n%s\n[end of message box]\n", qUtf8Printable(box->windowTitle()),
                     qUtf8Printable(box->text()));
        std::fflush(stderr);
        QAbstractButton *button = box->defaultButton();
        if (!button && !box->buttons().isEmpty()) button = box->buttons().first();
        if (button)
            button->click();
        else
            box->reject();
    }

    QTimer timer_;
};

}  // namespace

class ModalReporterPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ModalReporterPlugin.json")
public:
    QObject *create(const QString &, const QString &) override { return new ModalReporter; }
};

#include "ModalReporterPlugin.moc"

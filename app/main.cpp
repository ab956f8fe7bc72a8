// The program: the application object, then the main window; a failure
// while the window is built ends the program with the start-up report.
// SIGTERM and SIGINT close the window as its close box does.
#include <QApplication>
#include <QDialog>
#include <memory>

#include "BatchdelApplication.h"
#include "ErrorReport.h"
#include "FrmDulvane.h"
#include "TerminationSignals.h"

int main(int argc, char **argv) {
    TBatchdelApplication app(argc, argv);
    TBatchdelApplication::InsertFontSubstitutions();
    std::unique_ptr<TFormDulvane> window;
    try {
        window = std::make_unique<TFormDulvane>();
    } catch (const std::exception &failure) {
        ReportFatalError(failure);
    }
    // After the connection is made: the engine takes these signals when it
    // attaches, and ours must be the ones in force.
    bool ended = false;
    TTerminationSignals termination([&window, &ended] {
        ended = true;
        // Before the window is up only a notice of its start can be open
        // (the backup folder made): that goes, and the program ends once
        // the window's start is over.
        if (!window->isVisible())
            if (auto *notice = qobject_cast<QDialog *>(QApplication::activeModalWidget())) notice->reject();
        window->close();
    });
    window->show();
    if (ended) return 0;
    return app.exec();
}

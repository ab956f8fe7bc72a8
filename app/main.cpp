// The program: the application object, then the main window, or with
// --restore the restore window; a failure while the window is built ends the
// program with the start-up report. SIGTERM and SIGINT end it whatever is on
// screen: the window closes as by its close box (status 0); during the
// start-up report the report goes and the program ends with that report's
// status 1.
#include <QApplication>
#include <QStringList>
#include <memory>

#include "app/BatchdelApplication.h"
#include "app/ErrorReport.h"
#include "app/FrmDulvane.h"
#include "app/RestoreWindow.h"
#include "app/TerminationSignals.h"

int main(int argc, char **argv) {
    TBatchdelApplication app(argc, argv);
    TBatchdelApplication::InsertFontSubstitutions();
    const bool restore = QApplication::arguments().mid(1).contains(QStringLiteral("--restore"));
    std::unique_ptr<QWidget> window;
    bool ended = false;
    // Taken before the connection is tried, so that the start-up report
    // gives way too; every dialog then up goes before this runs.
    TTerminationSignals termination([&window, &ended] {
        ended = true;
        if (window) window->close();
    });
    try {
        if (restore)
            window = std::make_unique<TRestoreWindow>();
        else
            window = std::make_unique<TFormDulvane>();
    } catch (const std::exception &failure) {
        termination.Retake();
        ReportFatalError(failure);
    }
    // The database client has taken the signals as it attached.
    termination.Retake();
    window->show();
    // A signal during the window's start (its first-start notice) ends the
    // program once that start is over.
    if (ended) return 0;
    return app.exec();
}

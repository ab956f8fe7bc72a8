// The program: the application object, then the main window; a failure
// while the window is built ends the program with the start-up report.
// SIGTERM and SIGINT end it whatever is on screen: the window closes as by
// its close box (status 0); during the start-up report the report goes and
// the program ends with that report's status 1.
#include <QApplication>
#include <memory>

#include "BatchdelApplication.h"
#include "ErrorReport.h"
#include "FrmDulvane.h"
#include "TerminationSignals.h"

int main(int argc, char **argv) {
    TBatchdelApplication app(argc, argv);
    TBatchdelApplication::InsertFontSubstitutions();
    std::unique_ptr<TFormDulvane> window;
    bool ended = false;
    // Taken before the connection is tried, so that the start-up report
    // gives way too; every dialog then up goes before this runs.
    TTerminationSignals termination([&window, &ended] {
        ended = true;
        if (window) window->close();
    });
    try {
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

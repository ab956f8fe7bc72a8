// The program: the application object, then the main window; a failure
// while the window is built ends the program with the start-up report.
// SIGTERM and SIGINT close the window as its close box does.
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
    TTerminationSignals termination([&window] { window->close(); });
    window->show();
    return app.exec();
}

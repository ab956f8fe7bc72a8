// The program: the application object, then the main window; a failure
// while the window is built ends the program with the start-up report.
#include <memory>

#include "BatchdelApplication.h"
#include "ErrorReport.h"
#include "FrmDulvane.h"

int main(int argc, char **argv) {
    TBatchdelApplication app(argc, argv);
    TBatchdelApplication::InsertFontSubstitutions();
    std::unique_ptr<TFormDulvane> window;
    try {
        window = std::make_unique<TFormDulvane>();
    } catch (const std::exception &failure) {
        ReportFatalError(failure);
    }
    window->show();
    return app.exec();
}

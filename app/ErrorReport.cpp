#include "app/ErrorReport.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/AppMessageBox.h"
#include "app/BatchdelApplication.h"
#include "data/dataset/Errors.h"
#include "workflow/OrderWindow.h"
#include "workflow/WindowTexts.h"

using namespace batchdel;

std::string ErrorReportText(const std::string &message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

std::string FailureClassName(const std::exception &failure) {
    if (auto *own = dynamic_cast<const Exception *>(&failure)) return own->ClassName();
    return "Exception";
}

std::string FailureMessage(const std::exception &failure) {
    // A failure the shared library raises as a kind with its data is worded
    // in the window's own language.
    if (std::optional<std::string> worded = WindowFailureText(failure)) return *std::move(worded);
    if (auto *own = dynamic_cast<const Exception *>(&failure)) return own->Message();
    return failure.what();
}

void ReportError(const std::exception &failure) {
    // A drag or a held button must not go on under the box.
    if (QWidget *grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    if (dynamic_cast<const EAbort *>(&failure)) return;
    AppMessageBox(ErrorReportText(FailureMessage(failure)), ApplicationTitle().toStdString(), MB_OK | MB_ICONERROR);
}

std::string FatalErrorText(const std::string &className, const std::string &module, std::uint32_t offset,
                           const std::string &message) {
    char location[9];
    std::snprintf(location, sizeof location, "%08X", static_cast<unsigned>(offset));
    const bool needsStop = !message.empty() && message.back() != '.';
    return "Exception " + className + " in module " + module + " at " + location + ".\r\n" + message +
           (needsStop ? "." : "") + "\r\n";
}

void ShowFatalError(const std::exception &failure, std::uint32_t offset) {
    const std::string module = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    QMessageBox box(
        QMessageBox::Critical, QStringLiteral("Application Error"),
        QString::fromStdString(FatalErrorText(FailureClassName(failure), module, offset, FailureMessage(failure))),
        QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

namespace {
// C++ keeps no record of where an exception was thrown, so the location
// given is the code that called the report (the start-up's catch), as an
// offset into the module that holds it. 0 when the module cannot be found.
std::uint32_t ModuleOffset(const void *code) {
    Dl_info info{};
    if (code == nullptr || dladdr(code, &info) == 0 || info.dli_fbase == nullptr) return 0;
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(code) -
                                      reinterpret_cast<std::uintptr_t>(info.dli_fbase));
}
}  // namespace

void ReportFatalError(const std::exception &failure) {
    ShowFatalError(failure, ModuleOffset(__builtin_return_address(0)));
    std::exit(1);
}

#pragma once
// What the order commands need of the main window. The window implements it;
// the commands stay free of widgets and are tested with any implementation.
#include <ctime>
#include <memory>
#include <string>

#include "workflow/WorkProgress.h"

class TClientDataSet;
class TSQLConnection;
class TSQLQuery;

namespace batchdel {

// The six filter boxes, in the order the criteria list them.
enum class FilterBox { DateFrom, DateTo, CustomerFrom, CustomerTo, DepartmentFrom, DepartmentTo };

// Result codes of the questions: 1 OK, 2 Cancel or the close box, 6 Yes, 7 No.
enum DialogResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// Style bits of the platform message box.
enum MessageBoxStyle : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
};

// Kinds and buttons of the program's own message dialog.
enum class DialogKind { Warning, Error, Information, Confirmation, Plain };
enum DialogButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};

class OrderWindow {
public:
    virtual ~OrderWindow() = default;

    // The text a box returns at this moment (a date box: always 10 characters).
    virtual std::string BoxText(FilterBox box) const = 0;
    // The status line (LabelRecord).
    virtual void SetStatusText(const std::string &text) = 0;

    virtual TClientDataSet &OrderList() = 0;   // ClientDataSet1
    virtual TClientDataSet &BackupSet() = 0;   // ClientDataSet2
    virtual TSQLQuery &Statement() = 0;        // SQLQuery1
    virtual TSQLConnection &Connection() = 0;  // SQLConnection1

    // The data folder, which holds cds/ (the backups and the journal), ending
    // in "/": OrderDataFolder() unless the window was set up with another.
    virtual std::string DataFolder() const = 0;
    // Local date and time now (the backup's timestamp).
    virtual std::tm LocalNow() const = 0;

    virtual int AppMessageBox(const std::string &text, const std::string &caption, unsigned style) = 0;
    virtual int RunMessageDialog(const std::string &text, DialogKind kind, unsigned buttons) = 0;
    virtual void ShowNotice(const std::string &text) = 0;

    // The progress of a long command, shown for as long as the object lives
    // (a window-modal dialog with Cancel once the work has gone on for about
    // half a second). Null: nothing is shown and nothing asks to stop.
    virtual std::unique_ptr<WorkProgress> StartProgress(const std::string &caption) {
        (void)caption;
        return nullptr;
    }
};

}  // namespace batchdel

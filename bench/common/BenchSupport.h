#pragma once
// What the benchmarks share: timing, the configuration files of a folder the
// program's commands run in, and the order window without widgets.
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "workflow/OrderDataModule.h"
#include "workflow/OrderWindow.h"

namespace batchdel {

// Wall-clock seconds the work takes.
double Seconds(const std::function<void()> &work);

// connections.ini and drivers.ini in folder (ending in "/"): the program's
// driver on `database` (a file, or host/port:path on a server).
void WriteBenchConfig(const std::string &folder, const std::string &database, const std::string &user = "SYSDBA",
                      const std::string &password = "masterkey");

// The order window without widgets, on the window's own data module and the
// configuration files of its folder. Every question is answered Yes, the
// backup one No; notices go to stderr. Each backup is named by a time of
// its own.
class BenchWindow : public OrderWindow {
public:
    explicit BenchWindow(const std::string &folder);

    std::string boxes[6];
    std::string status;

    std::string BoxText(FilterBox box) const override { return boxes[static_cast<int>(box)]; }
    void SetStatusText(const std::string &text) override { status = text; }
    TClientDataSet &OrderList() override { return data.ClientDataSet1; }
    TClientDataSet &BackupSet() override { return data.ClientDataSet2; }
    TSQLQuery &Statement() override { return data.SQLQuery1; }
    TSQLConnection &Connection() override { return data.SQLConnection1; }
    std::string DataFolder() const override { return folder_; }
    std::tm LocalNow() const override;
    int AppMessageBox(const std::string &, const std::string &, unsigned) override { return mrYes; }
    int RunMessageDialog(const std::string &, DialogKind, unsigned) override { return mrNo; }
    void ShowNotice(const std::string &text) override;

    void SetDates(const std::string &from, const std::string &to);

    OrderDataModule data;

private:
    std::string folder_;
    mutable int seconds_ = 0;
};

// A line of a results table: what was measured, the program's figure, the
// baseline's, and their ratio.
void Row(const std::string &what, const std::string &program, const std::string &baseline, const std::string &ratio);
// A figure with two decimals and its unit.
std::string Fixed(double value, const char *unit);

// The test server scripts/firebird-server started, as its environment names
// it; nothing when none runs (the message then says how to start one).
struct BenchServer {
    std::string address;  // host/port
    std::string host;
    int port = 0;
    std::string password;  // SYSDBA's
    std::string folder;    // where the server may make databases
};
std::optional<BenchServer> TestServerFromEnvironment(const char *bench);

}  // namespace batchdel

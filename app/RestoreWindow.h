#pragma once
// The restore window, "還原訂單": the deletions of this data folder's journal
// for the connection's database, newest first, each with its orders, and
// 還原(&R) to put ticked orders back from the deletion's backup pair.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/JournalRuns.h"
#include "app/RunRestore.h"

class QLabel;
class QPushButton;
class QSplitter;
class QTreeWidget;
class TSQLConnection;
namespace batchdel {
class WorkProgress;
}  // namespace batchdel

struct TRestoreWindowSetup {
    std::string connectionFile;  // empty: the usual connection file
    std::string driverFile;      // empty: the usual driver file
    std::string programFolder;   // empty: OrderDataFolder(), where cds/ is (ends in "/")
    std::string settingsFile;    // empty: the user's batchdel/restore-window.ini
    // The progress of a restore; empty: the program's progress window.
    std::function<std::unique_ptr<batchdel::WorkProgress>(QWidget *window)> progress;
    RunRestoreSettings restore;
};

class TRestoreWindow : public QWidget {
    Q_OBJECT
public:
    // Opens the connection; a failure to connect leaves the constructor.
    explicit TRestoreWindow(QWidget *parent = nullptr, const TRestoreWindowSetup &setup = {});
    ~TRestoreWindow() override;

    // Reads the journal again and lists its runs, the newest selected.
    void LoadRuns();
    // Ticks every order of the selected run (Ctrl+A).
    void TickAll();
    // The 還原 button: asks, restores the ticked orders, reports.
    void RestoreClick();

    const std::vector<JournalRun> &Runs() const { return runs_; }
    // The numbers of the ticked orders of the selected run.
    std::vector<std::string> TickedOrders() const;

    QLabel *RunsLabel = nullptr;
    QTreeWidget *RunList = nullptr;
    QLabel *OrdersLabel = nullptr;
    QTreeWidget *OrderList = nullptr;
    QLabel *RunState = nullptr;
    QPushButton *RestoreButton = nullptr;
    QPushButton *CloseButton = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void ShowRun(int index);
    void RestoreSettings();
    void SaveSettings() const;
    std::string DataFolder() const;
    std::unique_ptr<TSQLConnection> connection_;
    TRestoreWindowSetup setup_;
    std::vector<JournalRun> runs_;
    QSplitter *splitter_ = nullptr;
};

#include "app/RunRestore.h"

#include <ctime>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_set>

#include "data/dataset/Errors.h"
#include "data/sql/SQLConnection.h"
#include "orders/LocalTime.h"
#include "orders/OrderJournal.h"
#include "restore/BackupPair.h"
#include "restore/OrderRestorer.h"
#include "restore/RestoreErrors.h"
#include "restore/RestoreJournal.h"
#include "workflow/WindowTexts.h"
#include "workflow/WorkProgress.h"

using namespace batchdel;

namespace {

std::string Count(size_t n) { return std::to_string(n); }

void AppendNumbers(std::string &text, const std::vector<std::string> &numbers) {
    constexpr size_t kShown = 20;
    for (size_t i = 0; i < numbers.size() && i < kShown; ++i) text += (i ? "、" : "：") + numbers[i];
    if (numbers.size() > kShown) text += " 等";
}

std::string Joined(const std::vector<std::string> &names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) text += (i ? "、" : "") + names[i];
    return text;
}

}  // namespace

std::string RefusalText(const ERestoreRefused &refusal) {
    const RestoreRefusalFacts &f = refusal.Facts();
    std::string why;
    switch (refusal.Kind()) {
        case RestoreRefusal::UnreadableFile:
            why = "備份檔 " + f.file + " 無法讀取：" +
                  (f.fault ? WindowPacketFaultText(*f.fault, f.systemError, f.bytesHeld, f.bytesExpected) : f.reason);
            break;
        case RestoreRefusal::NotNamedAsHeaderFile:
        case RestoreRefusal::NotNamedAsDetailFile:
            why = "備份檔 " + f.file + " 的名稱不是備份檔的名稱";
            break;
        case RestoreRefusal::FilesOfTwoBackups:
            why = "兩個備份檔不屬於同一次備份（" + f.headerTime + "、" + f.detailTime + "）";
            break;
        case RestoreRefusal::NoOrderNumberColumn:
            why = "備份檔 " + f.file + " 沒有單號欄位 MASTERBILLID";
            break;
        case RestoreRefusal::RowWithoutOrderNumber:
            why = "備份檔 " + f.file + " 第 " + std::to_string(f.row) + " 筆沒有單號";
            break;
        case RestoreRefusal::OrderTwice:
            why = "備份檔 " + f.file + " 中訂單 " + f.order + " 出現兩次";
            break;
        case RestoreRefusal::LinesWithoutTheirOrder:
            why = "備份檔 " + f.file + " 有 " + std::to_string(f.count) + " 筆明細的訂單不在表頭檔中（如 " + f.order +
                  "）";
            break;
        case RestoreRefusal::ColumnsTheDatabaseLacks:
            why = "備份有資料庫沒有的欄位：" + Joined(f.columns);
            break;
        case RestoreRefusal::ColumnsTheBackupLacks:
            why = "資料庫有備份沒有的欄位：" + Joined(f.columns);
            break;
    }
    return why + "；無法還原，未寫入任何資料";
}

std::string WhyNotRestorable(const JournalRun &run, const std::string &dataFolder) {
    if (!run.HasBackup()) return "這次刪除沒有備份，無法還原";
    std::vector<std::string> gone;
    std::error_code error;
    for (const std::string &name : {run.HeaderFile(), run.DetailFile()})
        if (name.empty() || !std::filesystem::exists(dataFolder + "cds/" + name, error)) gone.push_back(name);
    if (gone.empty()) return "";
    std::string text = "備份檔已不存在，無法還原：";
    for (size_t i = 0; i < gone.size(); ++i) text += (i ? "、" : "") + (gone[i].empty() ? "（未記錄）" : gone[i]);
    return text;
}

std::string RunRestoreReport::Text() const {
    if (!refused.empty()) return refused;
    std::string text =
        "還原結果\n已還原：" + Count(restored.size()) + " 筆訂單（" + std::to_string(linesRestored) + " 筆明細）";
    text += "\n已在資料庫中（視為完成）：" + Count(alreadyBack.size());
    if (!otherThere.empty()) {
        text += "\n資料庫已有同單號但內容不同的訂單，未覆寫：" + Count(otherThere.size());
        AppendNumbers(text, otherThere);
    }
    text += "\n不在備份中：" + Count(notInBackup.size());
    AppendNumbers(text, notInBackup);
    text += "\n失敗：" + Count(failed.size());
    for (const auto &[number, reason] : failed) text += "\n  " + number + "：" + reason;
    if (cancelled) text += "\n已取消：" + Count(notReached) + " 筆訂單未還原";
    if (!stopped.empty())
        text +=
            "\n還原中止：" + stopped + "\n" + Count(notReached) + " 筆訂單未還原；已還原的訂單保留，可再還原其餘訂單";
    if (!inDoubt.empty()) {
        text +=
            "\n提交時連線中斷，無法確定是否已還原（未記入紀錄，再還原時已還原者視為完成）：" + Count(inDoubt.size());
        AppendNumbers(text, inDoubt);
    }
    return text;
}

RunRestoreReport RestoreRunOrders(TSQLConnection &connection, const std::string &dataFolder, const JournalRun &run,
                                  const std::vector<std::string> &numbers, WorkProgress *progress,
                                  const RunRestoreSettings &settings) {
    RunRestoreReport report;
    if (std::string why = WhyNotRestorable(run, dataFolder); !why.empty()) {
        report.refused = why;
        return report;
    }
    const std::string folder = dataFolder + "cds/";
    std::optional<BackupPair> pair;
    std::vector<const BackupOrder *> chosen;
    try {
        pair.emplace(BackupPair::Load(folder + run.HeaderFile(), folder + run.DetailFile(), false));
    } catch (const ERestoreRefused &failure) {
        report.refused = RefusalText(failure);
        return report;
    }
    std::unordered_set<std::string> seen;
    for (const std::string &number : numbers) {
        if (!seen.insert(number).second) continue;
        if (const BackupOrder *order = pair->Find(number))
            chosen.push_back(order);
        else
            report.notInBackup.push_back(number);
    }

    OrderRestorer restorer(connection, *pair);
    try {
        restorer.CheckColumns();
    } catch (const ERestoreRefused &failure) {
        report.refused = RefusalText(failure);
        return report;
    }
    const RestoreJournal journal(OrderJournalPath(dataFolder), run.backup, connection.ParamValue("Database"),
                                 connection.ParamValue("User_Name"));
    if (progress) progress->Stage(WorkStage::RestoringOrders, static_cast<int64_t>(chosen.size()));
    restorer.ordersPerRoundTrip = settings.ordersPerRoundTrip;
    restorer.connections = settings.connections;
    restorer.batchTime = settings.batchTime;
    // Cancel stops every connection after its round trip in flight: the
    // committed orders stay (each whole, each journalled), the rest untried.
    if (progress) restorer.stopWanted = [progress] { return progress->CancelRequested(); };
    RestoreOutcome outcome;
    try {
        restorer.Restore(
            chosen,
            [&](const std::vector<const BackupOrder *> &batch) {
                journal.Append(batch, LocalNow());
                // Orders found already there count as gone through too.
                if (progress)
                    progress->Advance(static_cast<int64_t>(outcome.restored.size() + outcome.sameAsBackup.size() +
                                                           outcome.alreadyThere.size()));
            },
            outcome);
    } catch (const ERestoreJournalFailed &failure) {
        report.stopped =
            "無法寫入刪除紀錄 " + failure.Path() + "：" + failure.Reason() + "；最後一批訂單已還原但未記入紀錄";
    } catch (const Exception &failure) {
        report.stopped = failure.Message();
    }
    for (const BackupOrder *order : outcome.restored) report.restored.push_back(order->number);
    for (const BackupOrder *order : outcome.sameAsBackup) report.alreadyBack.push_back(order->number);
    for (const BackupOrder *order : outcome.alreadyThere) report.otherThere.push_back(order->number);
    for (const auto &[order, reason] : outcome.failed) report.failed.emplace_back(order->number, reason);
    for (const BackupOrder *order : outcome.inDoubt) report.inDoubt.push_back(order->number);
    report.linesRestored = outcome.linesRestored;
    const size_t accounted = report.restored.size() + report.alreadyBack.size() + report.otherThere.size() +
                             report.failed.size() + report.inDoubt.size();
    report.notReached = chosen.size() > accounted ? chosen.size() - accounted : 0;
    report.cancelled = report.stopped.empty() && report.notReached > 0 && progress && progress->CancelRequested();
    return report;
}

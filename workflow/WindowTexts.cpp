#include "workflow/WindowTexts.h"

#include <cerrno>

#include "data/packet/PacketFile.h"
#include "workflow/DeletionJournal.h"

namespace batchdel {

std::string WindowStageText(WorkStage stage) {
    switch (stage) {
        case WorkStage::ReadingOrders:
            return "讀取訂單...";
        case WorkStage::ReadingLines:
            return "讀取明細...";
        case WorkStage::WritingBackup:
            return "寫入備份檔...";
        case WorkStage::CheckingBackup:
            return "核對備份檔...";
        case WorkStage::DeletingOrders:
            return "正在刪除勾選的訂單...";
        case WorkStage::RestoringOrders:
            return "正在還原勾選的訂單...";
    }
    return {};
}

std::string WindowJournalFailureText(const EJournalFailed &failure) {
    std::string text = "無法寫入刪除紀錄 " + failure.Path() + "：" + failure.Reason();
    if (const auto &stop = failure.Stopped())
        text += "。刪除已停止：已刪除 " + std::to_string(stop->deleted) + " 筆訂單（最後 " +
                std::to_string(stop->unjournalled.size()) + " 筆未記入紀錄），" + std::to_string(stop->notDeleted) +
                " 筆勾選的訂單未刪除。";
    return text;
}

std::string WindowCommitInDoubtText(const std::string &failure, int deleted, const std::vector<std::string> &inDoubt) {
    std::string text = failure + "\n連線中斷：已刪除並記入紀錄 " + std::to_string(deleted) + " 筆訂單；另有 " +
                       std::to_string(inDoubt.size()) + " 筆訂單在提交時連線中斷，無法確定是否已刪除，刪除紀錄未記入：";
    for (const std::string &number : inDoubt) text += " " + number;
    return text;
}

std::string WindowReadBackText(ReadBackFailure kind, const ReadBackFacts &facts) {
    const std::string file = "備份檔 " + facts.file;
    const auto number = [](int64_t value) { return std::to_string(value); };
    std::string what;
    switch (kind) {
        case ReadBackFailure::FileMissing:
            what = file + " 寫入後已不存在，無法讀回核對";
            break;
        case ReadBackFailure::FileUnreadable:
            what = file + " 寫入後無法讀回：" + facts.reason;
            break;
        case ReadBackFailure::FileTruncated:
            what = file + " 讀回時不完整：只有 " + number(facts.count) + " 位元組" +
                   (facts.expected > 0 ? "（寫入的是 " + number(facts.expected) + " 位元組）" : "");
            break;
        case ReadBackFailure::FileChanged:
            what = file + " 讀回的內容與寫入的不同";
            break;
        case ReadBackFailure::RowCount:
            what = file + " 讀回 " + number(facts.count) + " 筆資料，寫入的是 " + number(facts.expected) + " 筆";
            break;
        case ReadBackFailure::NoOrderNumberColumn:
            what = file + " 讀回沒有單號欄位 MASTERBILLID";
            break;
        case ReadBackFailure::OrderNotBackedUp:
            what = file + " 讀回有未備份的訂單 " + facts.order;
            break;
        case ReadBackFailure::OrderCount:
            what = file + " 讀回 " + number(facts.count) + " 筆訂單，寫入的是 " + number(facts.expected) + " 筆";
            break;
        case ReadBackFailure::LineOfOtherOrder:
            what = file + " 有訂單 " + facts.order + " 的明細，但表頭檔中沒有這筆訂單";
            break;
        case ReadBackFailure::LineCount:
            what = file + " 中訂單 " + facts.order + " 讀回 " + number(facts.count) + " 筆明細，寫入的是 " +
                   number(facts.expected) + " 筆";
            break;
    }
    return what + "；本次備份未保留，未刪除任何訂單";
}

std::string WindowPacketFaultText(PacketFault fault, int systemError, uint64_t held, uint64_t expected) {
    switch (fault) {
        case PacketFault::CannotOpen:
            if (systemError == ENOENT) return "檔案不存在";
            return SystemReason(systemError);
        case PacketFault::CannotRead:
            return SystemReason(systemError);
        case PacketFault::NotARegularFile:
            return "不是一般檔案";
        case PacketFault::NotAPacket:
            return "不是備份檔的格式";
        case PacketFault::Truncated:
            return "檔案不完整，只有 " + std::to_string(held) + " 位元組" +
                   (expected > 0 ? "（應有 " + std::to_string(expected) + " 位元組）" : "");
        case PacketFault::OtherVersion:
            return "檔案的版本本程式無法讀取";
        case PacketFault::Damaged:
            return "檔案已損壞";
    }
    return {};
}

namespace {

// "修正方法（以 root 執行）：chmod ..."
std::string WindowFixText(const ConnectionFileFacts &facts) {
    return "修正方法（以 " + (facts.fixedBy == "root" ? std::string("root") : facts.fixedBy + " 或 root") +
           " 執行）：" + facts.fix;
}

}  // namespace

std::string WindowConnectionFileText(ConnectionFileProblem kind, const ConnectionFileFacts &facts) {
    const std::string file = "連線設定檔 " + facts.file;
    switch (kind) {
        case ConnectionFileProblem::FolderEveryUserWrites:
            return file + " 所在的資料夾 " + facts.folder + " 每個使用者都能寫入（資料夾權限 " + facts.mode +
                   "），任何人都能換掉這個檔案，決定從哪個資料庫刪除訂單，因此不使用這個檔案，未做任何事。" +
                   WindowFixText(facts);
        case ConnectionFileProblem::FileEveryUserChanges:
            return file + " 每個使用者都能修改（權限 " + facts.mode +
                   "），任何人都能決定從哪個資料庫刪除訂單，因此不使用這個檔案，未做任何事。" + WindowFixText(facts);
        case ConnectionFileProblem::NotReadableByUser:
            return "使用者 " + facts.user + " 無法讀取" + file + "（擁有者 " + facts.owner + "，群組 " + facts.group +
                   "，權限 " + facts.mode + "），未連線。" +
                   (facts.groupMayRead
                        ? "請系統管理員將您加入群組 " + facts.group + "（" + facts.fix + "，之後重新登入）"
                        : "請系統管理員讓操作人員的群組可以讀取這個檔案（" + facts.fix + "），並將您加入該群組");
    }
    return {};
}

std::string WindowConnectionWarningText(const ConnectionFileWarning &warning) {
    if (!warning) return {};
    const ConnectionFileFacts &facts = warning.facts;
    std::string text = "連線設定檔 " + facts.file + "（權限 " + facts.mode + "）";
    if (warning.everyUserReads) text += "每個使用者都能讀取，而檔案中有資料庫密碼";
    if (warning.everyUserReads && warning.groupChanges) text += "；另外，";
    if (warning.groupChanges)
        text += "群組 " + facts.group + " 的成員也能修改（不只擁有者 " + facts.owner +
                "），修改的人能決定從哪個資料庫刪除訂單";
    return text + "。" + WindowFixText(facts);
}

std::optional<std::string> WindowFailureText(const std::exception &failure) {
    if (const auto *readBack = dynamic_cast<const EBackupNotReadBack *>(&failure))
        return WindowReadBackText(readBack->Kind(), readBack->Facts());
    if (const auto *refused = dynamic_cast<const EConnectionFileRefused *>(&failure))
        return WindowConnectionFileText(refused->Kind(), refused->Facts());
    return std::nullopt;
}

}  // namespace batchdel

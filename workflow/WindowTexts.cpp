#include "workflow/WindowTexts.h"

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

}  // namespace batchdel

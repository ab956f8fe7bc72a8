#include "restore/RestoreErrors.h"

namespace batchdel {

namespace {

std::string List(const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

}  // namespace

ERestoreRefused::ERestoreRefused(RestoreRefusal kind, RestoreRefusalFacts facts)
    : Exception("ERestoreRefused", RestoreRefusalText(kind, facts)), kind_(kind), facts_(std::move(facts)) {}

std::string RestoreRefusalText(RestoreRefusal kind, const RestoreRefusalFacts &facts) {
    const std::string file = "Backup file \"" + facts.file + "\"";
    switch (kind) {
        case RestoreRefusal::UnreadableFile:
            return file + " cannot be read: " + facts.reason;
        case RestoreRefusal::NotNamedAsHeaderFile:
            return "\"" + facts.file +
                   "\" is not named as a header file of a backup (ORDER_MASTER_<time>.CDS); --force-pair takes it all "
                   "the same";
        case RestoreRefusal::NotNamedAsDetailFile:
            return "\"" + facts.file +
                   "\" is not named as a detail file of a backup (ORDER_SUB<time>.CDS); --force-pair takes it all the "
                   "same";
        case RestoreRefusal::FilesOfTwoBackups:
            return "The header file is of the backup at " + facts.headerTime + ", the detail file of the one at " +
                   facts.detailTime + "; --force-pair takes them together all the same";
        case RestoreRefusal::NoOrderNumberColumn:
            return file + " holds no column MASTERBILLID";
        case RestoreRefusal::RowWithoutOrderNumber:
            return file + ": row " + std::to_string(facts.row) + " has no order number";
        case RestoreRefusal::OrderTwice:
            return file + " holds order " + facts.order + " twice";
        case RestoreRefusal::LinesWithoutTheirOrder:
            return file + " holds " + std::to_string(facts.count) +
                   " lines of orders the header file does not hold (the first of order " + facts.order +
                   "): the files are not of one backup; --force-pair leaves those lines out";
        case RestoreRefusal::ColumnsTheDatabaseLacks:
            return "The backup has columns the database lacks: " + List(facts.columns) + "; nothing was restored";
        case RestoreRefusal::ColumnsTheBackupLacks:
            return "The backup lacks columns the database has: " + List(facts.columns) +
                   "; nothing was restored (--default-missing-columns lets them take their defaults)";
    }
    return {};
}

}  // namespace batchdel

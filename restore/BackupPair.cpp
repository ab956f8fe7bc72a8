#include "restore/BackupPair.h"

#include <cstdio>
#include <filesystem>

#include "data/dataset/DataType.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketFile.h"
#include "orders/BackupFileNames.h"
#include "orders/TableColumns.h"
#include "restore/RestoreErrors.h"

namespace batchdel {

namespace {

std::unique_ptr<TableEngine> ReadFile(const std::string &path) {
    try {
        return ReadPacketFile(path);
    } catch (const EPacketUnreadable &failure) {
        throw ERestoreRefused(RestoreRefusal::UnreadableFile, RestoreRefusalFacts().File(path).Unread(failure));
    } catch (const Exception &failure) {
        throw ERestoreRefused(RestoreRefusal::UnreadableFile,
                              RestoreRefusalFacts().File(path).Reason(failure.Message()));
    }
}

}  // namespace

BackupPair::BackupPair(BackupPair &&) noexcept = default;
BackupPair::~BackupPair() = default;

const BackupOrder *BackupPair::Find(const std::string &number) const {
    const auto found = index_.find(number);
    return found == index_.end() ? nullptr : &orders_[found->second];
}

BackupPair BackupPair::Load(const std::string &headerFile, const std::string &detailFile, bool forcePair) {
    BackupPair pair;
    pair.headerFile_ = headerFile;
    pair.detailFile_ = detailFile;
    const std::string headerTime = HeaderFileTime(headerFile);
    const std::string detailTime = DetailFileTime(detailFile);
    if (!forcePair) {
        if (headerTime.empty())
            throw ERestoreRefused(RestoreRefusal::NotNamedAsHeaderFile, RestoreRefusalFacts().File(headerFile));
        if (detailTime.empty())
            throw ERestoreRefused(RestoreRefusal::NotNamedAsDetailFile, RestoreRefusalFacts().File(detailFile));
        if (headerTime != detailTime)
            throw ERestoreRefused(RestoreRefusal::FilesOfTwoBackups,
                                  RestoreRefusalFacts().Times(headerTime, detailTime));
    }
    pair.header_ = ReadFile(headerFile);
    pair.detail_ = ReadFile(detailFile);

    const TableEngine &header = *pair.header_;
    const TableEngine &detail = *pair.detail_;
    const int headerKey = FindColumn(header, "MASTERBILLID");
    const int detailKey = FindColumn(detail, "MASTERBILLID");
    if (headerKey < 0)
        throw ERestoreRefused(RestoreRefusal::NoOrderNumberColumn, RestoreRefusalFacts().File(headerFile));
    if (detailKey < 0)
        throw ERestoreRefused(RestoreRefusal::NoOrderNumberColumn, RestoreRefusalFacts().File(detailFile));
    const int dateCol = FindColumn(header, "BILL_DATE");
    const int custIdCol = FindColumn(header, "CUST_ID");
    const int custNameCol = FindColumn(header, "CUST_NAME");

    pair.orders_.reserve(static_cast<size_t>(header.RecordCount()));
    for (int row = 0; row < header.RecordCount(); ++row) {
        if (header.IsNull(row, headerKey))
            throw ERestoreRefused(RestoreRefusal::RowWithoutOrderNumber,
                                  RestoreRefusalFacts().File(headerFile).Row(row + 1));
        BackupOrder order;
        order.number = std::string(header.Text(row, headerKey));
        order.headerRow = row;
        if (dateCol >= 0 && !header.IsNull(row, dateCol)) {
            const FieldValue v = header.Value(row, dateCol);
            order.billDay = v.date;
        }
        if (custIdCol >= 0 && !header.IsNull(row, custIdCol)) order.customer = std::string(header.Text(row, custIdCol));
        if (custNameCol >= 0 && !header.IsNull(row, custNameCol))
            order.customer += (order.customer.empty() ? "" : " ") + std::string(header.Text(row, custNameCol));
        if (!pair.index_.emplace(order.number, pair.orders_.size()).second)
            throw ERestoreRefused(RestoreRefusal::OrderTwice,
                                  RestoreRefusalFacts().File(headerFile).Order(order.number));
        pair.orders_.push_back(std::move(order));
    }
    std::string firstOrphan;
    for (int row = 0; row < detail.RecordCount(); ++row) {
        const std::string number =
            detail.IsNull(row, detailKey) ? std::string() : std::string(detail.Text(row, detailKey));
        const auto found = pair.index_.find(number);
        if (found == pair.index_.end()) {
            if (firstOrphan.empty()) firstOrphan = number;
            ++pair.orphanLines_;
            continue;
        }
        pair.orders_[found->second].lineRows.push_back(row);
    }
    if (pair.orphanLines_ > 0 && !forcePair)
        throw ERestoreRefused(RestoreRefusal::LinesWithoutTheirOrder,
                              RestoreRefusalFacts().File(detailFile).Count(pair.orphanLines_).Order(firstOrphan));
    return pair;
}

}  // namespace batchdel

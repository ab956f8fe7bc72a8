#pragma once
// A backup pair read back from disk: the header file and the detail file of
// one backup, checked to belong together, with the orders they hold.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class TableEngine;

namespace batchdel {

struct BackupOrder {
    std::string number;
    std::optional<int32_t> billDay;  // BILL_DATE, database day count
    std::string customer;            // CUST_ID and CUST_NAME, as far as the file has them
    int headerRow = 0;
    std::vector<int> lineRows;  // rows of the detail file
};

class BackupPair {
public:
    // Reads both files (every failure of reading them, a cut or damaged file,
    // one of a newer format, becomes ERestoreRefused naming the file) and
    // checks that they belong together: names of one backup with the same
    // time, MASTERBILLID in both, every line's order in the header file, each
    // order once. forcePair accepts different names and lines without their
    // order (those lines are left out and counted in OrphanLines()).
    static BackupPair Load(const std::string &headerFile, const std::string &detailFile, bool forcePair);

    BackupPair(BackupPair &&) noexcept;
    ~BackupPair();

    const std::string &HeaderFile() const { return headerFile_; }
    const std::string &DetailFile() const { return detailFile_; }
    const TableEngine &Header() const { return *header_; }
    const TableEngine &Detail() const { return *detail_; }
    const std::vector<BackupOrder> &Orders() const { return orders_; }
    const BackupOrder *Find(const std::string &number) const;
    int64_t OrphanLines() const { return orphanLines_; }

private:
    BackupPair() = default;
    std::string headerFile_, detailFile_;
    std::unique_ptr<TableEngine> header_, detail_;
    std::vector<BackupOrder> orders_;
    std::unordered_map<std::string, size_t> index_;
    int64_t orphanLines_ = 0;
};

}  // namespace batchdel

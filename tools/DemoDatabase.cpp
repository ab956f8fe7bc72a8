#include "tools/DemoDatabase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include "tools/FirebirdDirectImpl.h"

namespace batchdel {

using namespace Firebird;

namespace {

const std::vector<std::string> kSchema = {
    "CREATE TABLE ORDER_MASTER ("
    " MASTERBILLID VARCHAR(20) NOT NULL PRIMARY KEY,"
    " BILL_DATE DATE,"
    " FR_DATE DATE,"
    " CUST_ID VARCHAR(10),"
    " CUST_NAME VARCHAR(50),"
    " PD_DEPID VARCHAR(10),"
    " TOTAL_AMT NUMERIC(12,2),"
    " REMARK VARCHAR(100))",
    "CREATE TABLE ORDER_SUB ("
    " MASTERBILLID VARCHAR(20) NOT NULL,"
    " LINE_NO INTEGER NOT NULL,"
    " ITEM_ID VARCHAR(20),"
    " ITEM_NAME VARCHAR(50),"
    " QTY NUMERIC(12,3),"
    " PRICE NUMERIC(12,2),"
    " PRIMARY KEY (MASTERBILLID, LINE_NO),"
    " FOREIGN KEY (MASTERBILLID) REFERENCES ORDER_MASTER)",
};

const char *const kSurnames[] = {"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊",
                                 "許", "鄭", "謝", "郭", "洪", "曾", "邱", "廖", "賴", "周"};
const char *const kGiven[] = {"志明", "淑芬", "建宏", "美玲", "俊傑", "雅婷", "家豪", "怡君",
                              "冠宇", "佳穎", "承翰", "詩涵", "宗翰", "欣怡", "柏翰", "思妤"};
const char *const kTrades[] = {"商行", "企業社", "有限公司", "食品行", "五金行", "百貨"};
const char *const kGoods[] = {"烏龍茶", "綠茶", "紅茶", "礦泉水", "鳳梨酥", "太陽餅", "牛肉麵", "米粉",
                              "醬油",   "香油", "花生", "綠豆",   "紙巾",   "洗衣粉", "電池",   "原子筆"};
const char *const kSizes[] = {"（小）", "（中）", "（大）", "６００ｍｌ", "一箱", "禮盒"};
const char *const kRemarks[] = {"急件", "月結客戶", "請於上午送達", "含稅", "ＶＩＰ客戶"};

constexpr int kCustomers = 300;
constexpr int kItems = 200;
constexpr int kOrdersPerTransaction = 20000;

std::string Padded(const char *prefix, int n, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*d", prefix, width, n);
    return text;
}

// A prepared INSERT with its input message; values go in by column index.
class Insert {
public:
    Insert(DirectDatabase::Impl &db, ThrowStatusWrapper &status, ITransaction *tra, const char *sql) : status_(status) {
        stmt_ = db.attachment->prepare(&status, tra, 0, sql, 3, 0);
        meta_ = stmt_->getInputMetadata(&status);
        buffer_.resize(meta_->getMessageLength(&status));
        const unsigned count = meta_->getCount(&status);
        for (unsigned i = 0; i < count; ++i) {
            offsets_.push_back(meta_->getOffset(&status, i));
            nullOffsets_.push_back(meta_->getNullOffset(&status, i));
            types_.push_back(meta_->getType(&status, i) & ~1u);
        }
    }
    ~Insert() {
        meta_->release();
        stmt_->release();
    }
    Insert(const Insert &) = delete;
    Insert &operator=(const Insert &) = delete;

    void Text(unsigned i, const std::string &value) {
        const unsigned short len = static_cast<unsigned short>(value.size());
        std::memcpy(&buffer_[offsets_[i]], &len, sizeof len);
        std::memcpy(&buffer_[offsets_[i] + sizeof len], value.data(), len);
        SetNull(i, false);
    }
    // Integers and scaled numbers, given unscaled.
    void Number(unsigned i, int64_t value) {
        if (types_[i] == SQL_INT64) {
            std::memcpy(&buffer_[offsets_[i]], &value, sizeof value);
        } else {
            const int32_t small = static_cast<int32_t>(value);
            std::memcpy(&buffer_[offsets_[i]], &small, sizeof small);
        }
        SetNull(i, false);
    }
    void Date(unsigned i, ISC_DATE value) {
        std::memcpy(&buffer_[offsets_[i]], &value, sizeof value);
        SetNull(i, false);
    }
    void SetNull(unsigned i, bool isNull) {
        const short flag = isNull ? -1 : 0;
        std::memcpy(&buffer_[nullOffsets_[i]], &flag, sizeof flag);
    }
    void Run(ITransaction *tra) { stmt_->execute(&status_, tra, meta_, buffer_.data(), nullptr, nullptr); }

private:
    ThrowStatusWrapper &status_;
    IStatement *stmt_ = nullptr;
    IMessageMetadata *meta_ = nullptr;
    std::vector<unsigned char> buffer_;
    std::vector<unsigned> offsets_, nullOffsets_, types_;
};

struct Customer {
    std::string id;
    std::string name;
};

std::vector<Customer> MakeCustomers(std::mt19937 &rng) {
    std::vector<Customer> customers;
    for (int n = 1; n <= kCustomers; ++n) {
        std::string name = kSurnames[rng() % std::size(kSurnames)];
        name += kGiven[rng() % std::size(kGiven)];
        if (rng() % 3 == 0) name += kTrades[rng() % std::size(kTrades)];
        customers.push_back({Padded("C", n, 4), name});
    }
    return customers;
}

void FillOrders(DirectDatabase::Impl &db, int orders, unsigned seed) {
    std::mt19937 rng(seed);
    const std::vector<Customer> customers = MakeCustomers(rng);
    std::vector<std::string> itemNames;
    for (int n = 0; n < kItems; ++n)
        itemNames.push_back(std::string(kGoods[n % std::size(kGoods)]) +
                            kSizes[(n / std::size(kGoods)) % std::size(kSizes)]);

    // Two years of bill dates; order numbers follow the dates as in a shop.
    const ISC_DATE firstDay = db.util->encodeDate(2024, 1, 1);
    const int days = 731;

    ThrowStatusWrapper status(db.master->getStatus());
    ITransaction *tra = nullptr;
    try {
        tra = db.attachment->startTransaction(&status, 0, nullptr);
        Insert master(db, status, tra,
                      "INSERT INTO ORDER_MASTER (MASTERBILLID, BILL_DATE, FR_DATE, CUST_ID,"
                      " CUST_NAME, PD_DEPID, TOTAL_AMT, REMARK) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        Insert sub(db, status, tra,
                   "INSERT INTO ORDER_SUB (MASTERBILLID, LINE_NO, ITEM_ID, ITEM_NAME, QTY, PRICE)"
                   " VALUES (?, ?, ?, ?, ?, ?)");
        struct Line {
            int item;
            int64_t qtyThousandths;
            int64_t priceCents;
        };
        std::vector<Line> lines;
        for (int n = 1; n <= orders; ++n) {
            const std::string id = DemoOrderNumber(n);
            const ISC_DATE bill = firstDay + static_cast<ISC_DATE>(int64_t(n - 1) * days / std::max(orders, 1));
            const Customer &customer = customers[rng() % customers.size()];
            const int department = 1 + static_cast<int>(rng() % 10);

            // The header carries the total of its lines, and the foreign key
            // wants the header in place before the lines.
            lines.resize(5 + rng() % 11);
            int64_t totalCents = 0;
            for (Line &line : lines) {
                line.item = static_cast<int>(rng() % kItems);
                line.qtyThousandths = int64_t(1 + rng() % 50) * 1000 + (rng() % 4 == 0 ? 500 : 0);
                line.priceCents = 1000 + rng() % 99000;
                totalCents += (line.qtyThousandths * line.priceCents + 500) / 1000;
            }

            master.Text(0, id);
            master.Date(1, bill);
            master.Date(2, bill + static_cast<ISC_DATE>(rng() % 6));
            master.Text(3, customer.id);
            master.Text(4, customer.name);
            master.Text(5, Padded("D", department, 2));
            master.Number(6, totalCents);
            if (rng() % 8 == 0)
                master.Text(7, kRemarks[rng() % std::size(kRemarks)]);
            else
                master.SetNull(7, true);
            master.Run(tra);

            for (size_t l = 0; l < lines.size(); ++l) {
                sub.Text(0, id);
                sub.Number(1, static_cast<int64_t>(l + 1));
                sub.Text(2, Padded("I", lines[l].item + 1, 5));
                sub.Text(3, itemNames[lines[l].item]);
                sub.Number(4, lines[l].qtyThousandths);
                sub.Number(5, lines[l].priceCents);
                sub.Run(tra);
            }
            if (n % kOrdersPerTransaction == 0) tra->commitRetaining(&status);
        }
        tra->commit(&status);
        tra = nullptr;
    } catch (const FbException &e) {
        if (tra) tra->release();
        status.dispose();
        db.Rethrow(e);
    }
    status.dispose();
}

}  // namespace

std::string DemoOrderNumber(int n) { return Padded("SO", n, 8); }

void CreateDemoDatabase(const std::string &path, int orders, unsigned seed) {
    CreateDemoDatabase(path, orders, seed, DbLogin{});
}

void CreateDemoDatabase(const std::string &path, int orders, unsigned seed, const DbLogin &login) {
    {
        DirectDatabase db = DirectDatabase::Create(path, login);
        db.Execute(kSchema);
        FillOrders(db.impl(), orders, seed);
    }
    DirectDatabase::SetForcedWrites(path, true, login);
}

void ExecuteSql(const std::string &dbPath, const std::vector<std::string> &statements) {
    ExecuteSql(dbPath, statements, DbLogin{});
}

void ExecuteSql(const std::string &dbPath, const std::vector<std::string> &statements, const DbLogin &login) {
    DirectDatabase::Open(dbPath, login).Execute(statements);
}

void SetForcedWrites(const std::string &path, bool on, const DbLogin &login) {
    DirectDatabase::SetForcedWrites(path, on, login);
}

}  // namespace batchdel

#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <cstring>
#include <functional>
#include <random>

#include "data/dataset/Errors.h"
#include "data/packet/PacketChecksum.h"
#include "data/dataset/PacketRecord.h"
#include "data/packet/PacketReader.h"
#include "data/packet/PacketWriter.h"
#include "data/packet/PacketXml.h"
#include "data/dataset/TableEngine.h"
#include "tests/data/TableEngineRows.h"

namespace {

void ExpectSameTable(const TableEngine &a, const TableEngine &b) {
    EXPECT_EQ(a.Columns(), b.Columns());
    EXPECT_EQ(a.Properties(), b.Properties());
    ASSERT_EQ(a.RecordCount(), b.RecordCount());
    for (int r = 0; r < a.RecordCount(); ++r) {
        EXPECT_EQ(a.Record(r), b.Record(r)) << "row " << r;
        EXPECT_EQ(a.RowId(r), b.RowId(r)) << "row " << r;
    }
    EXPECT_EQ(a.ChangeLog(), b.ChangeLog());
    EXPECT_EQ(a.NextRowId(), b.NextRowId());
}

// Every type, null in every type, empty texts (not null), texts of the full
// width in Chinese, the provider's properties and a change log.
std::unique_ptr<TableEngine> EveryTypeTable() {
    auto e = std::make_unique<TableEngine>(EveryTypeColumns());
    e->SetProperty("LCID", "1028");
    e->SetProperty("PRIMARY_KEY", "S");
    e->SetProperty("UNIQUE_KEY", "S;I");
    e->SetProperty("DEFAULT_ORDER", "D");
    e->SetProperty("NOTE", "<&\"引號\">");
    for (int i = 0; i < 4; ++i) AppendRecord(*e, EveryTypeRecord(i));
    AppendRecord(*e, std::vector<FieldValue>(12));  // every value null
    auto empty = EveryTypeRecord(5);
    empty[0] = Str("");
    empty[10] = Str("");
    empty[11] = Str("");
    AppendRecord(*e, empty);
    auto wide = EveryTypeRecord(6);
    wide[0] = Str("一二三四五六七八九十");
    wide[4] = Dbl(-0.0);
    wide[1] = Int(32767);
    wide[3] = Int(INT64_MIN);
    AppendRecord(*e, wide);
    e->WriteRecord(1, EveryTypeRecord(20));
    e->DeleteRecord(2);
    e->InsertRecord(0, EveryTypeRecord(21));
    return e;
}

std::unique_ptr<TableEngine> OrderTable(int rows) {
    auto e = std::make_unique<TableEngine>(OrderListColumns());
    e->SetProperty("LCID", "0");
    for (int i = 0; i < rows; ++i) {
        const std::string id = "B" + std::to_string(100000 + i);
        const std::string name = "客戶名稱" + std::to_string(i);
        e->BeginRow();
        e->SetBytes(0, id.data(), id.size());
        e->SetDate(1, DbDateFromCivil(2024, 3, 5) + i);
        if (i % 3) e->SetDate(2, DbDateFromCivil(2024, 3, 6));
        e->SetBytes(3, "C01", 3);
        e->SetBytes(4, name.data(), name.size());
        e->SetBytes(5, "D1", 2);
        e->SetBytes(6, "N", 1);
        e->EndRow();
    }
    return e;
}

// An order list edited field by field: marks (same length), a longer
// name, a date made null, a row edited twice and one edited then deleted.
std::unique_ptr<TableEngine> EditedOrderTable() {
    auto e = OrderTable(10);
    for (int r = 0; r < 10; r += 2) {
        auto values = e->Record(r);
        values[6] = Str("Y");
        e->WriteFields(r, {6}, values);
    }
    auto values = e->Record(3);
    values[4] = Str("一個比較長的客戶名稱");
    values[2] = Null();
    e->WriteFields(3, {4, 2}, values);
    values[5] = Str("");
    e->WriteFields(3, {5}, values);
    e->DeleteRecord(4);
    return e;
}

struct Shape {
    const char *name;
    std::function<std::unique_ptr<TableEngine>()> make;
};
void PrintTo(const Shape &c, std::ostream *os) { *os << c.name; }

class PacketRoundTrip : public ::testing::TestWithParam<Shape> {};

TEST_P(PacketRoundTrip, ReadsBackWhatWasWritten) {
    const auto table = GetParam().make();
    const std::string bytes = packet::WritePacket(*table);
    const auto back = packet::ReadPacket(bytes);
    ExpectSameTable(*table, *back);
    EXPECT_EQ(packet::WritePacket(*back), bytes);  // the same content gives the same bytes
}

const Shape kShapes[] = {
    {"EveryTypeWithChanges", EveryTypeTable},
    {"ColumnsWithoutRows", [] { return OrderTable(0); }},
    {"OrderList", [] { return OrderTable(50); }},
    {"OrderListEditedFieldByField", EditedOrderTable},
    {"NoColumns", [] { return std::make_unique<TableEngine>(std::vector<ColumnDesc>{}); }},
    {"NineColumnsOfNulls",
     [] {
         // the null bitmap spills into a second byte
         std::vector<ColumnDesc> cols;
         for (int i = 0; i < 9; ++i) cols.push_back(Col("C" + std::to_string(i), DataType::Integer));
         auto e = std::make_unique<TableEngine>(cols);
         std::vector<FieldValue> rec(9);
         rec[8] = Int(8);
         AppendRecord(*e, rec);
         return e;
     }},
};

INSTANTIATE_TEST_SUITE_P(Shapes, PacketRoundTrip, ::testing::ValuesIn(kShapes),
                         [](const auto &c) { return std::string(c.param.name); });

TEST(PacketChecksum, MatchesTheCastagnoliCheckValueAndABitwiseReckoning) {
    EXPECT_EQ(packet::Crc32c(0, "123456789", 9), 0xE3069283u);
    std::string data(1000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + 7);
    for (size_t start : {0, 1, 3, 7}) {
        for (size_t len : {0, 1, 8, 15, 64, 993}) {
            uint32_t slow = 0xFFFFFFFFu;
            for (size_t i = start; i < start + len; ++i) {
                slow ^= static_cast<unsigned char>(data[i]);
                for (int k = 0; k < 8; ++k) slow = (slow >> 1) ^ (0x82F63B78u & (0u - (slow & 1u)));
            }
            // in two pieces, to check that a checksum continues
            const uint32_t half = packet::Crc32c(0, data.data() + start, len / 2);
            EXPECT_EQ(packet::Crc32c(half, data.data() + start + len / 2, len - len / 2), ~slow) << start << "+" << len;
        }
    }
}

std::string DamageMessage(std::string_view bytes) {
    try {
        packet::ReadPacket(bytes);
    } catch (const EDBClient &e) {
        return e.Message();
    }
    return "(loaded)";
}

TEST(PacketRefusal, APacketCutShortAtAnyByteIsRefusedAsTruncated) {
    const std::string bytes = packet::WritePacket(*EveryTypeTable());
    for (size_t len = 0; len < bytes.size(); ++len) {
        const std::string msg = DamageMessage(std::string_view(bytes).substr(0, len));
        ASSERT_EQ(msg.rfind("The data packet is truncated", 0), 0u) << "cut at " << len << ": " << msg;
    }
}

TEST(PacketRefusal, AnyChangedByteIsRefused) {
    const std::string bytes = packet::WritePacket(*OrderTable(20));
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string bad = bytes;
            bad[at] = static_cast<char>(bad[at] ^ flip);
            const std::string msg = DamageMessage(bad);
            ASSERT_EQ(msg.rfind("The data", 0), 0u) << "byte " << at << " ^ " << int(flip) << ": " << msg;
        }
    }
    EXPECT_EQ(DamageMessage(bytes + "x"), "The data packet is damaged: its length does not match its header");
}

// Damage behind a correct checksum: a packet written by something else,
// or by a faulty writer. Offsets follow the layout in docs/packet-format.md.
void Reseal(std::string &b) {
    const uint32_t crc = packet::Crc32c(0, b.data(), b.size() - 4);
    std::memcpy(b.data() + b.size() - 4, &crc, 4);
}
template <typename T>
void Put(std::string &b, size_t at, T v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}

struct Forgery {
    const char *name;
    std::function<void(std::string &)> change;  // on an order list of 2 rows
    const char *message;
};
void PrintTo(const Forgery &c, std::ostream *os) { *os << c.name; }

class PacketForgery : public ::testing::TestWithParam<Forgery> {};

// Offsets in the two-row order list: the first column's name starts at 32.
constexpr size_t kColumnCount = 24;
constexpr size_t kFirstType = 32 + 12;  // after "MASTERBILLID"
size_t RowCountAt(const std::string &b) {
    // columns: 7 x (4 + name + 17); properties: LCID=0
    size_t at = 28;
    for (const char *n : {"MASTERBILLID", "BILL_DATE", "FR_DATE", "CUST_ID", "CUST_NAME", "PD_DEPID", "SELECT_YN"})
        at += 4 + std::strlen(n) + 17;
    at += 4 + 4 + 4 + 4 + 1;  // property count, "LCID", "0"
    (void)b;
    return at + 4;  // after the next row id
}

TEST_P(PacketForgery, IsRefusedWithAClearText) {
    std::string b = packet::WritePacket(*OrderTable(2));
    GetParam().change(b);
    Reseal(b);
    EXPECT_EQ(DamageMessage(b), GetParam().message);
}

const Forgery kForgeries[] = {
    {"OtherVersion", [](std::string &b) { Put<uint32_t>(b, 8, 2); },
     "The data packet is of version 2; this program reads version 1"},
    {"UnknownFlags", [](std::string &b) { Put<uint32_t>(b, 12, 1); },
     "The data packet is damaged: its header has flags this program does not know"},
    {"HugeColumnCount", [](std::string &b) { Put<uint32_t>(b, kColumnCount, 0xFFFFFFFFu); },
     "The data packet is damaged: the column list gives more items than the packet holds"},
    {"UnknownType", [](std::string &b) { Put<uint16_t>(b, kFirstType, 99); },
     "The data packet is damaged: column 'MASTERBILLID' has an unknown type 99"},
    {"HugeNameLength", [](std::string &b) { Put<uint32_t>(b, 28, 0x7FFFFFFFu); },
     "The data packet is damaged: a column name runs past its end"},
    {"HugeRowCount", [](std::string &b) { Put<uint32_t>(b, RowCountAt(b), 0x10000000u); },
     "The data packet is damaged: the row list gives more items than the packet holds"},
    {"RowIdNeverGiven", [](std::string &b) { Put<uint32_t>(b, RowCountAt(b) + 4, 77); },
     "The data packet is damaged: a record has an id that was never given out"},
    {"RecordLongerThanPacket", [](std::string &b) { Put<uint32_t>(b, RowCountAt(b) + 8, 0xFFFFFFF0u); },
     "The data packet is damaged: a row runs past its end"},
    {"TextEndOutsideRecord",
     [](std::string &b) { Put<uint32_t>(b, RowCountAt(b) + 12 + 1, 0xFFFFu); },  // MASTERBILLID's end
     "The data packet is damaged: the bytes of field 'MASTERBILLID' lie outside its record"},
    {"NullBitOfSpareColumn", [](std::string &b) { b[RowCountAt(b) + 12] |= static_cast<char>(0x80); },
     "The data packet is damaged: a record has stray null bits"},
    {"DateOutOfRange", [](std::string &b) { Put<int32_t>(b, RowCountAt(b) + 12 + 5, INT32_MAX); },
     "The data packet is damaged: field 'BILL_DATE' holds a date out of range"},
    {"NullFieldWithAValue", [](std::string &b) { Put<int32_t>(b, RowCountAt(b) + 12 + 9, 5); },  // FR_DATE
     "The data packet is damaged: the null field 'FR_DATE' holds a value"},
    {"UnknownChangeKind",
     [](std::string &b) {
         Put<uint32_t>(b, b.size() - 8, 1);  // change count, then kind 9 in place of the checksum
         b.insert(b.size() - 4, std::string("\x09\x01\x00\x00\x00", 5));
         Put<uint64_t>(b, 16, b.size());
     },
     "The data packet is damaged: a change is of an unknown kind"},
};

INSTANTIATE_TEST_SUITE_P(Cases, PacketForgery, ::testing::ValuesIn(kForgeries),
                         [](const auto &c) { return std::string(c.param.name); });

TEST(PacketRefusal, RandomDamageBehindAGoodChecksumNeverLoadsABrokenTable) {
    const std::string good = packet::WritePacket(*EveryTypeTable());
    std::mt19937 rng(12345);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string b = good;
        const int changes = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < changes; ++k) b[24 + rng() % (b.size() - 28)] = static_cast<char>(rng());
        Reseal(b);
        try {
            const auto t = packet::ReadPacket(b);
            // Whatever loads is a sound table: it can be read whole and
            // written again to the same bytes.
            for (int r = 0; r < t->RecordCount(); ++r) t->Record(r);
            EXPECT_EQ(packet::WritePacket(*t), b);
            ++loaded;
        } catch (const EDBClient &e) {
            ASSERT_EQ(e.Message().rfind("The data packet is damaged: ", 0), 0u) << e.Message();
        }
    }
    EXPECT_LT(loaded, 3000);
}

TEST(PacketXml, HoldsTheSameContentInReadableForm) {
    auto t = std::make_unique<TableEngine>(EveryTypeColumns());
    t->SetProperty("LCID", "1028");
    t->SetProperty("NOTE", "a&b<c>\"d\"");
    auto rec = EveryTypeRecord(1);
    rec[0] = Str("客戶&<名>");
    rec[5] = Int(-5);  // scale 4
    rec[6] = Day(DbDateFromCivil(2024, 3, 5));
    rec[7] = Tm(((14 * 60 + 7) * 60 + 9) * 10000 + 12);
    rec[10] =
        Str("line\x01"
            "control");
    rec[11] = Str("ab");
    AppendRecord(*t, rec);
    AppendRecord(*t, std::vector<FieldValue>(12));
    t->DeleteRecord(1);
    const std::string xml = packet::WritePacketXml(*t);

    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    QStringList values, changes, properties;
    int rows = 0, columns = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) continue;
        const QString name = reader.name().toString();
        if (name == "column")
            ++columns;
        else if (name == "row")
            ++rows;
        else if (name == "property")
            properties << reader.attributes().value("name").toString() + "=" +
                              reader.attributes().value("value").toString();
        else if (name == "change")
            changes << reader.attributes().value("kind").toString();
        else if (name == "v" && rows == 1 && changes.isEmpty()) {
            const QString enc = reader.attributes().value("encoding").toString();
            values << (enc.isEmpty() ? "" : enc + ":") + reader.readElementText();
        }
    }
    ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(columns, 12);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(properties, QStringList({"LCID=1028", "NOTE=a&b<c>\"d\""}));
    EXPECT_EQ(changes, QStringList({"inserted", "inserted", "deleted"}));
    ASSERT_EQ(values.size(), 12);
    EXPECT_EQ(values[0], QString::fromUtf8("客戶&<名>"));
    EXPECT_EQ(values[1], "-32767");
    EXPECT_EQ(values[4], "1.1");
    EXPECT_EQ(values[5], "-0.0005");
    EXPECT_EQ(values[6], "2024-03-05");
    EXPECT_EQ(values[7], "14:07:09.0012");
    EXPECT_EQ(values[8], "0001-01-02T00:00:00.0001");
    EXPECT_EQ(values[9], "true");
    EXPECT_EQ(values[10], "base64:" + QByteArray("line\x01"
                                                 "control")
                                          .toBase64());
    EXPECT_EQ(values[11], "base64:YWI=");
    EXPECT_NE(xml.find("<change kind=\"deleted\" row=\"2\"><null/>"), std::string::npos);
}

}  // namespace

// The table engine and packet files on a million order-list rows (synthetic,
// no database):
//   loading the rows into the engine   vs. a vector of structs with strings
//   memory of the rows                 vs. the same vector
//   writing the packet file (flushed to disk) and reading it back, in MB/s
//   (goal: 200 MB/s each), with the in-memory packet beside it
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/common/BenchSupport.h"
#include "data/dataset/DataType.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketFile.h"
#include "data/packet/PacketReader.h"
#include "data/packet/PacketWriter.h"

using namespace batchdel;

namespace {

constexpr int kRows = 1'000'000;
constexpr int kRounds = 3;

// The rows as the driver would hand them over: plain bytes per column.
struct SourceRow {
    char id[20];
    int idLen;
    int32_t billDate, frDate;
    char cust[10];
    int custLen;
    char name[150];
    int nameLen;
    char dep[10];
    int depLen;
};

// The baseline: what a plain program would keep per order.
struct PlainRow {
    std::string id;
    int32_t billDate;
    int32_t frDate;
    std::string cust;
    std::string name;
    std::string dep;
    std::string select;
};

std::vector<SourceRow> MakeSource() {
    static const char *const kSyllables[] = {"陳", "林",   "黃",   "張",   "李",   "王",   "吳",   "劉",   "蔡",
                                             "楊", "實業", "貿易", "有限", "公司", "商行", "企業", "國際", "科技"};
    std::vector<SourceRow> rows(kRows);
    uint32_t seed = 2463534242u;
    auto next = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    for (int i = 0; i < kRows; ++i) {
        SourceRow &r = rows[i];
        r.idLen = std::snprintf(r.id, sizeof r.id, "SO%08d%05d", 20240000 + i / 1000, i % 100000);
        r.billDate = DbDateFromCivil(2020, 1, 1) + static_cast<int32_t>(next() % 1500);
        r.frDate = r.billDate + static_cast<int32_t>(next() % 30);
        r.custLen = std::snprintf(r.cust, sizeof r.cust, "C%06u", next() % 50000);
        std::string name;
        const int parts = 3 + static_cast<int>(next() % 6);
        for (int k = 0; k < parts; ++k) name += kSyllables[next() % 18];
        r.nameLen = static_cast<int>(name.size());
        std::memcpy(r.name, name.data(), name.size());
        r.depLen = std::snprintf(r.dep, sizeof r.dep, "D%02u", next() % 40);
    }
    return rows;
}

std::vector<ColumnDesc> Columns() {
    auto col = [](const char *name, DataType type, int size) {
        ColumnDesc c;
        c.name = name;
        c.type = type;
        c.size = size;
        return c;
    };
    return {col("MASTERBILLID", DataType::String, 20), col("BILL_DATE", DataType::Date, 0),
            col("FR_DATE", DataType::Date, 0),         col("CUST_ID", DataType::String, 10),
            col("CUST_NAME", DataType::String, 50),    col("PD_DEPID", DataType::String, 10),
            col("SELECT_YN", DataType::String, 1)};
}

size_t HeapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

std::unique_ptr<TableEngine> LoadEngine(const std::vector<SourceRow> &src) {
    auto e = std::make_unique<TableEngine>(Columns());
    e->SetProperty("LCID", "1028");
    for (const SourceRow &r : src) {
        e->BeginRow();
        e->SetBytes(0, r.id, r.idLen);
        e->SetDate(1, r.billDate);
        e->SetDate(2, r.frDate);
        e->SetBytes(3, r.cust, r.custLen);
        e->SetBytes(4, r.name, r.nameLen);
        e->SetBytes(5, r.dep, r.depLen);
        e->SetBytes(6, "N", 1);
        e->EndRow();
    }
    return e;
}

std::vector<PlainRow> LoadPlain(const std::vector<SourceRow> &src) {
    std::vector<PlainRow> rows;
    for (const SourceRow &r : src)
        rows.push_back(PlainRow{std::string(r.id, r.idLen), r.billDate, r.frDate, std::string(r.cust, r.custLen),
                                std::string(r.name, r.nameLen), std::string(r.dep, r.depLen), std::string("N")});
    return rows;
}

}  // namespace

int main(int argc, char **argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp/batchdel-bench";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/bench_packet_file-" + std::to_string(::getpid()) + ".CDS";

    std::printf("rows: %d order-list rows of 7 columns (synthetic)\n", kRows);
    const std::vector<SourceRow> src = MakeSource();

    double tEngine = 1e9, tPlain = 1e9;
    size_t memEngine = 0, memPlain = 0, engineOwn = 0;
    for (int round = 0; round < kRounds; ++round) {
        malloc_trim(0);
        size_t before = HeapInUse();
        std::unique_ptr<TableEngine> e;
        tEngine = std::min(tEngine, Seconds([&] { e = LoadEngine(src); }));
        memEngine = HeapInUse() - before;
        engineOwn = e->MemoryUsed();
        e.reset();
        malloc_trim(0);
        before = HeapInUse();
        std::vector<PlainRow> plain;
        tPlain = std::min(tPlain, Seconds([&] { plain = LoadPlain(src); }));
        memPlain = HeapInUse() - before;
    }
    std::printf("load:   engine %.3f s, vector of structs %.3f s  (engine/vector time %.2f)\n", tEngine, tPlain,
                tEngine / tPlain);
    std::printf("memory: engine %.1f MB (its own count %.1f MB), vector of structs %.1f MB  (engine/vector %.2f)\n",
                memEngine / 1e6, engineOwn / 1e6, memPlain / 1e6, static_cast<double>(memEngine) / memPlain);

    const auto engine = LoadEngine(src);
    double tWrite = 1e9, tRead = 1e9, tPack = 1e9, tUnpack = 1e9;
    size_t fileBytes = 0;
    for (int round = 0; round < kRounds; ++round) {
        tWrite = std::min(tWrite, Seconds([&] { WritePacketFile(path, *engine, false); }));
        fileBytes = std::filesystem::file_size(path);
        std::unique_ptr<TableEngine> back;
        tRead = std::min(tRead, Seconds([&] { back = ReadPacketFile(path); }));
        if (back->RecordCount() != kRows || back->Record(kRows - 1) != engine->Record(kRows - 1)) {
            std::fprintf(stderr, "the file did not load back the same rows\n");
            return 1;
        }
        std::string bytes;
        tPack = std::min(tPack, Seconds([&] { packet::WritePacket(*engine, bytes); }));
        tUnpack = std::min(tUnpack, Seconds([&] { back = packet::ReadPacket(bytes); }));
    }
    std::filesystem::remove(path);
    const double mb = fileBytes / 1e6;
    std::printf("file:   %.1f MB (%.1f bytes a row)\n", mb, static_cast<double>(fileBytes) / kRows);
    std::printf("write file (flushed to disk): %.3f s, %.0f MB/s  (goal 200)\n", tWrite, mb / tWrite);
    std::printf("read file:                    %.3f s, %.0f MB/s  (goal 200)\n", tRead, mb / tRead);
    std::printf("packet in memory: write %.0f MB/s, read %.0f MB/s\n", mb / tPack, mb / tUnpack);
    return 0;
}

#include "PacketWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "PacketChecksum.h"
#include "PacketFormat.h"
#include "PacketRecord.h"
#include "TableEngine.h"

namespace packet {
namespace {

constexpr size_t kBufferSize = size_t{1} << 20;

// Collects small pieces into one buffer, keeping the checksum as the bytes
// pass, and hands the sink a full buffer at a time.
class Out {
public:
    Out(PacketSink &sink, uint64_t total)
        : sink_(sink), size_(static_cast<size_t>(std::clamp<uint64_t>(total, 64, kBufferSize))),
          buf_(new uint8_t[size_]) {}

    template <typename T>
    void Put(T v) {
        if (used_ + sizeof v > size_) Flush();
        StoreLE(buf_.get() + used_, v);
        used_ += sizeof v;
    }
    void PutBytes(const void *data, size_t len) {
        if (used_ + len > size_) {
            Flush();
            if (len > size_ / 2) {  // big values go straight through
                crc_ = Crc32c(crc_, data, len);
                sink_.Write(static_cast<const char *>(data), len);
                return;
            }
        }
        if (len) std::memcpy(buf_.get() + used_, data, len);
        used_ += len;
    }
    void PutString(const std::string &s) {
        Put(static_cast<uint32_t>(s.size()));
        PutBytes(s.data(), s.size());
    }
    void Flush() {
        if (!used_) return;
        crc_ = Crc32c(crc_, buf_.get(), used_);
        sink_.Write(reinterpret_cast<const char *>(buf_.get()), used_);
        used_ = 0;
    }
    // Appends the checksum of all that went before and flushes.
    void Finish() {
        crc_ = Crc32c(crc_, buf_.get(), used_);
        if (used_ + 4 > size_) {
            sink_.Write(reinterpret_cast<const char *>(buf_.get()), used_);
            used_ = 0;
        }
        StoreLE(buf_.get() + used_, crc_);
        used_ += 4;
        sink_.Write(reinterpret_cast<const char *>(buf_.get()), used_);
        used_ = 0;
    }

private:
    PacketSink &sink_;
    size_t size_;
    std::unique_ptr<uint8_t[]> buf_;
    size_t used_ = 0;
    uint32_t crc_ = 0;
};

// The records of the change log's earlier values, encoded as rows are.
std::vector<std::string> EncodeLog(const TableEngine &engine, const RecordLayout &layout) {
    std::vector<std::string> out;
    RecordBuilder b(layout);
    for (const ChangeLogEntry &e : engine.ChangeLog()) {
        if (e.kind == ChangeLogEntry::Kind::Inserted) {
            out.emplace_back();
            continue;
        }
        b.Reset();
        for (size_t c = 0; c < e.before.size(); ++c) b.SetValue(static_cast<int>(c), e.before[c]);
        std::string rec(b.Length(), '\0');
        b.Finish(reinterpret_cast<uint8_t *>(rec.data()));
        out.push_back(std::move(rec));
    }
    return out;
}

uint64_t SizeWithLog(const TableEngine &engine, const std::vector<std::string> &log) {
    uint64_t n = kHeaderSize + 4;
    for (const ColumnDesc &c : engine.Columns()) n += 4 + c.name.size() + 2 + 2 + 4 + 4 + 4 + 1;
    n += 4;
    for (const auto &[name, value] : engine.Properties()) n += 8 + name.size() + value.size();
    n += 8;
    const int rows = engine.RecordCount();
    for (int r = 0; r < rows; ++r) n += 8 + engine.RecordBytes(r).size();
    n += 4;
    const auto &changes = engine.ChangeLog();
    for (size_t i = 0; i < changes.size(); ++i)
        n += 5 + (changes[i].kind == ChangeLogEntry::Kind::Inserted ? 0 : 4 + log[i].size());
    return n + kTrailerSize;
}

}  // namespace

uint64_t PacketSize(const TableEngine &engine) {
    const RecordLayout layout(engine.Columns());
    return SizeWithLog(engine, EncodeLog(engine, layout));
}

void WritePacket(const TableEngine &engine, PacketSink &sink) {
    const RecordLayout layout(engine.Columns());
    const std::vector<std::string> log = EncodeLog(engine, layout);
    const uint64_t total = SizeWithLog(engine, log);
    Out out(sink, total);
    out.PutBytes(kMagic, sizeof kMagic);
    out.Put(kVersion);
    out.Put(uint32_t{0});
    out.Put(total);

    out.Put(static_cast<uint32_t>(engine.Columns().size()));
    for (const ColumnDesc &c : engine.Columns()) {
        out.PutString(c.name);
        out.Put(static_cast<uint16_t>(c.type));
        out.Put(c.subType);
        out.Put(static_cast<int32_t>(c.size));
        out.Put(static_cast<int32_t>(c.precision));
        out.Put(static_cast<int32_t>(c.scale));
        out.Put(static_cast<uint8_t>((c.readOnly ? kReadOnly : 0) | (c.required ? kRequired : 0) |
                                     (c.hidden ? kHidden : 0)));
    }
    out.Put(static_cast<uint32_t>(engine.Properties().size()));
    for (const auto &[name, value] : engine.Properties()) {
        out.PutString(name);
        out.PutString(value);
    }

    out.Put(engine.NextRowId());
    const int rows = engine.RecordCount();
    out.Put(static_cast<uint32_t>(rows));
    for (int r = 0; r < rows; ++r) {
        const std::string_view rec = engine.RecordBytes(r);
        out.Put(engine.RowId(r));
        out.Put(static_cast<uint32_t>(rec.size()));
        out.PutBytes(rec.data(), rec.size());
    }

    const auto &changes = engine.ChangeLog();
    out.Put(static_cast<uint32_t>(changes.size()));
    for (size_t i = 0; i < changes.size(); ++i) {
        out.Put(static_cast<uint8_t>(changes[i].kind));
        out.Put(changes[i].rowId);
        if (changes[i].kind == ChangeLogEntry::Kind::Inserted) continue;
        out.Put(static_cast<uint32_t>(log[i].size()));
        out.PutBytes(log[i].data(), log[i].size());
    }
    out.Finish();
}

}  // namespace packet

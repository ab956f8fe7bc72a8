#include "data/packet/PacketWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "data/dataset/PacketRecord.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketChecksum.h"
#include "data/packet/PacketFormat.h"

namespace packet {
namespace {

constexpr size_t kBufferSize = size_t{1} << 20;

// Collects small pieces into one buffer, keeping the checksum as the bytes
// pass, and hands the sink a full buffer at a time.
class Out {
public:
    Out(PacketSink &sink, uint64_t total)
        : sink_(sink),
          size_(static_cast<size_t>(std::clamp<uint64_t>(total, 64, kBufferSize))),
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

}  // namespace

uint64_t PacketSize(const TableEngine &engine) {
    uint64_t n = kHeaderSize + 4;
    for (const ColumnDesc &c : engine.Columns()) n += 4 + c.name.size() + 2 + 2 + 4 + 4 + 4 + 1;
    n += 4;
    for (const auto &[name, value] : engine.Properties()) n += 8 + name.size() + value.size();
    n += 8;
    const int rows = engine.RecordCount();
    for (int r = 0; r < rows; ++r) n += 8 + engine.RecordBytes(r).size();
    n += 4;
    const size_t changes = engine.ChangeCount();
    for (size_t i = 0; i < changes; ++i)
        n += 5 + (engine.ChangeKind(i) == ChangeLogEntry::Kind::Inserted ? 0 : 4 + engine.ChangeBefore(i).size());
    return n + kTrailerSize;
}

void WritePacket(const TableEngine &engine, PacketSink &sink) {
    const uint64_t total = PacketSize(engine);
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

    // A change keeps the record it replaced in the encoding rows have, so
    // it goes out as it is.
    const size_t changes = engine.ChangeCount();
    out.Put(static_cast<uint32_t>(changes));
    for (size_t i = 0; i < changes; ++i) {
        const ChangeLogEntry::Kind kind = engine.ChangeKind(i);
        out.Put(static_cast<uint8_t>(kind));
        out.Put(engine.ChangeRowId(i));
        if (kind == ChangeLogEntry::Kind::Inserted) continue;
        const std::string_view rec = engine.ChangeBefore(i);
        out.Put(static_cast<uint32_t>(rec.size()));
        out.PutBytes(rec.data(), rec.size());
    }
    out.Finish();
}

void WritePacket(const TableEngine &engine, std::string &out) {
    out.clear();
    out.reserve(PacketSize(engine));
    StringSink sink(out);
    WritePacket(engine, sink);
}

std::string WritePacket(const TableEngine &engine) {
    std::string out;
    WritePacket(engine, out);
    return out;
}

}  // namespace packet

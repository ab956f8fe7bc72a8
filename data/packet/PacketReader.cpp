#include "data/packet/PacketReader.h"

#include <cstring>
#include <string>
#include <unordered_set>

#include "data/dataset/Errors.h"
#include "data/dataset/PacketRecord.h"
#include "data/dataset/TableEngine.h"
#include "data/packet/PacketChecksum.h"
#include "data/packet/PacketErrors.h"
#include "data/packet/PacketFormat.h"

namespace packet {
namespace {

[[noreturn]] void Damaged(const std::string &what) {
    throw EPacketUnreadable(PacketFault::Damaged, "The data packet is damaged: " + what);
}

// Reads the packet's fields in order; running past the end is damage (the
// length was checked first, so only a packet that lies about its own
// counts can get there).
class In {
public:
    explicit In(std::string_view bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    size_t Left() const { return static_cast<size_t>(end_ - p_); }
    template <typename T>
    T Get(const char *what) {
        if (Left() < sizeof(T)) Damaged(std::string(what) + " runs past its end");
        T v = LoadLE<T>(p_);
        p_ += sizeof(T);
        return v;
    }
    std::string_view Bytes(size_t len, const char *what) {
        if (Left() < len) Damaged(std::string(what) + " runs past its end");
        std::string_view v(p_, len);
        p_ += len;
        return v;
    }
    std::string String(const char *what) { return std::string(Bytes(Get<uint32_t>(what), what)); }
    // A count of items of at least minSize bytes each, checked against what
    // is left, so nothing is reserved for items that cannot be there.
    uint32_t Count(size_t minSize, const char *what) {
        const uint32_t n = Get<uint32_t>(what);
        if (n > Left() / minSize) Damaged(std::string(what) + " gives more items than the packet holds");
        return n;
    }

private:
    const char *p_;
    const char *end_;
};

void CheckFrame(std::string_view bytes) {
    const size_t magicLen = sizeof kMagic;
    if (std::memcmp(bytes.data(), kMagic, std::min(bytes.size(), magicLen)) != 0)
        throw EPacketUnreadable(PacketFault::NotAPacket, "The data is not a data packet");
    if (bytes.size() < kHeaderSize)
        throw EPacketUnreadable(PacketFault::Truncated, "The data packet is truncated: it holds only " +
                                                            std::to_string(bytes.size()) + " bytes")
            .WithSizes(bytes.size(), 0);
    const uint32_t version = LoadLE<uint32_t>(bytes.data() + 8);
    if (version != kVersion)
        throw EPacketUnreadable(PacketFault::OtherVersion, "The data packet is of version " + std::to_string(version) +
                                                               "; this program reads version " +
                                                               std::to_string(kVersion));
    const uint64_t total = LoadLE<uint64_t>(bytes.data() + 16);
    if (bytes.size() < total)
        throw EPacketUnreadable(PacketFault::Truncated, "The data packet is truncated: it holds " +
                                                            std::to_string(bytes.size()) + " of its " +
                                                            std::to_string(total) + " bytes")
            .WithSizes(bytes.size(), total);
    if (bytes.size() > total || total < kHeaderSize + kTrailerSize)
        throw EPacketUnreadable(PacketFault::Damaged,
                                "The data packet is damaged: its length does not match its header");
    const size_t body = bytes.size() - kTrailerSize;
    if (Crc32c(0, bytes.data(), body) != LoadLE<uint32_t>(bytes.data() + body))
        throw EPacketUnreadable(PacketFault::Damaged,
                                "The data packet is damaged: its checksum does not match its content");
    if (LoadLE<uint32_t>(bytes.data() + 12) != 0) Damaged("its header has flags this program does not know");
}

std::vector<ColumnDesc> ReadColumns(In &in) {
    const uint32_t n = in.Count(21, "the column list");
    std::vector<ColumnDesc> cols(n);
    for (ColumnDesc &c : cols) {
        c.name = in.String("a column name");
        const uint16_t type = in.Get<uint16_t>("a column");
        if (!IsKnownType(type)) Damaged("column '" + c.name + "' has an unknown type " + std::to_string(type));
        c.type = static_cast<DataType>(type);
        c.subType = in.Get<uint16_t>("a column");
        c.size = in.Get<int32_t>("a column");
        c.precision = in.Get<int32_t>("a column");
        c.scale = in.Get<int32_t>("a column");
        const uint8_t flags = in.Get<uint8_t>("a column");
        if (c.size < 0 || c.precision < 0 || c.scale < 0 || c.scale > 18 || (flags & ~7) != 0)
            Damaged("column '" + c.name + "' has impossible attributes");
        c.readOnly = flags & kReadOnly;
        c.required = flags & kRequired;
        c.hidden = flags & kHidden;
    }
    return cols;
}

}  // namespace

std::unique_ptr<TableEngine> ReadPacket(std::string_view bytes) {
    CheckFrame(bytes);
    In in(bytes.substr(kHeaderSize, bytes.size() - kHeaderSize - kTrailerSize));

    auto engine = std::make_unique<TableEngine>(ReadColumns(in));

    const uint32_t props = in.Count(8, "the property list");
    std::unordered_set<std::string> seen;
    for (uint32_t i = 0; i < props; ++i) {
        std::string name = in.String("a property name");
        std::string value = in.String("a property value");
        if (!seen.insert(name).second) Damaged("property '" + name + "' is given twice");
        engine->SetProperty(name, value);
    }

    try {
        engine->SetNextRowId(in.Get<uint32_t>("the row list"));
        const uint32_t rows = in.Count(8, "the row list");
        engine->ReserveRecords(rows);  // bounded by the packet's size through Count
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t id = in.Get<uint32_t>("a row");
            const std::string_view rec = in.Bytes(in.Get<uint32_t>("a row"), "a row");
            engine->AppendRecordBytes(id, rec);
        }

        const uint32_t changes = in.Count(5, "the change log");
        for (uint32_t i = 0; i < changes; ++i) {
            const uint8_t kindByte = in.Get<uint8_t>("a change");
            if (kindByte < 1 || kindByte > 3) Damaged("a change is of an unknown kind");
            const auto kind = static_cast<ChangeLogEntry::Kind>(kindByte);
            const uint32_t rowId = in.Get<uint32_t>("a change");
            std::string_view before;
            if (kind != ChangeLogEntry::Kind::Inserted) before = in.Bytes(in.Get<uint32_t>("a change"), "a change");
            engine->AppendChange(kind, rowId, before);  // checks the record and the id
        }
    } catch (const EPacketUnreadable &) {
        throw;
    } catch (const EDBClient &e) {
        std::string what = e.Message();
        if (!what.empty() && what[0] >= 'A' && what[0] <= 'Z') what[0] = static_cast<char>(what[0] - 'A' + 'a');
        Damaged(what);
    }
    if (in.Left() != 0) Damaged("bytes are left over after the change log");
    return engine;
}

}  // namespace packet

#include "data/packet/PacketXml.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "data/dataset/PacketRecord.h"
#include "data/dataset/TableEngine.h"

namespace packet {
namespace {

constexpr size_t kFlushAt = size_t{1} << 20;

// Collects the text and hands it to the sink a megabyte at a time.
class XmlOut {
public:
    explicit XmlOut(PacketSink &sink) : sink_(sink) { buf_.reserve(kFlushAt + 4096); }
    XmlOut &operator<<(std::string_view s) {
        buf_.append(s);
        if (buf_.size() >= kFlushAt) Flush();
        return *this;
    }
    void Flush() {
        sink_.Write(buf_.data(), buf_.size());
        buf_.clear();
    }

private:
    PacketSink &sink_;
    std::string buf_;
};

// Characters XML 1.0 can carry: not the controls below a blank other than
// tab, line feed and carriage return (the text is already valid UTF-8; the
// two non-characters U+FFFE and U+FFFF are also excluded).
bool XmlSafe(std::string_view s) {
    if (!Utf8Valid(s)) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
        if (c == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(s[i + 2]) & 0xFE) == 0xBE)
            return false;
    }
    return true;
}

std::string Escape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\r':
                out += "&#13;";
                break;  // kept through line-end normalising
            default:
                out += c;
        }
    }
    return out;
}

std::string Base64(std::string_view s) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((s.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < s.size(); i += 3) {
        const uint32_t v = static_cast<unsigned char>(s[i]) << 16 | static_cast<unsigned char>(s[i + 1]) << 8 |
                           static_cast<unsigned char>(s[i + 2]);
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += kDigits[(v >> 6) & 63];
        out += kDigits[v & 63];
    }
    if (i < s.size()) {
        const bool two = i + 1 < s.size();
        const uint32_t v =
            static_cast<unsigned char>(s[i]) << 16 | (two ? static_cast<unsigned char>(s[i + 1]) << 8 : 0);
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += two ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string DateText(int32_t days) {
    const CivilDate d = CivilFromDbDate(days);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string TimeText(uint32_t fractions) {
    const uint32_t s = fractions / kTimeFractionsPerSecond;
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%04u", s / 3600, s / 60 % 60, s % 60,
                  fractions % kTimeFractionsPerSecond);
    return buf;
}

// An unscaled number with its decimal point put back: 123456, 4 -> 12.3456.
std::string ScaledText(int64_t unscaled, int scale) {
    scale = std::clamp(scale, 0, 30);
    uint64_t magnitude = unscaled < 0 ? 0 - static_cast<uint64_t>(unscaled) : static_cast<uint64_t>(unscaled);
    char buf[48];
    char *p = buf + sizeof buf;
    int digits = 0;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        if (++digits == scale) *--p = '.';
    } while (magnitude != 0 || digits <= scale);
    if (unscaled < 0) *--p = '-';
    return std::string(p, buf + sizeof buf);
}

void WriteValue(XmlOut &out, const ColumnDesc &col, const FieldValue &v) {
    if (v.isNull) {
        out << "<null/>";
        return;
    }
    switch (col.type) {
        case DataType::String:
        case DataType::Memo:
            if (XmlSafe(v.s)) {
                out << "<v>" << Escape(v.s) << "</v>";
                return;
            }
            [[fallthrough]];
        case DataType::Blob:
        case DataType::Unknown:
            out << "<v encoding=\"base64\">" << Base64(v.s) << "</v>";
            return;
        case DataType::Float: {
            char buf[32];
            const auto r = std::to_chars(buf, buf + sizeof buf, v.f);
            out << "<v>" << std::string_view(buf, r.ptr - buf) << "</v>";
            return;
        }
        case DataType::Bcd:
            out << "<v>" << ScaledText(v.i, col.scale) << "</v>";
            return;
        case DataType::Boolean:
            out << (v.i ? "<v>true</v>" : "<v>false</v>");
            return;
        case DataType::Date:
            out << "<v>" << DateText(v.date) << "</v>";
            return;
        case DataType::Time:
            out << "<v>" << TimeText(v.time) << "</v>";
            return;
        case DataType::TimeStamp:
            out << "<v>" << DateText(v.date) << "T" << TimeText(v.time) << "</v>";
            return;
        default:
            out << "<v>" << std::to_string(v.i) << "</v>";
            return;
    }
}

const char *YesNo(bool b) { return b ? "yes" : "no"; }

const char *KindName(ChangeLogEntry::Kind k) {
    switch (k) {
        case ChangeLogEntry::Kind::Modified:
            return "modified";
        case ChangeLogEntry::Kind::Inserted:
            return "inserted";
        case ChangeLogEntry::Kind::Deleted:
            return "deleted";
    }
    return "unknown";
}

}  // namespace

void WritePacketXml(const TableEngine &engine, PacketSink &sink) {
    XmlOut out(sink);
    const auto &cols = engine.Columns();
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<datapacket version=\"1\">\n<columns>\n";
    for (const ColumnDesc &c : cols) {
        out << "<column name=\"" << Escape(c.name) << "\" type=\"" << TypeName(c.type) << "\" size=\""
            << std::to_string(c.size) << "\" precision=\"" << std::to_string(c.precision) << "\" scale=\""
            << std::to_string(c.scale) << "\" subtype=\"" << std::to_string(c.subType) << "\" readonly=\""
            << YesNo(c.readOnly) << "\" required=\"" << YesNo(c.required) << "\" hidden=\"" << YesNo(c.hidden)
            << "\"/>\n";
    }
    out << "</columns>\n<properties>\n";
    for (const auto &[name, value] : engine.Properties())
        out << "<property name=\"" << Escape(name) << "\" value=\"" << Escape(value) << "\"/>\n";
    out << "</properties>\n<rows nextid=\"" << std::to_string(engine.NextRowId()) << "\">\n";
    const RecordLayout layout(cols);
    const int rows = engine.RecordCount();
    for (int r = 0; r < rows; ++r) {
        const auto *rec = reinterpret_cast<const uint8_t *>(engine.RecordBytes(r).data());
        out << "<row id=\"" << std::to_string(engine.RowId(r)) << "\">";
        for (int c = 0; c < static_cast<int>(cols.size()); ++c) WriteValue(out, cols[c], DecodeValue(layout, rec, c));
        out << "</row>\n";
    }
    out << "</rows>\n<changes>\n";
    for (size_t i = 0; i < engine.ChangeCount(); ++i) {
        const ChangeLogEntry::Kind kind = engine.ChangeKind(i);
        out << "<change kind=\"" << KindName(kind) << "\" row=\"" << std::to_string(engine.ChangeRowId(i)) << "\">";
        if (kind != ChangeLogEntry::Kind::Inserted) {
            const auto *rec = reinterpret_cast<const uint8_t *>(engine.ChangeBefore(i).data());
            for (int c = 0; c < static_cast<int>(cols.size()); ++c)
                WriteValue(out, cols[c], DecodeValue(layout, rec, c));
        }
        out << "</change>\n";
    }
    out << "</changes>\n</datapacket>\n";
    out.Flush();
}

std::string WritePacketXml(const TableEngine &engine) {
    std::string out;
    StringSink sink(out);
    WritePacketXml(engine, sink);
    return out;
}

}  // namespace packet

#include "data/driver/ServerCharSet.h"

#include <cerrno>

#include "data/driver/DriverErrors.h"

namespace {

struct KnownSet {
    unsigned id;
    const char *name;   // the server's own name
    const char *iconv;  // null: sent as it is
};

// The server's character sets by number, with the converter's name for each.
const KnownSet kSets[] = {
    {0, "NONE", nullptr},
    {1, "OCTETS", nullptr},
    {2, "ASCII", "ASCII"},
    {3, "UNICODE_FSS", nullptr},
    {4, "UTF8", nullptr},
    {5, "SJIS_0208", "SHIFT_JIS"},
    {6, "EUCJ_0208", "EUC-JP"},
    {9, "DOS737", "CP737"},
    {10, "DOS437", "CP437"},
    {11, "DOS850", "CP850"},
    {12, "DOS865", "CP865"},
    {13, "DOS860", "CP860"},
    {14, "DOS863", "CP863"},
    {15, "DOS775", "CP775"},
    {16, "DOS858", "CP858"},
    {17, "DOS862", "CP862"},
    {18, "DOS864", "CP864"},
    {19, "NEXT", "NEXTSTEP"},
    {21, "ISO8859_1", "ISO-8859-1"},
    {22, "ISO8859_2", "ISO-8859-2"},
    {23, "ISO8859_3", "ISO-8859-3"},
    {34, "ISO8859_4", "ISO-8859-4"},
    {35, "ISO8859_5", "ISO-8859-5"},
    {36, "ISO8859_6", "ISO-8859-6"},
    {37, "ISO8859_7", "ISO-8859-7"},
    {38, "ISO8859_8", "ISO-8859-8"},
    {39, "ISO8859_9", "ISO-8859-9"},
    {40, "ISO8859_13", "ISO-8859-13"},
    {44, "KSC_5601", "EUC-KR"},
    {45, "DOS852", "CP852"},
    {46, "DOS857", "CP857"},
    {47, "DOS861", "CP861"},
    {48, "DOS866", "CP866"},
    {49, "DOS869", "CP869"},
    {51, "WIN1250", "CP1250"},
    {52, "WIN1251", "CP1251"},
    {53, "WIN1252", "CP1252"},
    {54, "WIN1253", "CP1253"},
    {55, "WIN1254", "CP1254"},
    {56, "BIG_5", "BIG5"},
    {57, "GB_2312", "GB2312"},
    {58, "WIN1255", "CP1255"},
    {59, "WIN1256", "CP1256"},
    {60, "WIN1257", "CP1257"},
    {63, "KOI8R", "KOI8-R"},
    {64, "KOI8U", "KOI8-U"},
    {65, "WIN1258", "CP1258"},
    {66, "TIS620", "TIS-620"},
    {67, "GBK", "GBK"},
    {68, "CP943C", "IBM943"},
    {69, "GB18030", "GB18030"},
};

// The UTF-8 character at the start of text, for the message.
std::string_view FirstCharacter(std::string_view text) {
    if (text.empty()) return text;
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return text.substr(0, length);
}

}  // namespace

ServerCharSet::ServerCharSet(unsigned id) : id_(id), name_("#" + std::to_string(id)), passThrough_(false) {
    for (const KnownSet &set : kSets) {
        if (set.id != id) continue;
        name_ = set.name;
        passThrough_ = set.iconv == nullptr;
        if (set.iconv) converter_ = iconv_open(set.iconv, "UTF-8");
    }
}

ServerCharSet::~ServerCharSet() {
    if (converter_ != reinterpret_cast<iconv_t>(-1)) iconv_close(converter_);
}

std::string ServerCharSet::FromUtf8(std::string_view utf8) const {
    if (passThrough_) return std::string(utf8);
    if (converter_ == reinterpret_cast<iconv_t>(-1)) {
        // Without a converter only plain ASCII is known to mean the same.
        for (char c : utf8)
            if (static_cast<unsigned char>(c) >= 0x80)
                Fail(SQLStatus::ServerError, "Text cannot be sent in the connection character set " + name_ +
                                                 ": no conversion to it is known here");
        return std::string(utf8);
    }
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(utf8.size() * 2 + 8);
    char *in = const_cast<char *>(utf8.data());
    size_t inLeft = utf8.size();
    size_t done = 0;
    while (inLeft > 0) {
        char *to = out.data() + done;
        size_t outLeft = out.size() - done;
        const size_t result = iconv(converter_, &in, &inLeft, &to, &outLeft);
        done = out.size() - outLeft;
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        const std::string_view rest(in, inLeft);
        if (errno == EILSEQ &&
            (static_cast<unsigned char>(rest[0]) < 0x80 || (static_cast<unsigned char>(rest[0]) & 0xC0) == 0xC0))
            Fail(SQLStatus::ServerError, "Text cannot be sent in the connection character set " + name_ +
                                             ": it has no character \"" + std::string(FirstCharacter(rest)) + "\"");
        Fail(SQLStatus::ServerError,
             "Text is not valid UTF-8 and cannot be sent in the connection character set " + name_);
    }
    out.resize(done);
    return out;
}

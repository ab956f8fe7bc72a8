// Fuzz target for the ini reader: any bytes must parse without a crash, and
// what comes out must keep the reader's own promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/sql/IniFile.h"
#include "data/sql/ParamList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    IniFile ini = IniFile::Parse(text);
    for (const std::string &name : ini.SectionNames()) {
        if (!ini.HasSection(name) || TrimBlanks(name) != name) std::abort();
        for (const std::string &line : ini.Section(name)) {
            // Lines are stored trimmed, never empty, never comments.
            if (line.empty() || line[0] == ';' || TrimBlanks(line) != line) std::abort();
            size_t eq = line.find('=');
            if (eq != std::string::npos) {
                std::string key = line.substr(0, eq);
                if (TrimBlanks(key) != key) std::abort();
                if (!key.empty() && !HasParam(ini.Section(name), key)) std::abort();
            }
        }
    }
    return 0;
}

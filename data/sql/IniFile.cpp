#include "data/sql/IniFile.h"

#include <fstream>
#include <sstream>

#include "data/sql/ParamList.h"

IniFile IniFile::Load(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return IniFile();
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    std::vector<std::string> *current = nullptr;  // lines before the first section are dropped
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line = TrimBlanks(text.substr(pos, end - pos));
        pos = end + 1;

        if (line.empty() || line[0] == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string name = TrimBlanks(std::string_view(line).substr(1, line.size() - 2));
            // A section given again replaces the earlier one entirely.
            current = nullptr;
            for (auto &section : ini.sections_) {
                if (SameText(section.first, name)) {
                    section.second.clear();
                    current = &section.second;
                    break;
                }
            }
            if (!current) {
                ini.sections_.emplace_back(std::move(name), std::vector<std::string>());
                current = &ini.sections_.back().second;
            }
            continue;
        }
        if (!current) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            current->push_back(std::move(line));
        } else {
            current->push_back(TrimBlanks(std::string_view(line).substr(0, eq)) + "=" +
                               TrimBlanks(std::string_view(line).substr(eq + 1)));
        }
    }
    return ini;
}

const std::vector<std::string> *IniFile::Find(std::string_view name) const {
    for (const auto &section : sections_)
        if (SameText(section.first, name)) return &section.second;
    return nullptr;
}

bool IniFile::HasSection(std::string_view name) const { return Find(name) != nullptr; }

std::vector<std::string> IniFile::Section(std::string_view name) const {
    const auto *lines = Find(name);
    return lines ? *lines : std::vector<std::string>();
}

std::string IniFile::Value(std::string_view section, std::string_view key) const {
    const auto *lines = Find(section);
    return lines ? ParamValueOf(*lines, key) : std::string();
}

std::vector<std::string> IniFile::SectionNames() const {
    std::vector<std::string> names;
    for (const auto &section : sections_) names.push_back(section.first);
    return names;
}

#pragma once
// The connection file and the driver file: text files of "[section]" headers
// and "key=value" lines (UTF-8; a byte-order mark and CR LF line ends are
// accepted).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class IniFile {
public:
    // A file that does not exist or cannot be read has no sections.
    static IniFile Load(const std::string &path);
    static IniFile Parse(std::string_view text);

    bool HasSection(std::string_view name) const;
    // The "key=value" lines of a section, in file order; none when it is missing.
    std::vector<std::string> Section(std::string_view name) const;
    // A key's value in a section (the first matching key, any letter case).
    std::string Value(std::string_view section, std::string_view key) const;
    // Section names in file order (a name given twice appears once).
    std::vector<std::string> SectionNames() const;

private:
    const std::vector<std::string> *Find(std::string_view name) const;
    std::vector<std::pair<std::string, std::vector<std::string>>> sections_;
};

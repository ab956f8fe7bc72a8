#include "tests/support/JournalNumbers.h"

#include <fstream>

std::vector<std::string> JournalOrderNumbers(const std::string &path, std::string *header) {
    std::ifstream in(path);
    std::vector<std::string> numbers;
    std::string line;
    std::getline(in, line);
    if (header) *header = line;
    while (std::getline(in, line)) {
        const size_t from = line.find('\t') + 1;
        numbers.push_back(line.substr(from, line.find('\t', from) - from));
    }
    return numbers;
}

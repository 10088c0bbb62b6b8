#include "testkit/store_standin/standin_records.h"

#include <stdexcept>
#include <string>

namespace standin {

namespace {

bool AllDigits(const std::string& text) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string WithOrigin(std::string record, const std::string& origin) {
    static const std::string kPlaceholder = "{origin}";
    for (std::size_t at = record.find(kPlaceholder); at != std::string::npos;
         at = record.find(kPlaceholder, at + origin.size()))
        record.replace(at, kPlaceholder.size(), origin);
    return record;
}

}  // namespace

std::size_t LoadRecords(StandinStore& store, std::istream& text) {
    std::size_t count = 0;
    std::size_t number = 0;
    for (std::string line; std::getline(text, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        const std::size_t tab = line.find('\t');
        const std::string id = line.substr(0, tab);
        const std::string record = tab == std::string::npos ? "" : line.substr(tab + 1);
        if (!AllDigits(id) || record.size() < 2 || record.front() != '{' || record.back() != '}')
            throw std::runtime_error("records line " + std::to_string(number) + " is not \"ID<TAB>{record}\"");
        store.SetRecord(id, WithOrigin(record, store.Origin()));
        ++count;
    }
    return count;
}

}  // namespace standin

#include "service/page_language.h"

#include <cmath>

#include "service/http/text.h"

namespace catalogue {

namespace {

// A q-value in thousandths ("0.8" -> 800); -1 when malformed.
int ParseWeight(std::string_view text) {
    if (text.empty() || (text[0] != '0' && text[0] != '1')) return -1;
    int value = (text[0] - '0') * 1000;
    if (text.size() == 1) return value;
    if (text[1] != '.' || text.size() > 5) return -1;
    int scale = 100;
    for (char c : text.substr(2)) {
        if (c < '0' || c > '9') return -1;
        value += (c - '0') * scale;
        scale /= 10;
    }
    return value > 1000 ? -1 : value;
}

// The language of a range's primary subtag, or -1 when not supported.
int LanguageOf(std::string_view range) {
    const std::string primary = httpd::AsciiLower(range.substr(0, range.find('-')));
    if (primary == "en") return static_cast<int>(Language::kEnglish);
    if (primary == "de") return static_cast<int>(Language::kGerman);
    if (primary == "fr") return static_cast<int>(Language::kFrench);
    return -1;
}

// The weight of one "range;q=0.5;ext" element; -1 when its parameters are malformed.
int WeightOf(std::string_view parameters) {
    int weight = 1000;
    while (!parameters.empty()) {
        const std::size_t semicolon = parameters.find(';');
        const std::string_view parameter = httpd::TrimBlanks(parameters.substr(0, semicolon));
        parameters = semicolon == std::string_view::npos ? std::string_view() : parameters.substr(semicolon + 1);
        if (parameter.size() >= 2 && httpd::AsciiLower(parameter[0]) == 'q' && parameter[1] == '=') {
            weight = ParseWeight(httpd::TrimBlanks(parameter.substr(2)));
        }
    }
    return weight;
}

constexpr const char* kMonthsEn[] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kMonthsDe[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                     "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
constexpr const char* kMonthsFr[] = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                                     "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};

int Digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

Language ChooseLanguage(std::string_view acceptLanguage) {
    int bestLanguage = static_cast<int>(Language::kEnglish);
    int bestWeight = 0;
    while (!acceptLanguage.empty()) {
        const std::size_t comma = acceptLanguage.find(',');
        const std::string_view element = httpd::TrimBlanks(acceptLanguage.substr(0, comma));
        acceptLanguage = comma == std::string_view::npos ? std::string_view() : acceptLanguage.substr(comma + 1);
        const std::size_t semicolon = element.find(';');
        const int language = LanguageOf(httpd::TrimBlanks(element.substr(0, semicolon)));
        const int weight = semicolon == std::string_view::npos ? 1000 : WeightOf(element.substr(semicolon + 1));
        if (language >= 0 && weight > bestWeight) {
            bestLanguage = language;
            bestWeight = weight;
        }
    }
    return static_cast<Language>(bestLanguage);
}

std::string_view LanguageTag(Language language) {
    switch (language) {
    case Language::kGerman:
        return "de";
    case Language::kFrench:
        return "fr";
    default:
        return "en";
    }
}

std::string FormatCount(Language language, std::uint64_t number) {
    const std::string separator = language == Language::kGerman   ? "."
                                  : language == Language::kFrench ? "\xE2\x80\xAF"
                                                                  : ",";
    std::string digits = std::to_string(number);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, separator);
    return digits;
}

std::string FormatOneDecimal(Language language, double number) {
    if (!std::isfinite(number)) return {};
    const long long tenths = std::llround(number * 10);
    std::string text = FormatCount(language, static_cast<std::uint64_t>(std::llabs(tenths) / 10));
    if (tenths < 0) text.insert(0, "-");
    return text + (language == Language::kEnglish ? "." : ",") + std::to_string(std::llabs(tenths) % 10);
}

std::string FormatSize(Language language, std::uint64_t bytes) {
    // Decimal units, as the store and the systems' file managers show sizes.
    const char* const kUnitsEn[] = {"bytes", "KB", "MB", "GB", "TB"};
    const char* const kUnitsFr[] = {"octets", "ko", "Mo", "Go", "To"};
    const char* const* units = language == Language::kFrench ? kUnitsFr : kUnitsEn;
    const std::string space = "\xC2\xA0";  // no break between number and unit
    if (bytes < 1000) return FormatCount(language, bytes) + space + units[0];
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 999.95 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    return FormatOneDecimal(language, value) + space + units[unit];
}

std::string FormatDate(Language language, std::string_view isoDate) {
    if (isoDate.size() < 10 || isoDate[4] != '-' || isoDate[7] != '-') return {};
    const int year = Digits(isoDate, 0, 4), month = Digits(isoDate, 5, 2), day = Digits(isoDate, 8, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return {};
    const std::string y = std::to_string(year), d = std::to_string(day);
    switch (language) {
    case Language::kGerman:
        return d + ".\xC2\xA0" + kMonthsDe[month - 1] + " " + y;
    case Language::kFrench:
        return (day == 1 ? std::string("1er") : d) + "\xC2\xA0" + kMonthsFr[month - 1] + " " + y;
    default:
        return std::string(kMonthsEn[month - 1]) + "\xC2\xA0" + d + ", " + y;
    }
}

}  // namespace catalogue

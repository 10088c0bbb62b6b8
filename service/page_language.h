#pragma once
// The language of a page, chosen from the browser's Accept-Language, and how
// that language writes numbers, sizes and dates.

#include <cstdint>
#include <string>
#include <string_view>

namespace catalogue {

enum class Language { kEnglish, kGerman, kFrench };

// The supported language the browser weights highest ("fr;q=0.9, de;q=0.8"
// -> French); among equal weights the first named. English when none is
// supported or the header is absent.
Language ChooseLanguage(std::string_view acceptLanguage);

// "en", "de", "fr": the page's lang attribute.
std::string_view LanguageTag(Language language);

// 1234567 -> "1,234,567" / "1.234.567" / "1 234 567" (a narrow no-break space).
std::string FormatCount(Language language, std::uint64_t number);

// One decimal: 4.46 -> "4.5" / "4,5".
std::string FormatOneDecimal(Language language, double number);

// A size in the units the language's readers know: "12.3 MB" / "12,3 MB" / "12,3 Mo".
std::string FormatSize(Language language, std::uint64_t bytes);

// "2023-05-01T07:00:00Z" -> "May 1, 2023" / "1. Mai 2023" / "1 mai 2023";
// empty when the text does not start with a valid date.
std::string FormatDate(Language language, std::string_view isoDate);

}  // namespace catalogue

#pragma once
// The HTML page that lists one submission's identifiers, each linked to its
// store page (the page without lookups), in the reader's language.

#include <string>
#include <string_view>

#include "service/dataset.h"
#include "service/page_language.h"

namespace catalogue {

// "https://apps.apple.com/app/id" + identifier.
std::string StorePageAddress(std::string_view identifier);

// &, <, >, " and ' as character references: safe in text and in quoted attributes.
std::string HtmlEscape(std::string_view text);

// A complete UTF-8 HTML document.
std::string RenderPage(const Dataset& dataset, Language language = Language::kEnglish);

}  // namespace catalogue

#pragma once
// The HTML page that lists one submission's identifiers, each linked to its
// store page.

#include <string>
#include <string_view>

#include "service/dataset.h"

namespace catalogue {

// "https://apps.apple.com/app/id" + identifier.
std::string StorePageAddress(std::string_view identifier);

// &, <, >, " and ' as character references: safe in text and in quoted attributes.
std::string HtmlEscape(std::string_view text);

// A complete UTF-8 HTML document.
std::string RenderPage(const Dataset& dataset);

}  // namespace catalogue

#include "tools/catalogue_service/page.h"

namespace catalogue {

std::string StorePageAddress(std::string_view identifier) {
    return "https://apps.apple.com/app/id" + std::string(identifier);
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string RenderPage(const Dataset& dataset) {
    const std::size_t count = dataset.identifiers.size();
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Selected apps (" + std::to_string(count) + ")</title>\n</head>\n<body>\n<h1>Selected apps</h1>\n";
    if (count == 0) {
        html += "<p>No app identifiers were submitted.</p>\n";
    } else {
        html += "<ul>\n";
        for (const std::string& identifier : dataset.identifiers) {
            // Identifiers are digits only; escaping keeps that promise local.
            html += "<li><a href=\"" + HtmlEscape(StorePageAddress(identifier)) + "\">" + HtmlEscape(identifier) +
                    "</a></li>\n";
        }
        html += "</ul>\n";
    }
    if (dataset.dropped != 0) {
        html += "<p>" + std::to_string(dataset.dropped) +
                (dataset.dropped == 1 ? " entry was not an app identifier and was left out.</p>\n"
                                      : " entries were not app identifiers and were left out.</p>\n");
    }
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace catalogue

#include "service/page.h"

#include "service/page_style.h"
#include "service/page_text.h"

namespace catalogue {

std::string StorePageAddress(std::string_view identifier) {
    return "https://apps.apple.com/app/id" + std::string(identifier);
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string RenderPage(const Dataset& dataset, Language language) {
    const PageWords& words = WordsFor(language);
    const std::size_t count = dataset.identifiers.size();
    // The page stands alone: no script, and the content security policy lets
    // the browser load nothing at all but the inline style.
    std::string html = "<!DOCTYPE html>\n<html lang=\"" + std::string(LanguageTag(language)) +
                       "\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta name=\"color-scheme\" content=\"light dark\">\n"
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'\">\n<title>" +
                       std::string(words.title) + " (" + FormatCount(language, count) + ")</title>\n" +
                       std::string(kPageStyle) + "</head>\n<body>\n<main>\n<h1>" + std::string(words.title) +
                       "</h1>\n";
    if (count == 0) {
        html += "<p class=\"summary\">" + std::string(words.noApps) + "</p>\n";
    } else {
        html += "<p class=\"summary\">" + HtmlEscape(LinkListSummaryText(language, count)) +
                "</p>\n<ol class=\"links\">\n";
        for (const std::string& identifier : dataset.identifiers) {
            // Identifiers are digits only; escaping keeps that promise local.
            html += "<li><a href=\"" + HtmlEscape(StorePageAddress(identifier)) + "\">" + HtmlEscape(identifier) +
                    "</a></li>\n";
        }
        html += "</ol>\n";
    }
    if (dataset.dropped != 0)
        html += "<p class=\"note\">" + HtmlEscape(DroppedText(language, dataset.dropped)) + "</p>\n";
    if (dataset.overLimit != 0) {
        html +=
            "<p class=\"note\">" + HtmlEscape(OverLimitText(language, dataset.overLimit, kMaxIdentifiers)) + "</p>\n";
    }
    html += "</main>\n</body>\n</html>\n";
    return html;
}

}  // namespace catalogue

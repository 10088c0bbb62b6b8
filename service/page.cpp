#include "service/page.h"

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

namespace {

// The page stands alone: no script, and the content security policy lets the
// browser load nothing at all but the inline style below. System colours
// follow the reader's light or dark setting; the layout is one column that
// fits a narrow window.
constexpr std::string_view kHead =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<meta name=\"color-scheme\" content=\"light dark\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n";

constexpr std::string_view kStyle =
    "<style>\n"
    ":root { color-scheme: light dark; --accent: #0a62c9; --line: #d0d4da; --muted: #5b6470; }\n"
    "@media (prefers-color-scheme: dark) { :root { --accent: #7ab4ff; --line: #3a3f47; --muted: #a3abb6; } }\n"
    "body { margin: 0; font: 16px/1.5 system-ui, \"Segoe UI\", sans-serif; background: Canvas; color: CanvasText; }\n"
    "main { max-width: 40rem; margin: 0 auto; padding: 1.5rem 1rem; }\n"
    "h1 { font-size: 1.6rem; margin: 0 0 0.25rem; }\n"
    ".summary, .note { color: var(--muted); margin: 0 0 1rem; }\n"
    ".note { margin-top: 1rem; }\n"
    "ol { list-style: none; margin: 0; padding: 0; border-top: 1px solid var(--line); }\n"
    "li { border-bottom: 1px solid var(--line); }\n"
    "li a { display: block; padding: 0.75rem 0.25rem; color: var(--accent); font-variant-numeric: tabular-nums;"
    " overflow-wrap: anywhere; text-decoration: none; }\n"
    "li a:hover, li a:focus { text-decoration: underline; }\n"
    "li a::after { content: \" \\2192  App Store\"; color: var(--muted); font-size: 0.9em; }\n"
    "</style>\n";

// 1000 -> "1,000".
std::string WithThousands(std::size_t number) {
    std::string digits = std::to_string(number);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

std::string CountText(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace

std::string RenderPage(const Dataset& dataset) {
    const std::size_t count = dataset.identifiers.size();
    std::string html(kHead);
    html += "<title>Selected apps (" + std::to_string(count) + ")</title>\n";
    html += kStyle;
    html += "</head>\n<body>\n<main>\n<h1>Selected apps</h1>\n";
    if (count == 0) {
        html += "<p class=\"summary\">No app identifiers were submitted.</p>\n";
    } else {
        html += "<p class=\"summary\">" + CountText(count, "app", "apps") +
                ", each linked to its page in the App Store.</p>\n<ol>\n";
        for (const std::string& identifier : dataset.identifiers) {
            // Identifiers are digits only; escaping keeps that promise local.
            html += "<li><a href=\"" + HtmlEscape(StorePageAddress(identifier)) + "\">" + HtmlEscape(identifier) +
                    "</a></li>\n";
        }
        html += "</ol>\n";
    }
    if (dataset.dropped != 0) {
        html += "<p class=\"note\">" +
                CountText(dataset.dropped, "entry was not an app identifier and was left out.",
                          "entries were not app identifiers and were left out.") +
                "</p>\n";
    }
    if (dataset.overLimit != 0) {
        const std::string limit = WithThousands(kMaxIdentifiers);
        html +=
            "<p class=\"note\">" +
            CountText(dataset.overLimit, "more app identifier was over the limit of " + limit + " and was left out.",
                      "more app identifiers were over the limit of " + limit + " and were left out.") +
            "</p>\n";
    }
    html += "</main>\n</body>\n</html>\n";
    return html;
}

}  // namespace catalogue

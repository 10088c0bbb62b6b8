#pragma once
// The one style sheet of the catalogue's pages (the list without lookups and
// the details page), inline in each: the pages' content policy lets in no
// other. System colours follow the reader's light or dark setting; the layout
// is one column that fits a narrow window. On paper the page is black on
// white, says nothing about reloading, and prints each store link as the
// short address a reader can type (apps.apple.com/app/id...).

#include <string_view>

namespace catalogue {

inline constexpr std::string_view kPageStyle =
    "<style>\n"
    ":root { color-scheme: light dark; --accent: #0a62c9; --line: #d0d4da; --muted: #5b6470; --warn: #9a4d00; }\n"
    "@media (prefers-color-scheme: dark) { :root { --accent: #7ab4ff; --line: #3a3f47; --muted: #a3abb6;"
    " --warn: #ffb366; } }\n"
    "body { margin: 0; font: 16px/1.45 system-ui, \"Segoe UI\", sans-serif; background: Canvas; color: CanvasText; }\n"
    "main { max-width: 44rem; margin: 0 auto; padding: 1.5rem 1rem; }\n"
    "h1 { font-size: 1.6rem; margin: 0 0 0.25rem; }\n"
    ".summary, .note { color: var(--muted); margin: 0 0 1rem; }\n"
    ".note { margin-top: 1rem; }\n"
    ".alert { color: var(--warn); margin: 0 0 1rem; }\n"
    "ol { list-style: none; margin: 0; padding: 0; border-top: 1px solid var(--line); }\n"
    "li { border-bottom: 1px solid var(--line); }\n"
    "a { color: var(--accent); text-decoration: none; }\n"
    "a:hover, a:focus { text-decoration: underline; }\n"
    // The list without lookups: each identifier is its store link.
    ".links a { display: block; padding: 0.75rem 0.25rem; font-variant-numeric: tabular-nums;"
    " overflow-wrap: anywhere; }\n"
    ".links a::after { content: \" \\2192  App Store\"; color: var(--muted); font-size: 0.9em; }\n"
    // The details page: an icon beside each app's texts.
    ".apps li { display: flex; gap: 0.9rem; padding: 0.85rem 0.25rem; }\n"
    ".icon { flex: none; width: 64px; height: 64px; border-radius: 14px; background: var(--line); }\n"
    ".body { min-width: 0; flex: 1; }\n"
    "h2 { font-size: 1.1rem; margin: 0; overflow-wrap: anywhere; }\n"
    ".by, .status, .link { margin: 0.1rem 0 0; color: var(--muted); overflow-wrap: anywhere; }\n"
    ".gone .status { color: var(--warn); font-weight: 600; }\n"
    "dl { display: grid; grid-template-columns: max-content 1fr; gap: 0 0.75rem; margin: 0.4rem 0 0; }\n"
    "dt { color: var(--muted); }\n"
    "dd { margin: 0; overflow-wrap: anywhere; }\n"
    ".id { font-variant-numeric: tabular-nums; }\n"
    "@media print {\n"
    "  :root { color-scheme: light; --accent: #000; --line: #999; --muted: #333; --warn: #000; }\n"
    "  body { font-size: 11pt; background: #fff; color: #000; }\n"
    "  main { max-width: none; padding: 0; }\n"
    "  li { break-inside: avoid; }\n"
    "  .reload, .screen { display: none; }\n"
    "  .links a { padding: 0.3rem 0; }\n"
    "  .links a::before, a.id::before { content: \"apps.apple.com/app/id\"; }\n"
    "  .links a::after { content: none; }\n"
    "  .apps li { padding: 0.5rem 0; }\n"
    "  span.icon { background: none; }\n"
    "}\n"
    "</style>\n";

}  // namespace catalogue

#include "service/details_page.h"

#include "service/http/url.h"
#include "service/page.h"
#include "service/page_style.h"
#include "service/page_text.h"

namespace catalogue {

namespace {

std::string Head(const Dataset& dataset, const DetailsPageContext& context) {
    const std::string policy = DetailsPagePolicy(context);
    const PageWords& words = WordsFor(context.language);
    return "<!DOCTYPE html>\n<html lang=\"" + std::string(LanguageTag(context.language)) +
           "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta name=\"color-scheme\" content=\"light dark\">\n"
           "<meta name=\"referrer\" content=\"no-referrer\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"" +
           HtmlEscape(policy) + "\">\n<title>" + std::string(words.title) + " (" +
           FormatCount(context.language, dataset.identifiers.size()) + ")</title>\n" + std::string(kPageStyle) +
           "</head>\n";
}

// A name, developer or category: escaped, and isolated so that a right-to-left
// mark in it cannot turn the text around it.
std::string Isolated(std::string_view text) { return "<bdi>" + HtmlEscape(text) + "</bdi>"; }

void AddField(std::string& html, std::string_view label, const std::string& value) {
    if (value.empty()) return;
    html += "<dt>" + std::string(label) + "</dt><dd>" + value + "</dd>";
}

std::string Fields(const lookup::AppDetails& app, Language language) {
    const PageWords& words = WordsFor(language);
    std::string html;
    AddField(html, words.price, app.formattedPrice.empty() ? "" : Isolated(app.formattedPrice));
    if (app.rating) {
        AddField(html, words.rating,
                 RatingText(language, *app.rating, app.ratingCount.value_or(0), app.ratingCount.has_value()));
    }
    std::string version = app.version.empty() ? "" : Isolated(app.version);
    const std::string date = FormatDate(language, app.versionDate);
    if (!date.empty()) version += version.empty() ? date : " (" + date + ")";
    AddField(html, words.version, version);
    if (app.sizeBytes) AddField(html, words.size, FormatSize(language, *app.sizeBytes));
    if (!app.minimumOsVersion.empty())
        AddField(html, words.requirement, HtmlEscape(RequiresText(language, app.minimumOsVersion)));
    AddField(html, words.ageRating, app.ageRating.empty() ? "" : Isolated(app.ageRating));
    return html.empty() ? html : "<dl>" + html + "</dl>";
}

std::string FoundItem(const std::string& id, const lookup::AppDetails& app, const DetailsPageContext& context) {
    const std::string link = HtmlEscape(StoreLink(app));
    std::string html = "<li class=\"app\">";
    if (IsAllowedArtwork(app.artworkUrl, context.extraImageOrigin)) {
        html += "<img class=\"icon\" src=\"" + HtmlEscape(app.artworkUrl) + "\" alt=\"\" width=\"64\" height=\"64\">";
    } else {
        html += "<span class=\"icon\"></span>";
    }
    html +=
        "<div class=\"body\"><h2><a href=\"" + link + "\">" + Isolated(app.name.empty() ? id : app.name) + "</a></h2>";
    std::string by = app.developer.empty() ? "" : Isolated(app.developer);
    if (!app.category.empty()) by += (by.empty() ? "" : " \xC2\xB7 ") + Isolated(app.category);
    if (!by.empty()) html += "<p class=\"by\">" + by + "</p>";
    html += Fields(app, context.language);
    // On paper the words give way to the link's short address (the style's print rules).
    html += "<p class=\"link\"><a class=\"id\" href=\"" + link + "\"><span class=\"screen\">" +
            std::string(WordsFor(context.language).storeLink) + " \xE2\x86\x92 </span>" + HtmlEscape(id) +
            "</a></p></div></li>\n";
    return html;
}

// The line under an identifier without details; empty for none.
std::string StatusText(lookup::IdState state, const DetailsPageContext& context) {
    const PageWords& words = WordsFor(context.language);
    switch (state) {
    case lookup::IdState::kMissing:
        return HtmlEscape(NotListedText(context.language, context.country));
    case lookup::IdState::kLoading:
        return std::string(words.loading);
    case lookup::IdState::kHeld:
        return std::string(words.held);
    case lookup::IdState::kUnqueued:
        return std::string(words.unqueued);
    default:
        return {};  // failed (the alert above says why) or not a store identifier: the link alone
    }
}

// An identifier without details: not listed, still being looked up, held
// back, not queued, not asked because the store could not be reached, or too
// long to be a store identifier.
std::string BareItem(const std::string& id, lookup::IdState state, const DetailsPageContext& context) {
    const char* kind = state == lookup::IdState::kMissing                                      ? "gone"
                       : state == lookup::IdState::kLoading || state == lookup::IdState::kHeld ? "loading"
                                                                                               : "bare";
    std::string html = std::string("<li class=\"") + kind + "\"><span class=\"icon\"></span><div class=\"body\"><h2>" +
                       "<a class=\"id\" href=\"" + HtmlEscape(StorePageAddress(id)) + "\">" + HtmlEscape(id) +
                       "</a></h2>";
    const std::string status = StatusText(state, context);
    if (!status.empty()) html += "<p class=\"status\">" + status + "</p>";
    return html + "</div></li>\n";
}

// The sentences above the list about what is not known, and why.
std::string Alerts(const lookup::LookupView& view, const DetailsPageContext& context) {
    const PageWords& words = WordsFor(context.language);
    std::string html;
    if (view.held != 0 && !context.holdEnds.empty())
        html += "<p class=\"alert\">" + HtmlEscape(HoldText(context.language, context.holdEnds)) + "</p>\n";
    if (view.failed != 0) {
        html += "<p class=\"alert\">" + std::string(words.unreachable) + " <span class=\"reload\">" +
                std::string(words.retryLater) + "</span></p>\n";
    }
    if (view.unqueued != 0) html += "<p class=\"alert\">" + std::string(words.noRoom) + "</p>\n";
    return html;
}

}  // namespace

std::string DetailsPagePolicy(const DetailsPageContext& context) {
    return "default-src 'none'; style-src 'unsafe-inline'; img-src " + std::string(kStoreImageSource) +
           (context.extraImageOrigin.empty() ? "" : " " + context.extraImageOrigin);
}

bool IsAllowedArtwork(std::string_view url, std::string_view extraImageOrigin) {
    const std::optional<httpd::UrlParts> parts = httpd::SplitUrl(url);
    if (!parts) return false;
    const std::string_view rest = url.substr(parts->origin.size());
    if (!rest.starts_with("/")) return false;  // the origin's case as given, then a path
    if (!extraImageOrigin.empty() && parts->origin == extraImageOrigin) return true;
    constexpr std::string_view kHostSuffix = ".mzstatic.com";
    return parts->scheme == "https" && parts->host.size() > kHostSuffix.size() && parts->host.ends_with(kHostSuffix) &&
           parts->origin == "https://" + parts->host;  // no port
}

std::string StoreLink(const lookup::AppDetails& app) {
    const std::optional<httpd::UrlParts> parts = httpd::SplitUrl(app.storeUrl);
    if (parts && parts->scheme == "https" &&
        (parts->origin == "https://apps.apple.com" || parts->origin == "https://itunes.apple.com") &&
        app.storeUrl.size() > parts->origin.size() && app.storeUrl[parts->origin.size()] == '/') {
        return app.storeUrl;
    }
    return StorePageAddress(app.id);
}

std::string RenderDetailsPage(const Dataset& dataset, const lookup::LookupView& view,
                              const DetailsPageContext& context) {
    const Language language = context.language;
    const PageWords& words = WordsFor(language);
    std::string html = Head(dataset, context);
    html += "<body>\n<main>\n<h1>" + std::string(words.title) + "</h1>\n";
    if (dataset.identifiers.empty()) {
        html += "<p class=\"summary\">" + std::string(words.noApps) + "</p>\n";
    } else {
        html += "<p class=\"summary\">" +
                HtmlEscape(SummaryText(language, context.country, dataset.identifiers.size(),
                                       {view.found, view.missing,
                                        view.loading + view.held + view.failed + view.unqueued, view.notStoreIds})) +
                "</p>\n" + Alerts(view, context);
        html += "<ol class=\"apps\">\n";
        for (std::size_t i = 0; i < dataset.identifiers.size() && i < view.ids.size(); ++i) {
            const lookup::IdView& item = view.ids[i];
            const std::string& id = dataset.identifiers[i];
            html += item.state == lookup::IdState::kFound && item.app ? FoundItem(id, *item.app, context)
                                                                      : BareItem(id, item.state, context);
        }
        html += "</ol>\n";
    }
    if (dataset.dropped != 0)
        html += "<p class=\"note\">" + HtmlEscape(DroppedText(language, dataset.dropped)) + "</p>\n";
    if (dataset.overLimit != 0) {
        html +=
            "<p class=\"note\">" + HtmlEscape(OverLimitText(language, dataset.overLimit, kMaxIdentifiers)) + "</p>\n";
    }
    return html + "</main>\n</body>\n</html>\n";
}

}  // namespace catalogue

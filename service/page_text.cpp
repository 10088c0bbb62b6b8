#include "service/page_text.h"

namespace catalogue {

namespace {

const PageWords kEnglish = {
    "Selected apps",
    "No app identifiers were submitted.",
    "Price",
    "Rating",
    "Version",
    "Size",
    "Requires",
    "Age rating",
    "App Store",
    "Looking up\xE2\x80\xA6",
    "The App Store could not be asked just now, so some apps are shown only with their store link.",
    "Waiting for the App Store\xE2\x80\xA6",
    "Not looked up yet",
    "Too many apps are waiting to be looked up just now, so some on this page were not queued; reload the page in "
    "a few minutes to try again.",
    "Reload the page later to try again."};
const PageWords kGerman = {
    "Ausgewählte Apps",
    "Es wurden keine App-Kennungen übermittelt.",
    "Preis",
    "Bewertung",
    "Version",
    "Größe",
    "Erfordert",
    "Alter",
    "App Store",
    "Wird nachgeschlagen\xE2\x80\xA6",
    "Der App Store war gerade nicht erreichbar, daher stehen manche Apps nur mit ihrem Store-Link da.",
    "Wartet auf den App Store\xE2\x80\xA6",
    "Noch nicht nachgeschlagen",
    "Gerade warten zu viele Apps auf das Nachschlagen, daher wurden manche dieser Seite nicht eingereiht; laden Sie "
    "die Seite in ein paar Minuten neu, um es noch einmal zu versuchen.",
    "Laden Sie die Seite später neu, um es noch einmal zu versuchen."};
const PageWords kFrench = {
    "Apps sélectionnées",
    "Aucun identifiant d’app n’a été transmis.",
    "Prix",
    "Note",
    "Version",
    "Taille",
    "Nécessite",
    "Âge",
    "App Store",
    "Recherche en cours\xE2\x80\xA6",
    "L’App Store n’a pas pu être interrogé pour l’instant : certaines apps ne figurent qu’avec leur lien vers le "
    "Store.",
    "En attente de l’App Store\xE2\x80\xA6",
    "Pas encore recherchée",
    "Trop d’apps attendent d’être recherchées en ce moment : certaines de cette page n’ont pas été mises en file "
    "d’attente ; rechargez la page dans quelques minutes pour réessayer.",
    "Rechargez la page plus tard pour réessayer."};

struct CountryName {
    const char* code;
    const char* english;  // with its preposition, as each language says it
    const char* german;
    const char* french;
};

constexpr CountryName kCountries[] = {
    {"us", "in the United States", "in den USA", "aux États-Unis"},
    {"gb", "in the United Kingdom", "im Vereinigten Königreich", "au Royaume-Uni"},
    {"de", "in Germany", "in Deutschland", "en Allemagne"},
    {"at", "in Austria", "in Österreich", "en Autriche"},
    {"ch", "in Switzerland", "in der Schweiz", "en Suisse"},
    {"fr", "in France", "in Frankreich", "en France"},
    {"be", "in Belgium", "in Belgien", "en Belgique"},
    {"lu", "in Luxembourg", "in Luxemburg", "au Luxembourg"},
    {"ca", "in Canada", "in Kanada", "au Canada"},
    {"nl", "in the Netherlands", "in den Niederlanden", "aux Pays-Bas"},
    {"it", "in Italy", "in Italien", "en Italie"},
    {"es", "in Spain", "in Spanien", "en Espagne"},
    {"ie", "in Ireland", "in Irland", "en Irlande"},
    {"au", "in Australia", "in Australien", "en Australie"},
    {"jp", "in Japan", "in Japan", "au Japon"},
    {"cn", "in China", "in China", "en Chine"},
};

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    return out;
}

// Picks the English, German or French text.
std::string Pick(Language language, std::string english, std::string german, std::string french) {
    return language == Language::kGerman ? german : language == Language::kFrench ? french : english;
}

}  // namespace

const PageWords& WordsFor(Language language) {
    return language == Language::kGerman ? kGerman : language == Language::kFrench ? kFrench : kEnglish;
}

std::string CountryPhrase(Language language, std::string_view country) {
    for (const CountryName& name : kCountries) {
        if (country == name.code) return Pick(language, name.english, name.german, name.french);
    }
    const std::string code = Upper(country);
    return Pick(language, "in the store for " + code, "im Store für " + code, "dans la boutique " + code);
}

std::string NotListedText(Language language, std::string_view country) {
    const std::string where = CountryPhrase(language, country);
    return Pick(language, "Not in the App Store " + where + ".", "Nicht im App Store " + where + ".",
                "Absente de l’App Store " + where + ".");
}

std::string SummaryText(Language language, std::string_view country, std::size_t total, const SummaryCounts& counts) {
    const std::string where = CountryPhrase(language, country);
    const auto n = [language](std::size_t count) { return FormatCount(language, count); };
    const std::size_t found = counts.found, missing = counts.missing, pending = counts.pending;
    std::string text = Pick(language, n(total) + (total == 1 ? " app: " : " apps: "),
                            n(total) + " Apps: ", n(total) + (total == 1 ? " app : " : " apps : "));
    text += Pick(language, n(found) + " in the App Store " + where, n(found) + " im App Store " + where,
                 n(found) + " dans l’App Store " + where);
    text += Pick(language, ", " + n(missing) + " no longer listed", ", " + n(missing) + " nicht mehr gelistet",
                 ", " + n(missing) + (missing > 1 ? " qui n’y figurent plus" : " qui n’y figure plus"));
    if (pending != 0) {
        text += Pick(language, ", " + n(pending) + " not known yet", ", " + n(pending) + " noch offen",
                     ", " + n(pending) + " pas encore connue" + (pending > 1 ? "s" : ""));
    }
    if (const std::size_t tooLong = counts.notStoreIds; tooLong != 0) {
        text +=
            Pick(language, ", " + n(tooLong) + " too long to be a store identifier",
                 ", " + n(tooLong) + " zu lang für eine Store-Kennung",
                 ", " + n(tooLong) + (tooLong > 1 ? " trop longs" : " trop long") + " pour un identifiant du Store");
    }
    return text + ".";
}

std::string HoldText(Language language, std::string_view until) {
    const std::string time(until);
    return Pick(
        language,
        "The App Store asked us to wait before asking it again, until " + time + "; this page reloads itself then.",
        "Der App Store hat uns gebeten, bis " + time +
            " mit weiteren Anfragen zu warten; die Seite lädt sich dann von selbst neu.",
        "L’App Store nous a demandé d’attendre jusqu’à " + time +
            " avant de l’interroger à nouveau ; la page se rechargera alors d’elle-même.");
}

std::string LinkListSummaryText(Language language, std::size_t count) {
    const std::string n = FormatCount(language, count);
    return Pick(
        language, n + (count == 1 ? " app" : " apps") + ", each linked to its page in the App Store.",
        n + (count == 1 ? " App, mit ihrer Seite im App Store verlinkt."
                        : " Apps, jede mit ihrer Seite im App Store verlinkt."),
        n + (count > 1 ? " apps, chacune liée à sa page dans l’App Store." : " app, liée à sa page dans l’App Store."));
}

std::string RatingText(Language language, double rating, std::size_t count, bool countKnown) {
    std::string text = FormatOneDecimal(language, rating) + "\xC2\xA0/\xC2\xA0" + "5";
    if (!countKnown) return text;
    const std::string n = FormatCount(language, count);
    return text + Pick(language, " (" + n + (count == 1 ? " rating)" : " ratings)"),
                       " (" + n + (count == 1 ? " Bewertung)" : " Bewertungen)"),
                       " (" + n + (count > 1 ? " notes)" : " note)"));
}

std::string RequiresText(Language language, std::string_view minimumOs) {
    const std::string version(minimumOs);
    return Pick(language, "iOS " + version + " or later", "iOS " + version + " oder neuer",
                "iOS " + version + " ou version ultérieure");
}

std::string DroppedText(Language language, std::size_t count) {
    const std::string n = FormatCount(language, count);
    return Pick(language,
                count == 1 ? n + " entry was not an app identifier and was left out."
                           : n + " entries were not app identifiers and were left out.",
                count == 1 ? n + " Eintrag war keine App-Kennung und wurde ausgelassen."
                           : n + " Einträge waren keine App-Kennungen und wurden ausgelassen.",
                count == 1 ? n + " entrée n’était pas un identifiant d’app et a été omise."
                           : n + " entrées n’étaient pas des identifiants d’app et ont été omises.");
}

std::string OverLimitText(Language language, std::size_t count, std::size_t limit) {
    const std::string n = FormatCount(language, count), l = FormatCount(language, limit);
    return Pick(language,
                count == 1 ? n + " more app identifier was over the limit of " + l + " and was left out."
                           : n + " more app identifiers were over the limit of " + l + " and were left out.",
                count == 1 ? n + " weitere App-Kennung lag über der Grenze von " + l + " und wurde ausgelassen."
                           : n + " weitere App-Kennungen lagen über der Grenze von " + l + " und wurden ausgelassen.",
                count == 1 ? n + " identifiant de plus dépassait la limite de " + l + " et a été omis."
                           : n + " identifiants de plus dépassaient la limite de " + l + " et ont été omis.");
}

}  // namespace catalogue

#include "app/language.h"

#include <array>

#include "details/catalogue_request.h"

namespace app {
namespace {

// One row per language, in the order of the Language enumeration. The hints
// have two spaces after the colon.
constexpr std::array<LanguageTexts, 3> kLanguageTable = {{
    {u"Zeige Details", u"Beenden", u"Bitte warten", u"Bearbeiten", u"Hilfe", u"\u00dcber", u"Alles ausw\u00e4hlen",
     u"Auswahl umkehren", u"Tipp:  Strg-Taste f\u00fcr", u"individuelle Auswahl"},
    {u"Show details", u"Exit", u"Please wait", u"Edit", u"Help", u"About", u"Select all", u"Invert selection",
     u"Hint:  Ctrl-key for", u"individual selection"},
    {u"Voir les d\u00e9tails", u"Quitter", u"Attendez s.v.p.", u"Editer", u"Aide", u"A propos",
     u"S\u00e9lectionner toutes", u"Inverser la s\u00e9lection", u"Astuce:  Ctrl-cl\u00e9 pour",
     u"la s\u00e9lection individuelle"},
}};

}  // namespace

LanguageStrings InterfaceStrings;

const LanguageTexts& TextsOf(Language language) { return kLanguageTable[static_cast<std::size_t>(language)]; }

void SetLanguageIndependentStrings(LanguageStrings& strings) {
    strings.EllipsisSuffix = u" ...";
    strings.MenuCaptionText = u"Menu";
}

void ApplyLanguageTexts(LanguageStrings& strings, Language language) {
    const LanguageTexts& texts = TextsOf(language);
    strings.ShowDetailsText = texts.ShowDetailsText;
    strings.ExitText = texts.ExitText;
    strings.PleaseWaitText = texts.PleaseWaitText;
    strings.EditText = texts.EditText;
    strings.HelpText = texts.HelpText;
    strings.AboutText = texts.AboutText;
    strings.SelectAllText = texts.SelectAllText;
    strings.InvertSelectionText = texts.InvertSelectionText;
}

std::u16string UploadButtonCaption(const LanguageStrings& strings) {
    return strings.ShowDetailsText + u" (" + std::u16string(details::ServiceHost) + u")";
}

}  // namespace app

#pragma once
// The interface languages: the ten interface strings of the language in force
// and the texts of German, English and French from one table.

#include <string>
#include <string_view>

namespace app {

// The ten interface strings. Empty until the menu handler first runs.
struct LanguageStrings {
    std::u16string EllipsisSuffix;   // " ...", whatever the language
    std::u16string MenuCaptionText;  // "Menu", whatever the language
    std::u16string ShowDetailsText;
    std::u16string ExitText;
    std::u16string PleaseWaitText;
    std::u16string EditText;
    std::u16string HelpText;
    std::u16string AboutText;
    std::u16string SelectAllText;
    std::u16string InvertSelectionText;
};

// The strings of the language in force, for the whole run.
extern LanguageStrings InterfaceStrings;

enum class Language { German, English, French };

// One language's texts: eight strings and the two hint captions, which have no
// string of their own.
struct LanguageTexts {
    std::u16string_view ShowDetailsText;
    std::u16string_view ExitText;
    std::u16string_view PleaseWaitText;
    std::u16string_view EditText;
    std::u16string_view HelpText;
    std::u16string_view AboutText;
    std::u16string_view SelectAllText;
    std::u16string_view InvertSelectionText;
    std::u16string_view Hint1Caption;
    std::u16string_view Hint2Caption;
};

const LanguageTexts& TextsOf(Language language);

// Sets the two strings that every menu command sets, whatever its sender.
void SetLanguageIndependentStrings(LanguageStrings& strings);

// Sets the eight language strings, from ShowDetailsText to InvertSelectionText.
void ApplyLanguageTexts(LanguageStrings& strings, Language language);

// The button's caption: ShowDetailsText + " (" + ServiceHost + ")", with the
// catalogue service's host name fixed at build time (details::ServiceHost).
std::u16string UploadButtonCaption(const LanguageStrings& strings);

}  // namespace app

#include "app/language.h"

#include <gtest/gtest.h>

#include "details/catalogue_request.h"

using namespace app;

namespace {

struct LanguageRow {
    const char* name;
    Language language;
    // ShowDetails, Exit, PleaseWait, Edit, Help, About, SelectAll, Invert, Hint1, Hint2
    std::u16string texts[10];
};

const LanguageRow kRows[] = {
    {"German",
     Language::German,
     {u"Zeige Details", u"Beenden", u"Bitte warten", u"Bearbeiten", u"Hilfe", u"\u00dcber", u"Alles ausw\u00e4hlen",
      u"Auswahl umkehren", u"Tipp:  Strg-Taste f\u00fcr", u"individuelle Auswahl"}},
    {"English",
     Language::English,
     {u"Show details", u"Exit", u"Please wait", u"Edit", u"Help", u"About", u"Select all", u"Invert selection",
      u"Hint:  Ctrl-key for", u"individual selection"}},
    {"French",
     Language::French,
     {u"Voir les d\u00e9tails", u"Quitter", u"Attendez s.v.p.", u"Editer", u"Aide", u"A propos",
      u"S\u00e9lectionner toutes", u"Inverser la s\u00e9lection", u"Astuce:  Ctrl-cl\u00e9 pour",
      u"la s\u00e9lection individuelle"}},
};

}  // namespace

TEST(Language, TextsOfEachLanguage) {
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        const LanguageTexts& texts = TextsOf(row.language);
        EXPECT_EQ(texts.ShowDetailsText, row.texts[0]);
        EXPECT_EQ(texts.ExitText, row.texts[1]);
        EXPECT_EQ(texts.PleaseWaitText, row.texts[2]);
        EXPECT_EQ(texts.EditText, row.texts[3]);
        EXPECT_EQ(texts.HelpText, row.texts[4]);
        EXPECT_EQ(texts.AboutText, row.texts[5]);
        EXPECT_EQ(texts.SelectAllText, row.texts[6]);
        EXPECT_EQ(texts.InvertSelectionText, row.texts[7]);
        EXPECT_EQ(texts.Hint1Caption, row.texts[8]);
        EXPECT_EQ(texts.Hint2Caption, row.texts[9]);
    }
}

TEST(Language, SwitchingSetsTheEightStringsAndLeavesTheOtherTwo) {
    LanguageStrings strings;
    strings.EllipsisSuffix = u"kept";
    strings.MenuCaptionText = u"kept too";
    // English, then French, then German: each switch replaces every text of the previous one.
    for (const Language language : {Language::English, Language::French, Language::German}) {
        const LanguageRow& row = kRows[static_cast<int>(language)];
        SCOPED_TRACE(row.name);
        ApplyLanguageTexts(strings, language);
        EXPECT_EQ(strings.ShowDetailsText, row.texts[0]);
        EXPECT_EQ(strings.ExitText, row.texts[1]);
        EXPECT_EQ(strings.PleaseWaitText, row.texts[2]);
        EXPECT_EQ(strings.EditText, row.texts[3]);
        EXPECT_EQ(strings.HelpText, row.texts[4]);
        EXPECT_EQ(strings.AboutText, row.texts[5]);
        EXPECT_EQ(strings.SelectAllText, row.texts[6]);
        EXPECT_EQ(strings.InvertSelectionText, row.texts[7]);
        EXPECT_EQ(strings.EllipsisSuffix, u"kept");
        EXPECT_EQ(strings.MenuCaptionText, u"kept too");
    }
}

TEST(Language, IndependentStringsAreTheSameForEverySender) {
    LanguageStrings strings;
    SetLanguageIndependentStrings(strings);
    EXPECT_EQ(strings.EllipsisSuffix, u" ...");
    EXPECT_EQ(strings.MenuCaptionText, u"Menu");
    EXPECT_EQ(strings.ShowDetailsText, u"");  // a command sender changes no language string
}

TEST(Language, StringsAreEmptyBeforeTheFirstMenuCommand) {
    const LanguageStrings fresh;
    EXPECT_EQ(fresh.ShowDetailsText, u"");
    EXPECT_EQ(fresh.EllipsisSuffix, u"");
}

TEST(Language, ButtonCaptionNamesTheServiceHost) {
    EXPECT_EQ(details::ServiceHost, std::u16string_view(u"" VANTREL_SERVICE_HOST));
    EXPECT_FALSE(details::ServiceHost.empty());
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        LanguageStrings strings;
        ApplyLanguageTexts(strings, row.language);
        EXPECT_EQ(UploadButtonCaption(strings), row.texts[0] + u" (" + u"" VANTREL_SERVICE_HOST + u")");
    }
}

#include "service/details_page.h"

#include <gtest/gtest.h>

#include "service/page.h"
#include "service/page_language.h"

using namespace catalogue;
using lookup::IdState;

namespace {

std::shared_ptr<const lookup::AppDetails> App(const std::string& id, const std::string& name) {
    auto app = std::make_shared<lookup::AppDetails>();
    app->id = id;
    app->name = name;
    app->developer = "Dev & Co";
    app->category = "Games";
    app->formattedPrice = "0,99 \xE2\x82\xAC";
    app->rating = 4.46;
    app->ratingCount = 12345;
    app->version = "2.0";
    app->versionDate = "2023-05-01T07:00:00Z";
    app->sizeBytes = 123456789;
    app->minimumOsVersion = "12.0";
    app->ageRating = "9+";
    app->artworkUrl = "https://is2-ssl.mzstatic.com/image/100x100bb.png";
    return app;
}

struct Page {
    Dataset dataset;
    lookup::LookupView view;
    void Add(const std::string& id, IdState state, std::shared_ptr<const lookup::AppDetails> app = nullptr) {
        dataset.identifiers.push_back(id);
        view.Add({state, std::move(app)});
    }
    std::string Render(Language language, const std::string& country = "de", const std::string& extra = {},
                       const std::string& holdEnds = {}) const {
        return RenderDetailsPage(dataset, view, {language, country, extra, holdEnds});
    }
};

TEST(DetailsPage, ShowsEveryDetailInEachLanguagesWay) {
    Page page;
    page.Add("11", IdState::kFound, App("11", "Chess"));
    page.Add("12", IdState::kMissing);
    struct Row {
        Language language;
        std::vector<std::string> texts;
    };
    const Row rows[] = {
        {Language::kEnglish,
         {"<html lang=\"en\">", "Selected apps (2)", "2 apps: 1 in the App Store in Germany, 1 no longer listed.",
          "4.5\xC2\xA0/\xC2\xA0"
          "5 (12,345 ratings)",
          "May\xC2\xA0"
          "1, 2023",
          "123.5\xC2\xA0MB", "iOS 12.0 or later", "<dd><bdi>9+</bdi></dd>", "<bdi>0,99 \xE2\x82\xAC</bdi>",
          "Not in the App Store in Germany."}},
        {Language::kGerman,
         {"<html lang=\"de\">", "Ausgewählte Apps (2)", "1 im App Store in Deutschland, 1 nicht mehr gelistet",
          "4,5\xC2\xA0/\xC2\xA0"
          "5 (12.345 Bewertungen)",
          "1.\xC2\xA0Mai 2023", "123,5\xC2\xA0MB", "iOS 12.0 oder neuer", "Nicht im App Store in Deutschland."}},
        {Language::kFrench,
         {"<html lang=\"fr\">", "Apps sélectionnées (2)",
          "4,5\xC2\xA0/\xC2\xA0"
          "5 (12\xE2\x80\xAF"
          "345 notes)",
          "1er\xC2\xA0mai 2023", "123,5\xC2\xA0Mo", "Absente de l’App Store en Allemagne."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(LanguageTag(row.language));
        const std::string html = page.Render(row.language);
        for (const std::string& text : row.texts) EXPECT_NE(html.find(text), std::string::npos) << text;
        EXPECT_NE(html.find("Dev &amp; Co"), std::string::npos);
        EXPECT_EQ(html.find("<script"), std::string::npos);
    }
}

TEST(DetailsPage, EscapesEveryTextFromTheStore) {
    Page page;
    auto app = std::make_shared<lookup::AppDetails>(*App("1", "<script>alert(\"x\")</script>"));
    app->developer =
        "\xE2\x80\xAE"
        "evil' onload='x";
    app->category = "</li><li>";
    app->version = "<img src=x>";
    app->artworkUrl = "https://is1-ssl.mzstatic.com/a\"onerror=\"x.png";
    page.Add("1", IdState::kFound, app);
    const std::string html = page.Render(Language::kEnglish);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("<bdi>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;</bdi>"), std::string::npos);
    EXPECT_NE(html.find("<bdi>\xE2\x80\xAE"
                        "evil&#39; onload=&#39;x</bdi>"),
              std::string::npos);
    EXPECT_EQ(html.find("</li><li>"), std::string::npos);
    EXPECT_EQ(html.find("<img src=x>"), std::string::npos);
    EXPECT_EQ(html.find("onerror"), std::string::npos) << "an artwork address with a quote is dropped";
}

TEST(DetailsPage, ShowsIconsOnlyFromTheAllowedOrigins) {
    struct Row {
        const char* url;
        const char* extraOrigin;
        bool shown;
    };
    const Row rows[] = {
        {"https://is1-ssl.mzstatic.com/image/a.jpg", "", true},
        {"HTTPS://IS5-SSL.MZSTATIC.COM/image/a.jpg", "", true},
        {"http://is1-ssl.mzstatic.com/image/a.jpg", "", false},
        {"https://is1-ssl.mzstatic.com:8443/a.jpg", "", false},
        {"https://mzstatic.com.evil.example/a.jpg", "", false},
        {"https://evil.example/a.jpg?.mzstatic.com", "", false},
        {"https://user@is1-ssl.mzstatic.com/a.jpg", "", false},
        {"javascript:alert(1)", "", false},
        {"data:image/png;base64,AAAA", "", false},
        {"http://127.0.0.1:8123/icons/1.png", "http://127.0.0.1:8123", true},
        {"http://127.0.0.1:8124/icons/1.png", "http://127.0.0.1:8123", false},
        {"", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        EXPECT_EQ(IsAllowedArtwork(row.url, row.extraOrigin), row.shown);
    }
    Page page;
    page.Add("1", IdState::kFound, App("1", "A"));
    EXPECT_NE(page.Render(Language::kEnglish)
                  .find("content=\"default-src &#39;none&#39;; style-src &#39;unsafe-inline&#39;; img-src "
                        "https://*.mzstatic.com\""),
              std::string::npos);
    EXPECT_NE(page.Render(Language::kEnglish, "de", "http://127.0.0.1:9")
                  .find("img-src https://*.mzstatic.com http://127.0.0.1:9\""),
              std::string::npos);
}

TEST(DetailsPage, ListsEveryIdentifierWhenTheStoreCouldNotBeAsked) {
    Page page;
    page.Add("284882215", IdState::kFailed);
    page.Add("310633997", IdState::kLoading);
    page.Add("5", IdState::kFound, App("5", "Five"));
    const std::string html = page.Render(Language::kEnglish, "us");
    EXPECT_NE(html.find("The App Store could not be asked just now"), std::string::npos);
    EXPECT_NE(html.find("href=\"https://apps.apple.com/app/id284882215\""), std::string::npos);
    EXPECT_NE(html.find("href=\"https://apps.apple.com/app/id310633997\""), std::string::npos);
    EXPECT_NE(html.find("Looking up"), std::string::npos);
    EXPECT_NE(html.find("3 apps: 1 in the App Store in the United States, 0 no longer listed, 2 not known yet."),
              std::string::npos);
    // In the order submitted.
    EXPECT_LT(html.find("id284882215"), html.find("id310633997"));
    EXPECT_LT(html.find("id310633997"), html.find("Five"));
}

TEST(DetailsPage, SaysWhatTheStoreHoldsBackAndWhatFoundNoRoomInEachLanguage) {
    Page page;
    page.Add("1", IdState::kHeld);
    page.Add("2", IdState::kUnqueued);
    page.Add("12345678901234567890", IdState::kNotAStoreId);
    struct Row {
        Language language;
        const char* hold;
        const char* held;
        const char* noRoom;
        const char* summary;
    };
    const Row rows[] = {
        {Language::kEnglish, "The App Store asked us to wait before asking it again, until 14:33; this page reloads",
         "Waiting for the App Store", "Too many apps are waiting to be looked up just now",
         "3 apps: 0 in the App Store in Germany, 0 no longer listed, 2 not known yet, 1 too long to be a store "
         "identifier."},
        {Language::kGerman, "Der App Store hat uns gebeten, bis 14:33 mit weiteren Anfragen zu warten",
         "Wartet auf den App Store", "Gerade warten zu viele Apps auf das Nachschlagen",
         "3 Apps: 0 im App Store in Deutschland, 0 nicht mehr gelistet, 2 noch offen, 1 zu lang für eine "
         "Store-Kennung."},
        {Language::kFrench, "L’App Store nous a demandé d’attendre jusqu’à 14:33 avant de l’interroger à nouveau",
         "En attente de l’App Store", "Trop d’apps attendent d’être recherchées",
         "3 apps : 0 dans l’App Store en Allemagne, 0 qui n’y figure plus, 2 pas encore connues, 1 trop long pour "
         "un identifiant du Store."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.held);
        const std::string html = page.Render(row.language, "de", {}, "14:33");
        for (const char* text : {row.hold, row.held, row.noRoom}) {
            EXPECT_NE(html.find(HtmlEscape(text)), std::string::npos) << text;
        }
        EXPECT_NE(html.find(HtmlEscape(row.summary)), std::string::npos) << html;
        EXPECT_NE(html.find("href=\"https://apps.apple.com/app/id12345678901234567890\""), std::string::npos);
    }
    EXPECT_EQ(page.Render(Language::kEnglish).find("asked us to wait"), std::string::npos) << "no hold, no word of one";
}

TEST(DetailsPage, LinksTheStorePageOnlyOnTheStoresSite) {
    lookup::AppDetails app;
    app.id = "7";
    struct Row {
        const char* storeUrl;
        const char* link;
    };
    const Row rows[] = {
        {"https://apps.apple.com/de/app/x/id7?uo=4", "https://apps.apple.com/de/app/x/id7?uo=4"},
        {"https://evil.example/app/id7", "https://apps.apple.com/app/id7"},
        {"http://apps.apple.com/app/id7", "https://apps.apple.com/app/id7"},
        {"https://apps.apple.com.evil.example/", "https://apps.apple.com/app/id7"},
        {"", "https://apps.apple.com/app/id7"},
    };
    for (const Row& row : rows) {
        app.storeUrl = row.storeUrl;
        EXPECT_EQ(StoreLink(app), row.link) << row.storeUrl;
    }
}

TEST(PageLanguage, ChoosesFromAcceptLanguageByWeight) {
    struct Row {
        const char* header;
        Language language;
    };
    const Row rows[] = {
        {"", Language::kEnglish},
        {"de", Language::kGerman},
        {"de-AT,de;q=0.9,en;q=0.8", Language::kGerman},
        {"en-US,en;q=0.9,fr;q=0.95", Language::kEnglish},
        {"en-US;q=0.8,en;q=0.9,fr;q=0.95", Language::kFrench},
        {"fr-CA;q=0.5, de;q=0.6", Language::kGerman},
        {"es,it;q=0.9", Language::kEnglish},
        {"es, fr;q=0.1", Language::kFrench},
        {"de;q=0, fr;q=0.001", Language::kFrench},
        {"de;q=0", Language::kEnglish},
        {"*", Language::kEnglish},
        {"FR", Language::kFrench},
        {"de;q=2, fr;q=0.3", Language::kFrench},
        {"de;q=abc", Language::kEnglish},
        {"fr;level=1;q=0.7, de;q=0.6", Language::kFrench},
        {",,,;;;q=", Language::kEnglish},
    };
    for (const Row& row : rows) EXPECT_EQ(ChooseLanguage(row.header), row.language) << row.header;
}

TEST(PageLanguage, WritesNumbersSizesAndDatesInTheLanguagesWay) {
    EXPECT_EQ(FormatCount(Language::kEnglish, 1234567), "1,234,567");
    EXPECT_EQ(FormatCount(Language::kGerman, 1234567), "1.234.567");
    EXPECT_EQ(FormatCount(Language::kFrench, 1234),
              "1\xE2\x80\xAF"
              "234");
    EXPECT_EQ(FormatCount(Language::kEnglish, 999), "999");
    EXPECT_EQ(FormatOneDecimal(Language::kEnglish, 4.46), "4.5");
    EXPECT_EQ(FormatOneDecimal(Language::kGerman, 5), "5,0");
    EXPECT_EQ(FormatSize(Language::kEnglish, 999),
              "999\xC2\xA0"
              "bytes");
    EXPECT_EQ(FormatSize(Language::kEnglish, 1500), "1.5\xC2\xA0KB");
    EXPECT_EQ(FormatSize(Language::kGerman, 2'500'000'000), "2,5\xC2\xA0GB");
    EXPECT_EQ(FormatSize(Language::kFrench, 999'960), "1,0\xC2\xA0Mo");
    EXPECT_EQ(FormatDate(Language::kEnglish, "2024-02-29T00:00:00Z"),
              "February\xC2\xA0"
              "29, 2024");
    EXPECT_EQ(FormatDate(Language::kGerman, "2023-12-24"),
              "24.\xC2\xA0"
              "Dezember 2023");
    EXPECT_EQ(FormatDate(Language::kFrench, "2023-08-15T07:00:00Z"),
              "15\xC2\xA0"
              "août 2023");
    for (const char* bad : {"2023-02-29", "2023-13-01", "2023-00-10", "20230101", "", "abcd-ef-gh", "2023-1-01"}) {
        EXPECT_EQ(FormatDate(Language::kEnglish, bad), "") << bad;
    }
}

}  // namespace

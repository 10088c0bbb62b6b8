#pragma once
// The words of the details page in each of its languages.

#include <cstddef>
#include <string>
#include <string_view>

#include "service/page_language.h"

namespace catalogue {

struct PageWords {
    std::string_view title;   // "Selected apps"
    std::string_view noApps;  // no identifier was submitted
    std::string_view price, rating, version, size, requirement, ageRating, storeLink, loading;
    std::string_view unreachable;  // the one sentence when the store could not be asked
    std::string_view held;         // an app waiting for the end of the store's hold
    std::string_view unqueued;     // an app not queued for want of room
    std::string_view noRoom;       // the one sentence when apps of the page could not be queued
    std::string_view retryLater;   // what the reader can do about it (left off on paper)
};

const PageWords& WordsFor(Language language);

// "in Germany" / "in Deutschland" / "en Allemagne"; for a country without a
// name here: "in the store for XX" and the like.
std::string CountryPhrase(Language language, std::string_view country);

// "Not in the App Store in Germany."
std::string NotListedText(Language language, std::string_view country);

struct SummaryCounts {
    std::size_t found = 0, missing = 0;
    std::size_t pending = 0;      // not known yet
    std::size_t notStoreIds = 0;  // too long to be store identifiers
};

// "4 apps: 3 in the App Store in Germany, 1 no longer listed, 2 not known yet."
std::string SummaryText(Language language, std::string_view country, std::size_t total, const SummaryCounts& counts);

// "The App Store asked us to wait until 14:33 ..." (the store's hold).
std::string HoldText(Language language, std::string_view until);

// The list without lookups: "4 apps, each linked to its page in the App Store."
std::string LinkListSummaryText(Language language, std::size_t count);

// "4.5 (1,234 ratings)"
std::string RatingText(Language language, double rating, std::size_t count, bool countKnown);

// "iOS 12.0 or later"
std::string RequiresText(Language language, std::string_view minimumOs);

// The notes under the list: entries that were not identifiers, identifiers over the limit.
std::string DroppedText(Language language, std::size_t count);
std::string OverLimitText(Language language, std::size_t count, std::size_t limit);

}  // namespace catalogue

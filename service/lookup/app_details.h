#pragma once
// What the store's lookup says about one app, as far as the page shows it.
// Every text is UTF-8 straight from the store: escape it before it reaches a page.

#include <cstdint>
#include <optional>
#include <string>

namespace lookup {

struct AppDetails {
    std::string id;                            // trackId in decimal digits: the key the page asked with
    std::string name;                          // trackName
    std::string developer;                     // artistName, or sellerName when that is absent
    std::string category;                      // primaryGenreName
    std::string formattedPrice;                // as the store writes it ("Free", "0,99 €")
    std::optional<double> rating;              // averageUserRating, 0 to 5
    std::optional<std::uint64_t> ratingCount;  // userRatingCount
    std::string version;                       // the store's current version
    std::string versionDate;                   // currentVersionReleaseDate, or releaseDate ("2023-05-01T07:00:00Z")
    std::optional<std::uint64_t> sizeBytes;    // fileSizeBytes (a string of digits in the store's answer)
    std::string minimumOsVersion;
    std::string ageRating;   // contentAdvisoryRating ("4+")
    std::string artworkUrl;  // artworkUrl100, else artworkUrl60, else artworkUrl512
    std::string storeUrl;    // trackViewUrl

    // The bytes this record holds, for the cache's bound.
    std::size_t Bytes() const;
};

}  // namespace lookup

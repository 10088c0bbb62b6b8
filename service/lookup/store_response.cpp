#include "service/lookup/store_response.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_set>

namespace lookup {

std::size_t AppDetails::Bytes() const {
    return sizeof(AppDetails) + id.capacity() + name.capacity() + developer.capacity() + category.capacity() +
           formattedPrice.capacity() + version.capacity() + versionDate.capacity() + minimumOsVersion.capacity() +
           ageRating.capacity() + artworkUrl.capacity() + storeUrl.capacity();
}

std::string CutText(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of a character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "\xE2\x80\xA6";
}

namespace {

using Json = nlohmann::json;

// One scalar of the answer, as the SAX events hand it over.
struct Scalar {
    enum class Kind { kNull, kBool, kUnsigned, kInteger, kFloat, kString };
    explicit Scalar(Kind valueKind = Kind::kNull) : kind(valueKind) {}
    Kind kind;
    std::uint64_t unsignedValue = 0;
    double floatValue = 0;
    std::string_view text;
};

bool IsDigits(std::string_view text) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::optional<std::uint64_t> UnsignedOf(const Scalar& value) {
    if (value.kind == Scalar::Kind::kUnsigned) return value.unsignedValue;
    if (value.kind == Scalar::Kind::kString && IsDigits(value.text)) {
        std::uint64_t number = 0;
        for (char c : value.text) {
            const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
            if (number > (UINT64_MAX - digit) / 10) return std::nullopt;
            number = number * 10 + digit;
        }
        return number;
    }
    return std::nullopt;
}

void SetText(std::string& field, const Scalar& value) {
    if (value.kind == Scalar::Kind::kString) field = CutText(value.text, kMaxTextBytes);
}

void SetUrl(std::string& field, const Scalar& value) {
    if (value.kind == Scalar::Kind::kString && value.text.size() <= kMaxUrlBytes) field = std::string(value.text);
}

// Records the fields the page shows; everything else is skipped.
void Assign(AppDetails& app, std::string& seller, std::string& artwork60, std::string& artwork512,
            std::string& releaseDate, std::string_view key, const Scalar& value) {
    if (key == "trackId") {
        // A store identifier is a positive number; 0 never names an app.
        if (value.kind == Scalar::Kind::kUnsigned && value.unsignedValue != 0)
            app.id = std::to_string(value.unsignedValue);
    } else if (key == "trackName") {
        SetText(app.name, value);
    } else if (key == "artistName") {
        SetText(app.developer, value);
    } else if (key == "sellerName") {
        SetText(seller, value);
    } else if (key == "primaryGenreName") {
        SetText(app.category, value);
    } else if (key == "formattedPrice") {
        SetText(app.formattedPrice, value);
    } else if (key == "averageUserRating") {
        const double rating = value.kind == Scalar::Kind::kFloat      ? value.floatValue
                              : value.kind == Scalar::Kind::kUnsigned ? static_cast<double>(value.unsignedValue)
                                                                      : -1;
        if (std::isfinite(rating) && rating >= 0 && rating <= 5) app.rating = rating;
    } else if (key == "userRatingCount") {
        if (value.kind == Scalar::Kind::kUnsigned) app.ratingCount = value.unsignedValue;
    } else if (key == "version") {
        SetText(app.version, value);
    } else if (key == "currentVersionReleaseDate") {
        SetText(app.versionDate, value);
    } else if (key == "releaseDate") {
        SetText(releaseDate, value);
    } else if (key == "fileSizeBytes") {
        app.sizeBytes = UnsignedOf(value);
    } else if (key == "minimumOsVersion") {
        SetText(app.minimumOsVersion, value);
    } else if (key == "contentAdvisoryRating") {
        SetText(app.ageRating, value);
    } else if (key == "artworkUrl100") {
        SetUrl(app.artworkUrl, value);
    } else if (key == "artworkUrl60") {
        SetUrl(artwork60, value);
    } else if (key == "artworkUrl512") {
        SetUrl(artwork512, value);
    } else if (key == "trackViewUrl") {
        SetUrl(app.storeUrl, value);
    }
}

// The SAX events of nlohmann's parser (which keeps its own nesting on the
// heap, not the stack); each returns false to end the parse at once.
class ResponseReader : public nlohmann::json_sax<Json> {
public:
    std::vector<AppDetails> apps;
    bool sawResults = false;

    bool null() override { return Value(Scalar()); }
    bool boolean(bool) override { return Value(Scalar(Scalar::Kind::kBool)); }
    bool number_integer(number_integer_t) override { return Value(Scalar(Scalar::Kind::kInteger)); }
    bool number_unsigned(number_unsigned_t value) override {
        Scalar scalar(Scalar::Kind::kUnsigned);
        scalar.unsignedValue = value;
        return Value(scalar);
    }
    bool number_float(number_float_t value, const string_t&) override {
        Scalar scalar(Scalar::Kind::kFloat);
        scalar.floatValue = value;
        return Value(scalar);
    }
    bool string(string_t& value) override {
        Scalar scalar(Scalar::Kind::kString);
        scalar.text = value;
        return Value(scalar);
    }
    bool binary(binary_t&) override { return Value(Scalar()); }
    bool key(string_t& value) override {
        key_ = value.size() <= 64 ? value : std::string();
        return true;
    }
    bool start_object(std::size_t) override { return Open(true); }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(false); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    enum class Role { kTop, kResults, kRecord, kSkipped };

    bool Open(bool isObject) {
        if (roles_.size() >= kMaxDepth) return false;
        Role role = Role::kSkipped;
        if (roles_.empty()) {
            if (!isObject) return false;  // the answer is an object
            role = Role::kTop;
        } else if (roles_.back() == Role::kTop && key_ == "results") {
            if (!isObject) {
                role = Role::kResults;
                sawResults = true;
            }
        } else if (roles_.back() == Role::kResults && isObject) {
            if (recordsSeen_++ >= kMaxResults) return false;
            role = Role::kRecord;
            record_ = Record{};
        }
        roles_.push_back(role);
        return true;
    }

    bool Close() {
        if (roles_.back() == Role::kRecord) Keep();
        roles_.pop_back();
        return true;
    }

    bool Value(const Scalar& value) {
        if (roles_.empty()) return false;  // a bare scalar is no answer
        if (roles_.back() == Role::kRecord) {
            Assign(record_.app, record_.seller, record_.artwork60, record_.artwork512, record_.releaseDate, key_,
                   value);
        }
        return true;
    }

    void Keep() {
        AppDetails& app = record_.app;
        if (app.id.empty() || !seen_.insert(app.id).second) return;
        if (app.developer.empty()) app.developer = std::move(record_.seller);
        if (app.artworkUrl.empty()) app.artworkUrl = std::move(record_.artwork60);
        if (app.artworkUrl.empty()) app.artworkUrl = std::move(record_.artwork512);
        if (app.versionDate.empty()) app.versionDate = std::move(record_.releaseDate);
        apps.push_back(std::move(app));
    }

    struct Record {
        AppDetails app;
        std::string seller, artwork60, artwork512, releaseDate;
    };
    std::vector<Role> roles_;
    std::string key_;
    Record record_;
    std::size_t recordsSeen_ = 0;
    std::unordered_set<std::string> seen_;
};

}  // namespace

std::optional<std::vector<AppDetails>> ReadStoreResponse(std::string_view body) {
    if (body.size() > kMaxResponseBytes) return std::nullopt;
    ResponseReader reader;
    bool complete = false;
    try {
        complete = Json::sax_parse(body.begin(), body.end(), &reader, Json::input_format_t::json, true, false);
    } catch (const std::exception&) {
        return std::nullopt;  // out of memory, or anything else the parser raises
    }
    if (!complete || !reader.sawResults) return std::nullopt;
    return std::move(reader.apps);
}

}  // namespace lookup

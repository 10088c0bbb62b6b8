// The store's lookup answer as the network hands it over: any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "service/lookup/store_response.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    if (const auto apps = lookup::ReadStoreResponse(body)) {
        for (const lookup::AppDetails& app : *apps) {
            // What the reader promises: an id of digits and bounded texts.
            if (app.id.empty() || app.id.find_first_not_of("0123456789") != std::string_view::npos) __builtin_trap();
            if (app.name.size() > lookup::kMaxTextBytes + 3 || app.artworkUrl.size() > lookup::kMaxUrlBytes)
                __builtin_trap();
        }
    }
    return 0;
}

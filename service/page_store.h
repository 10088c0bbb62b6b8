#pragma once
// The pages the catalogue hands out, by token. Each page is named by 128
// random bits, so its address cannot be worked out from what it lists. A page
// lives for its life time (an hour) after it was last submitted, unless the
// store passes its byte bound (32 MiB): then the oldest pages go first, however
// young. Submitting the same list again renews its page, which keeps its address.
//
// A page may keep its submission's list beside its text and have its text
// replaced (a page whose details arrive later). A replaced text that someone
// else still holds counts beside its successor, as a forgotten page's does,
// until it is let go: right for an answer still being sent, but the caller of
// Replace must let go of its own copy first, or every re-rendering counts the
// page twice.

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "service/dataset.h"

namespace catalogue {

inline constexpr std::size_t kTokenLength = 32;  // hex digits of 128 bits

struct PageStoreLimits {
    std::size_t maxBytes = std::size_t{32} << 20;
    std::chrono::steady_clock::duration pageLife = std::chrono::hours(1);
};

class PageStore {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    explicit PageStore(PageStoreLimits limits = {}, Now now = Clock::now);

    // The token of the page for `key` (the submission's content): the stored
    // one, renewed, or a new one whose page `render` makes. Throws what the
    // system's random generator or `render` throws.
    std::string Put(const std::string& key, const std::function<std::string()>& render,
                    std::shared_ptr<const Dataset> dataset = nullptr);

    struct StoredPage {
        std::shared_ptr<const std::string> html;
        std::shared_ptr<const Dataset> dataset;  // as given to Put
        std::string tag;                         // as given to Replace; empty before
    };
    // The page of `token` with its list, or nullopt (never was, or forgotten).
    std::optional<StoredPage> FindPage(std::string_view token);

    // Gives the page of `token` a new text, labelled `tag` (what it was made
    // from); nothing when the page is gone. Older pages may be dropped to keep the bound.
    void Replace(std::string_view token, std::string tag, std::string html);

    // Drops the pages whose life has passed; returns when the next one's
    // does (Clock::time_point::max() when the store is empty).
    Clock::time_point DropExpired();

    std::size_t Count() const { return pages_.size(); }
    // Bytes the store answers for: its pages with their keys, and pages it
    // has forgotten that answers still being sent hold.
    std::size_t Bytes();

private:
    struct Page {
        std::string token;
        std::string key;
        std::shared_ptr<const std::string> html;
        std::shared_ptr<const Dataset> dataset;
        std::string tag;
        Clock::time_point submitted;
        std::size_t bytes = 0;
    };
    // A forgotten page that an answer still holds: it counts until released.
    struct Retired {
        std::weak_ptr<const std::string> html;
        std::size_t bytes = 0;
    };

    void DropExpiredPages(Clock::time_point now);
    void DropOldestPage();
    void Retire(const std::shared_ptr<const std::string>& html);
    void MakeRoom(std::size_t bytes);
    void ReleaseRetired();
    std::string NewToken();

    PageStoreLimits limits_;
    Now now_;
    std::list<Page> pages_;                                                    // oldest submission first
    std::unordered_map<std::string_view, std::list<Page>::iterator> byToken_;  // views into pages_
    std::unordered_map<std::string_view, std::list<Page>::iterator> byKey_;
    std::vector<Retired> retired_;
    std::size_t storedBytes_ = 0;
    std::size_t retiredBytes_ = 0;
};

}  // namespace catalogue

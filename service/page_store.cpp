#include "service/page_store.h"

#include <array>
#include <optional>

#include "service/random_bytes.h"

namespace catalogue {

namespace {

// What a page costs besides its text, its key and its token: the list node,
// two map entries and the shared text's control block, about.
constexpr std::size_t kPageOverhead = 256;

std::size_t DatasetBytes(const std::shared_ptr<const Dataset>& dataset) {
    if (!dataset) return 0;
    std::size_t bytes = sizeof(Dataset) + dataset->identifiers.capacity() * sizeof(std::string);
    for (const std::string& identifier : dataset->identifiers) bytes += identifier.capacity() + 1;
    return bytes;
}

}  // namespace

PageStore::PageStore(PageStoreLimits limits, Now now) : limits_(limits), now_(std::move(now)) {}

std::string PageStore::Put(const std::string& key, const std::function<std::string()>& render,
                           std::shared_ptr<const Dataset> dataset) {
    const Clock::time_point now = now_();
    DropExpiredPages(now);
    if (const auto found = byKey_.find(key); found != byKey_.end()) {
        const auto page = found->second;
        page->submitted = now;
        pages_.splice(pages_.end(), pages_, page);  // the newest again
        return page->token;
    }
    std::string html = render();
    html.shrink_to_fit();
    Page page;
    page.token = NewToken();
    page.key = key;
    page.bytes = html.size() + key.size() + kTokenLength + kPageOverhead + DatasetBytes(dataset);
    page.html = std::make_shared<const std::string>(std::move(html));
    page.dataset = std::move(dataset);
    page.submitted = now;
    MakeRoom(page.bytes);
    storedBytes_ += page.bytes;
    pages_.push_back(std::move(page));
    const auto stored = std::prev(pages_.end());
    byToken_.emplace(stored->token, stored);
    byKey_.emplace(stored->key, stored);
    return stored->token;
}

PageStore::Clock::time_point PageStore::DropExpired() {
    DropExpiredPages(now_());
    return pages_.empty() ? Clock::time_point::max() : pages_.front().submitted + limits_.pageLife;
}

std::optional<PageStore::StoredPage> PageStore::FindPage(std::string_view token) {
    DropExpiredPages(now_());
    const auto found = byToken_.find(token);
    if (found == byToken_.end()) return std::nullopt;
    return StoredPage{found->second->html, found->second->dataset, found->second->tag};
}

void PageStore::Replace(std::string_view token, std::string tag, std::string html) {
    const auto found = byToken_.find(token);
    if (found == byToken_.end()) return;
    const auto page = found->second;
    html.shrink_to_fit();
    // The page leaves the list while room is made, so that it is not the one
    // dropped, and comes back to its place: in front of the page that was
    // behind it, or at the front when that one was dropped too (the oldest
    // go first, so every page left is then newer). The node itself never
    // moves: the maps' views into it stay valid, and the cost is the same
    // however many pages there are.
    const auto behind = std::next(page);
    const std::optional<std::string> behindToken =
        behind == pages_.end() ? std::nullopt : std::optional<std::string>(behind->token);
    std::list<Page> aside;
    aside.splice(aside.begin(), pages_, page);
    storedBytes_ -= page->bytes;
    Retire(page->html);
    page->bytes += html.size() - page->html->size();
    page->html = std::make_shared<const std::string>(std::move(html));
    page->tag = std::move(tag);
    MakeRoom(page->bytes);
    storedBytes_ += page->bytes;
    auto place = pages_.begin();
    if (behindToken) {
        const auto still = byToken_.find(*behindToken);
        if (still != byToken_.end()) place = still->second;
    }
    pages_.splice(place, aside, page);
}

void PageStore::MakeRoom(std::size_t bytes) {
    ReleaseRetired();
    while (!pages_.empty() && storedBytes_ + retiredBytes_ + bytes > limits_.maxBytes) DropOldestPage();
}

void PageStore::Retire(const std::shared_ptr<const std::string>& html) {
    // Anyone else holding the text is an answer under way: the text lives until
    // it is sent (or cut off), and is counted till then.
    if (html.use_count() > 1) {
        retired_.push_back({html, html->size()});
        retiredBytes_ += html->size();
    }
}

std::size_t PageStore::Bytes() {
    ReleaseRetired();
    return storedBytes_ + retiredBytes_;
}

void PageStore::DropExpiredPages(Clock::time_point now) {
    while (!pages_.empty() && now - pages_.front().submitted >= limits_.pageLife) DropOldestPage();
}

void PageStore::DropOldestPage() {
    Page& page = pages_.front();
    byToken_.erase(page.token);
    byKey_.erase(page.key);
    storedBytes_ -= page.bytes;
    Retire(page.html);
    pages_.pop_front();
}

void PageStore::ReleaseRetired() {
    std::erase_if(retired_, [this](const Retired& retired) {
        if (!retired.html.expired()) return false;
        retiredBytes_ -= retired.bytes;
        return true;
    });
}

// A token already in use (one chance in 2^128 per page) is drawn again.
std::string PageStore::NewToken() {
    static constexpr char kHex[] = "0123456789abcdef";
    for (;;) {
        std::array<unsigned char, kTokenLength / 2> bits{};
        FillRandomBytes(bits);
        std::string token;
        for (const unsigned char byte : bits) {
            token.push_back(kHex[byte >> 4]);
            token.push_back(kHex[byte & 0x0F]);
        }
        if (!byToken_.contains(token)) return token;
    }
}

}  // namespace catalogue

// Floods of submissions against the running catalogue, over loopback sockets:
// the program's page stays, and the store keeps within its byte bound whatever
// is submitted.

#include <gtest/gtest.h>

#include <string>

#include "service/service.h"
#include "testkit/http_client/http_client.h"

using namespace catalogue;

namespace {

constexpr std::size_t kStoreBound = std::size_t{32} << 20;

class CatalogueFlood : public ::testing::Test {
protected:
    void SetUp() override {
        ServiceOptions options = ParseServiceOptions({"--port", "0", "--no-lookup"});
        catalogue_ = std::make_unique<RunningCatalogue>(options, nullptr);
        catalogue_->Start();
        base_ = "http://localhost:" + std::to_string(catalogue_->Port());
    }

    // The page address of a submitted list.
    std::string Submit(const std::string& list) {
        const auto reply = httpd::Get(catalogue_->Port(), "/input/submit.php?dataset=" + list);
        EXPECT_TRUE(reply && reply->status == 200);
        return reply ? reply->body : std::string();
    }

    int PageStatus(const std::string& address) {
        const auto page = httpd::Get(catalogue_->Port(), address.substr(base_.size()));
        return page ? page->status : 0;
    }

    std::unique_ptr<RunningCatalogue> catalogue_;
    std::string base_;
};

// The greatest list a page takes: 1,000 identifiers of 20 digits, all distinct
// from those of any other `seed`.
std::string LongestList(int seed) {
    std::string list;
    for (int i = 0; i < 1000; ++i) {
        list +=
            (i ? "," : "") + std::to_string(10000000000000000000ull + static_cast<unsigned long long>(seed) * 1000 + i);
    }
    return list;
}

TEST_F(CatalogueFlood, ForeignSubmissionsLeaveTheProgramsPage) {
    const std::string program = Submit("284882215,42");
    for (int i = 0; i < 2000; ++i) Submit(std::to_string(i) + ",7");
    EXPECT_EQ(PageStatus(program), 200);
    EXPECT_EQ(catalogue_->Pages().PageCount(), 2001u);
}

TEST_F(CatalogueFlood, TheLargestListsStayWithinTheStoreBound) {
    const std::string first = Submit(LongestList(0));
    std::string last;
    // About 100 KB of page each: 400 of them are more than the bound holds.
    for (int i = 1; i <= 400; ++i) {
        last = Submit(LongestList(i));
        ASSERT_LE(catalogue_->Pages().StoredBytes(), kStoreBound) << "after " << i;
    }
    EXPECT_EQ(PageStatus(first), 404) << "the oldest went to make room";
    EXPECT_EQ(PageStatus(last), 200);
    EXPECT_GT(catalogue_->Pages().StoredBytes(), kStoreBound / 2);
}

}  // namespace

#include "details/catalogue_request.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/strings.h"

#ifndef VANTREL_SERVICE_HOST
#error "VANTREL_SERVICE_HOST: the configured host, set by CMake"
#endif

using details::ReplyFile;
using details::RequestUrl;
using details::ServiceHost;

namespace {
const std::u16string kHost = platform::Utf8ToWide(VANTREL_SERVICE_HOST);
}

TEST(CatalogueRequest, ServiceHostIsTheConfiguredOne) { EXPECT_EQ(ServiceHost, kHost); }

TEST(CatalogueRequest, RequestUrlIsPlainConcatenation) {
    struct Row {
        const char* name;
        std::u16string_view identifiers;
    };
    const Row rows[] = {
        {"no identifiers: ends with dataset=", u""},
        {"one identifier, no comma", u"343200656"},
        {"commas sent as they are", u"343200656,284882215,343200656"},
        {"nothing percent-encoded", u"a b&c%2C\u00e9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(RequestUrl(row.identifiers),
                  u"http://" + kHost + u"/input/submit.php?dataset=" + std::u16string(row.identifiers));
    }
}

TEST(CatalogueRequest, ReplyFileIsTheHostNameInTheTemporaryFolder) {
    EXPECT_EQ(ReplyFile(u"C:\\Users\\me\\AppData\\Local\\Temp\\"), u"C:\\Users\\me\\AppData\\Local\\Temp\\" + kHost);
}

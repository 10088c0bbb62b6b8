#include "details/catalogue_request.h"

#include "platform/http.h"

#ifndef VANTREL_SERVICE_HOST
#error "VANTREL_SERVICE_HOST names the catalogue service's host; the build defines it"
#endif

namespace details {

// Constant-initialised, so it is ready before any other static object uses it.
const std::u16string_view ServiceHost = u"" VANTREL_SERVICE_HOST;

std::u16string RequestUrl(std::u16string_view identifierList) {
    std::u16string url = u"http://";
    url += ServiceHost;
    url += u"/input/submit.php?dataset=";
    url += identifierList;
    return url;
}

std::u16string ReplyFile(std::u16string_view tempFolder) {
    std::u16string path(tempFolder);
    path += ServiceHost;
    return path;
}

bool SubmitIdentifiers(std::u16string_view identifierList, std::u16string_view replyFile) {
    return platform::DownloadToFile(RequestUrl(identifierList), replyFile);
}

}  // namespace details

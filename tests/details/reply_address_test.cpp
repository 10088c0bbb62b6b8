#include "details/reply_address.h"

#include <gtest/gtest.h>

#include <string>

using details::IsOpenableReplyAddress;

TEST(IsOpenableReplyAddress, Table) {
    struct Case {
        const char* name;
        std::u16string text;
        bool openable;
    };
    const Case cases[] = {
        {"http address", u"http://catalogue.test/apps/1.html", true},
        {"https address with port and query", u"https://a.test:8443/p?dataset=1,2#top", true},
        {"scheme in capitals", u"HTTP://A.TEST/", true},
        {"host only", u"http://a.test", true},
        {"no host", u"http:///path", false},
        {"port without host", u"http://:80/", false},
        {"user info without host", u"http://user@/x", false},
        {"backslash in the host", u"http://a.test\\..\\x", false},
        {"file address", u"file:///C:/Windows/notepad.exe", false},
        {"program path", u"C:\\Windows\\System32\\calc.exe", false},
        {"UNC path", u"\\\\server\\share\\setup.exe", false},
        {"other scheme", u"ms-settings:privacy", false},
        {"relative text", u"apps/1.html", false},
        {"two lines", u"http://a.test/\r\nhttp://b.test/", false},
        {"inner blank", u"http://a.test/ x.exe", false},
        {"tab", u"http://a.test/\tx", false},
        {"DEL", u"http://a.test/\x7f", false},
        {"C1 control", u"http://a.test/\u0085", false},
        {"empty", u"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsOpenableReplyAddress(c.text), c.openable);
    }
}

TEST(IsOpenableReplyAddress, NeverLongerThanTheShellAccepts) {
    const std::u16string base = u"http://a.test/";
    const std::u16string longest = base + std::u16string(details::kMaxShellAddressLength - base.size(), u'x');
    EXPECT_TRUE(IsOpenableReplyAddress(longest));
    EXPECT_FALSE(IsOpenableReplyAddress(longest + u"x"));
}

#include <gtest/gtest.h>

#include "http/cookies.h"
#include "http/url_parts.h"

namespace {

using namespace http;

TEST(UrlParts, HostPortAndPath) {
    struct Case {
        std::string url;
        std::string host, hostWithPort, mainDomain;
        int32_t port;
        std::string path;
    };
    const Case cases[] = {
        {"http://www.Example.com/A/b?q=1#f", "www.example.com", "www.example.com",
         "example.com", 80, "/A/b?q=1#f"},
        {"HTTP://WWW.EXAMPLE.COM:81/X", "www.example.com", "www.example.com:81",
         "example.com:81", 81, "/X"},
        {"https://a.b.c:81", "a.b.c", "a.b.c:81", "b.c:81", 81, "/"},
        {"https://secure.example.com/f.bin", "secure.example.com", "secure.example.com",
         "example.com", 443, "/f.bin"},
        {"HTTPS://x.org/p", "x.org", "x.org", "x.org", 443, "/p"},
        {"example.com/file", "example.com", "example.com", "example.com", 80, "/file"},
        {"localhost", "localhost", "localhost", "localhost", 80, "/"},
        {"http://a.com?x=1", "a.com?x=1", "a.com?x=1", "a.com?x=1", 80, "/"},
        {"http://a.com:/x", "a.com", "a.com:", "a.com:", 0, "/x"},
        {"http://a.com:8o/x", "a.com", "a.com:8o", "a.com:8o", 8, "/x"},
        {"http://127.0.0.1:8080/f", "127.0.0.1", "127.0.0.1:8080", "0.1:8080", 8080, "/f"},
        {"", "", "", "", 80, "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(UrlHost(c.url), c.host);
        EXPECT_EQ(UrlHost(c.url, false, true), c.hostWithPort);
        EXPECT_EQ(UrlHost(c.url, true, true), c.mainDomain);
        EXPECT_EQ(UrlPort(c.url), c.port);
        EXPECT_EQ(UrlPath(c.url), c.path);
    }
    // The main domain keeps a port on its last label until the port is removed.
    EXPECT_EQ(UrlHost("http://a.b.c:81/", true), "b.c");
}

TEST(Cookies, MergeReplacesDropsAndKeeps) {
    struct Case {
        std::string kept, received, expected;
    };
    const Case cases[] = {
        {"a=1; b=2", "b=3; c=; a=deleted; ", "b=3"},
        {"x=1", "y=2; ", "y=2; x=1"},
        {"a=1", "b=2; ", "b=2; a=1"},
        {"k=a b", "", "k=ab"},
        {"", "", ""},
        {"flag", "a=1; ", "a=1; flag"},
        {"a=1; a=2", "", "a=1"},
        {"", "a=1; a=1; ", "a=1"},
        {"a=1", "b=deleted; ", "a=1"},
        {"a = 1 ; b=2", " a=3 ;", "a=3; b=2"},
    };
    for (const auto& c : cases) {
        std::string kept = c.kept, received = c.received;
        EXPECT_EQ(MergeCookies(kept, received), c.expected) << c.kept << " + " << c.received;
        EXPECT_EQ(kept, c.expected);
        EXPECT_EQ(received.find(' '), std::string::npos);
    }
}

TEST(Cookies, EntryHelpers) {
    EXPECT_EQ(CookieName(" a = 1 "), "a");
    EXPECT_EQ(CookieValue(" a = 1 "), "1");
    EXPECT_EQ(CookieValue("a=b=c"), "b=c");
    EXPECT_EQ(CookieName(" flag "), "flag");
    EXPECT_EQ(CookieValue("flag"), "");
    EXPECT_EQ(CookieValue("a="), "");

    TextList entries{"a=1", "b=", "c", "d= ", "e=2"};
    DropEmptyCookies(entries);
    EXPECT_EQ(entries, (TextList{"a=1", "e=2"}));

    EXPECT_TRUE(HasCookieName({"x=1", " a =2"}, "a"));
    EXPECT_FALSE(HasCookieName({"x=1"}, "X"));
    EXPECT_FALSE(HasCookieName({}, ""));
}

} // namespace

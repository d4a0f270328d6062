#include <gtest/gtest.h>

#include "http/request_headers.h"

namespace {

using namespace http;

TEST(RequestHeaders, AgentComesFromAUserAgentLineOrIsTheFixedOne) {
    struct Case {
        std::string headers, agent;
    };
    const Case cases[] = {
        {"", std::string(kDefaultAgent)},
        {"Accept: x", std::string(kDefaultAgent)},
        {"User-Agent: Mine/1.0\r\nAccept: x", "Mine/1.0"},
        {"accept: x\r\nuser-agent:   Two Words  ", "Two Words"},
        // An empty value: the text after the first colon of the whole text, first line only.
        {"Referer: r\r\nUser-Agent:", "r"},
        {"User-Agent:\r\nAccept: x", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(RequestAgent(c.headers), c.agent) << c.headers;
}

TEST(RequestHeaders, ComposeAddsOnlyTheMissingDefaultLines) {
    const std::string url = "http://h.example/f?x=1";
    const std::string tail =
        "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";
    struct Case {
        std::string headers, composed;
    };
    const Case cases[] = {
        {"", "Referer: " + url + "\r\nAccept: */*" + tail},
        {"accept: text/html", "accept: text/html\r\nReferer: " + url + tail},
        // A made-up header ending in "Accept:" counts as present.
        {"X-Accept: 1", "X-Accept: 1\r\nReferer: " + url + tail},
        {"REFERER: r\r\nAccept-Language: en\r\ncontent-type: a/b\r\nAccept: q",
         "REFERER: r\r\nAccept-Language: en\r\ncontent-type: a/b\r\nAccept: q"},
        {"Cookie: z=1", "Cookie: z=1\r\nReferer: " + url + "\r\nAccept: */*" + tail},
    };
    for (const auto& c : cases) EXPECT_EQ(ComposeRequestHeaders(c.headers, url), c.composed);
}

TEST(RequestHeaders, CookiesAreTakenFromSetCookieLines) {
    EXPECT_EQ(CookiesFromHeaderBlock("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\n"
                                     "Content-Length: 0\r\nset-cookie:  b=2\r\n\r\n"),
              "a=1; b=2; ");
    // A line that mentions Set-Cookie without "Set-Cookie:" gives an empty entry.
    EXPECT_EQ(CookiesFromHeaderBlock("HTTP/1.1 200 OK\r\nSet-Cookie2: c=3\r\n\r\n"), "; ");
    EXPECT_EQ(CookiesFromHeaderBlock("HTTP/1.1 200 OK\r\n\r\n"), "");
    EXPECT_EQ(CookiesFromHeaderBlock(std::string(kHeaderBlockRoom, ' ')), "");
}

TEST(RequestHeaders, ABlockThatDoesNotFitBecomesBlanks) {
    const std::string blanks(kHeaderBlockRoom, ' ');
    EXPECT_EQ(FitHeaderBlock(""), blanks);
    std::string fits(kHeaderBlockRoom - 1, 'x');
    EXPECT_EQ(FitHeaderBlock(fits), fits);
    EXPECT_EQ(FitHeaderBlock(fits + "x"), blanks);
}

} // namespace

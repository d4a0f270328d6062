#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/run_state.h"
#include "http/raw_server.h"
#include "http/request_headers.h"
#include "http/servers.h"
#include "http/web_request.h"

namespace {

using namespace http_test;
using http::WebRequest;
using http::WebRequestOptions;
using Clock = std::chrono::steady_clock;

const std::string kBlanks(http::kHeaderBlockRoom, ' ');

// The routes most tests need.
void TestRoutes(httplib::Server& s) {
    s.Get(R"(/size/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(Pattern(std::stoul(req.matches[1])), "application/octet-stream");
    });
    s.Get("/status/404", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("not here", "text/plain");
    });
    s.Get("/status/500", [](const httplib::Request&, httplib::Response& res) {
        res.status = 500;
        res.set_content("broken", "text/plain");
    });
    s.Get("/cookies", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Set-Cookie", "b=2; path=/");
        res.set_header("Set-Cookie", "c=3");
        res.set_content(req.get_header_value("Cookie"), "text/plain");
    });
    s.Get(R"(/hop/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        int left = std::stoi(req.matches[1]);
        if (left == 0) {
            res.set_header("Set-Cookie", "final=1");
            res.set_content("arrived", "text/plain");
            return;
        }
        res.set_header("Set-Cookie", "hop=1");
        res.set_redirect("/hop/" + std::to_string(left - 1));
        res.set_content("moved", "text/plain");
    });
    s.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/loop");
    });
    s.Get("/to-ftp", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("ftp://127.0.0.1/file");
        res.set_content("moved", "text/plain");
    });
    s.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("file:///etc/passwd");
        res.set_content("moved", "text/plain");
    });
}

class WebRequestTest : public NetTest {
protected:
    HttpServer server_{TestRoutes};
};

TEST_F(WebRequestTest, BodiesOfEverySizeArriveWholeAndAreCountedOnce) {
    for (std::size_t size : {0u, 1u, 102400u, 102401u, 1000000u}) {
        SCOPED_TRACE(size);
        app::RunState().Counter->Exchange(0);
        WebRequestOptions o;
        o.timeLimitSeconds = 30;
        std::string body = WebRequest(server_.Url("/size/" + std::to_string(size)), o);
        EXPECT_EQ(body, Pattern(size));
        EXPECT_EQ(Counted(), static_cast<int32_t>(size));
    }
    // One pause after every chunk, and at least one chunk per 102400 bytes.
    EXPECT_GE(ChunkPauses(), 1 + 1 + 2 + 10);
}

TEST_F(WebRequestTest, WithoutKeepBodyTheBytesAreCountedButNotReturned) {
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    o.keepBody = false;
    EXPECT_EQ(WebRequest(server_.Url("/size/500000"), o), "");
    EXPECT_EQ(Counted(), 500000);
}

TEST_F(WebRequestTest, ErrorBodiesAreReadLikeAnyOther) {
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    std::string headers;
    o.returnedHeaders = &headers;
    EXPECT_EQ(WebRequest(server_.Url("/status/404"), o), "not here");
    EXPECT_EQ(headers.rfind("HTTP/1.1 404 ", 0), 0u) << headers;
    EXPECT_EQ(WebRequest(server_.Url("/status/500"), o), "broken");
    EXPECT_EQ(headers.rfind("HTTP/1.1 500 ", 0), 0u) << headers;
    EXPECT_EQ(Counted(), 8 + 6);
}

TEST_F(WebRequestTest, CookiesAreSentCollectedAndMerged) {
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    std::string cookies = "a=1; b=1", returned = "old";
    o.cookies = &cookies;
    o.returnedCookies = &returned;
    // With returnedCookies asked for, the kept cookies stay as they are.
    EXPECT_EQ(WebRequest(server_.Url("/cookies"), o), "a=1; b=1");
    EXPECT_EQ(returned, "b=2; c=3; ");
    EXPECT_EQ(cookies, "a=1; b=1");

    // Without it, the kept cookies take in the received ones.
    o.returnedCookies = nullptr;
    WebRequest(server_.Url("/cookies"), o);
    EXPECT_EQ(cookies, "b=2; c=3; a=1");

    // No cookies given: nothing is sent and nothing merged.
    WebRequestOptions plain;
    plain.timeLimitSeconds = 30;
    EXPECT_EQ(WebRequest(server_.Url("/cookies"), plain), "");
}

TEST_F(WebRequestTest, RedirectsAreFollowedUpToTenTimesOnlyToHttp) {
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    std::string headers, cookies;
    o.returnedHeaders = &headers;
    o.returnedCookies = &cookies;

    EXPECT_EQ(WebRequest(server_.Url("/hop/10"), o), "arrived");
    // The header block is the final response's.
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 ", 0), 0u) << headers;
    EXPECT_EQ(cookies, "final=1; ");

    struct Failing {
        std::string path;
    };
    for (const char* path : {"/hop/11", "/loop", "/to-ftp", "/to-file"}) {
        SCOPED_TRACE(path);
        app::RunState().Counter->Exchange(0);
        auto start = Clock::now();
        EXPECT_EQ(WebRequest(server_.Url(path), o), "");
        EXPECT_LT(SecondsSince(start), 5);
        EXPECT_EQ(headers, kBlanks);
        EXPECT_EQ(cookies, "");
        EXPECT_EQ(Counted(), 0);
    }

    // noRedirect: the redirect comes back as it is, body and all.
    o.noRedirect = 1;
    EXPECT_EQ(WebRequest(server_.Url("/hop/3"), o), "moved");
    EXPECT_EQ(headers.rfind("HTTP/1.1 302 ", 0), 0u) << headers;
    EXPECT_NE(headers.find("Location: /hop/2\r\n"), std::string::npos);
    EXPECT_EQ(cookies, "hop=1; ");
    EXPECT_EQ(WebRequest(server_.Url("/to-file"), o), "moved");
}

TEST_F(WebRequestTest, ParallelCallsCountEveryByteExactlyOnce) {
    constexpr int kThreads = 8;
    constexpr int kSize = 300000;
    std::atomic<int> whole{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&] {
            WebRequestOptions o;
            o.timeLimitSeconds = 30;
            if (WebRequest(server_.Url("/size/" + std::to_string(kSize)), o) == Pattern(kSize))
                ++whole;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(whole, kThreads);
    EXPECT_EQ(Counted(), kThreads * kSize);
}

TEST_F(WebRequestTest, NoCounterMeansNothingIsCounted) {
    measure::ByteCounter* counter = app::RunState().Counter;
    app::RunState().Counter = nullptr;
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    EXPECT_EQ(WebRequest(server_.Url("/size/1000"), o), Pattern(1000));
    app::RunState().Counter = counter;
    EXPECT_EQ(Counted(), 0);
}

// --- requests as the server sees them ---------------------------------------------------

class RequestTextTest : public NetTest {
protected:
    RawServer server_{[](Connection& c) { c.Send(ResponseHead(200, 2) + "ok"); }};

    std::string Sent() {
        auto requests = server_.Requests();
        return requests.empty() ? std::string() : requests.back();
    }
    static int Lines(const std::string& request, const std::string& nameColon) {
        int n = 0;
        std::string lower = request, name = nameColon;
        for (auto* s : {&lower, &name})
            for (char& ch : *s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        for (std::size_t at = lower.find("\r\n" + name); at != std::string::npos;
             at = lower.find("\r\n" + name, at + 2))
            ++n;
        return n;
    }
};

TEST_F(RequestTextTest, AGetSendsExactlyTheComposedLines) {
    const std::string url = server_.Url("/Path/f.bin?q=1");
    std::string headers;
    WebRequestOptions o;
    o.headers = &headers;
    o.timeLimitSeconds = 30;
    EXPECT_EQ(WebRequest(url, o), "ok");
    const std::string expectedHead =
        "GET /Path/f.bin?q=1 HTTP/1.1\r\n"
        "Host: 127.0.0.1:" + std::to_string(server_.port()) + "\r\n"
        "User-Agent: " + std::string(http::kDefaultAgent) + "\r\n"
        "Referer: " + url + "\r\n"
        "Accept: */*\r\n"
        "Accept-Language: zh-cn\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\n\r\n";
    EXPECT_EQ(Sent(), expectedHead);
    // The caller's headers come back composed.
    EXPECT_EQ(headers, http::ComposeRequestHeaders("", url));
}

TEST_F(RequestTextTest, CallerLinesReplaceTheDefaultsWithoutDuplicates) {
    std::string headers = "accept: text/html\r\nUser-Agent: Mine/2\r\nX-Empty:";
    std::string cookies = "k=v; j=w\rX-Injected: 1";
    WebRequestOptions o;
    o.headers = &headers;
    o.cookies = &cookies;
    o.timeLimitSeconds = 30;
    WebRequest(server_.Url("/"), o);
    std::string sent = Sent();
    EXPECT_EQ(Lines(sent, "Accept:"), 1);
    EXPECT_NE(sent.find("\r\naccept: text/html\r\n"), std::string::npos) << sent;
    EXPECT_EQ(Lines(sent, "User-Agent:"), 1);
    EXPECT_NE(sent.find("\r\nUser-Agent: Mine/2\r\n"), std::string::npos) << sent;
    EXPECT_EQ(Lines(sent, "X-Empty:"), 1);
    EXPECT_NE(sent.find("\r\nCookie: k=v; j=w X-Injected: 1\r\n"), std::string::npos) << sent;
    EXPECT_EQ(Lines(sent, "X-Injected:"), 0);
    EXPECT_EQ(Lines(sent, "Accept-Encoding:"), 0);
    // The composed text handed back leaves out the Cookie line.
    EXPECT_EQ(headers.find("Cookie"), std::string::npos);

    // A made-up "X-Accept:" counts as an Accept line, so none is sent.
    headers = "X-Accept: 1";
    WebRequest(server_.Url("/"), o);
    sent = Sent();
    EXPECT_EQ(Lines(sent, "Accept:"), 0) << sent;
    EXPECT_EQ(Lines(sent, "X-Accept:"), 1) << sent;
}

TEST_F(RequestTextTest, PostSendsItsBodyEvenWhenEmpty) {
    struct Case {
        std::optional<std::string> post;
        std::string verb;
    };
    const std::string big = Pattern(1500000);
    const Case cases[] = {{std::nullopt, "GET"}, {std::string(), "POST"},
                          {std::string("a=1&b=2"), "POST"}, {big, "POST"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.verb + std::to_string(c.post ? c.post->size() : 0));
        WebRequestOptions o;
        o.postData = c.post;
        o.timeLimitSeconds = 30;
        EXPECT_EQ(WebRequest(server_.Url("/form"), o), "ok");
        std::string sent = Sent();
        EXPECT_EQ(sent.rfind(c.verb + " /form HTTP/1.1\r\n", 0), 0u) << sent.substr(0, 200);
        EXPECT_EQ(Lines(sent, "Expect:"), 0);
        EXPECT_EQ(Lines(sent, "Content-Type:"), 1);
        std::string body = sent.substr(sent.find("\r\n\r\n") + 4);
        if (c.post) {
            EXPECT_NE(sent.find("\r\nContent-Length: " + std::to_string(c.post->size()) + "\r\n"),
                      std::string::npos);
            EXPECT_TRUE(body == *c.post);
        } else {
            EXPECT_EQ(Lines(sent, "Content-Length:"), 0);
            EXPECT_EQ(body, "");
        }
    }
}

TEST_F(RequestTextTest, ASetUpFailureChangesNoVariable) {
    std::string headers = "X: 1", cookies = "a=1", returnedHeaders = "untouched";
    WebRequestOptions o;
    o.headers = &headers;
    o.cookies = &cookies;
    o.returnedHeaders = &returnedHeaders;
    EXPECT_EQ(WebRequest("http://bad host/", o), "");
    EXPECT_EQ(WebRequest("http://127.0.0.1:70000/", o), "");
    EXPECT_EQ(headers, "X: 1");
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(returnedHeaders, "untouched");
    EXPECT_EQ(server_.Connections(), 0);
}

TEST_F(RequestTextTest, AFailedConnectionStillComposesTheHeaders) {
    const std::string url = "http://127.0.0.1:" + std::to_string(FreePort()) + "/";
    std::string headers, returnedHeaders = "x", returnedCookies = "x";
    WebRequestOptions o;
    o.headers = &headers;
    o.returnedHeaders = &returnedHeaders;
    o.returnedCookies = &returnedCookies;
    EXPECT_EQ(WebRequest(url, o), "");
    EXPECT_EQ(headers, http::ComposeRequestHeaders("", url));
    EXPECT_EQ(returnedHeaders, kBlanks);
    EXPECT_EQ(returnedCookies, "");
    EXPECT_EQ(Counted(), 0);
}

// --- the read loop against servers that pace, stall and break ---------------------------

// Sends `pieces` pieces of 1000 bytes, `gapMs` apart.
RawServer::Handler Paced(int pieces, int gapMs) {
    return [pieces, gapMs](Connection& c) {
        c.Send(ResponseHead(200, static_cast<std::size_t>(pieces) * 1000));
        for (int i = 0; i < pieces; ++i) {
            if (!c.Send(std::string(1000, 'p')) || !c.Wait(gapMs)) return;
        }
    };
}

using ReadLoopTest = NetTest;

TEST_F(ReadLoopTest, ByteLimitStopsOnlyWhenTheTotalGoesAbove) {
    RawServer server(Paced(6, 60));
    struct Case {
        std::optional<int32_t> limit;
        std::size_t expected;
    };
    const Case cases[] = {{std::nullopt, 6000}, {0, 6000}, {-5, 6000}, {2000, 3000},
                          {2500, 3000},         {1, 1000}, {5999, 6000}, {6000, 6000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit.value_or(-999));
        app::RunState().Counter->Exchange(0);
        WebRequestOptions o;
        o.byteLimit = c.limit;
        o.timeLimitSeconds = 30;
        EXPECT_EQ(WebRequest(server.Url(), o).size(), c.expected);
        EXPECT_EQ(Counted(), static_cast<int32_t>(c.expected));
    }
}

// Notes the counter at every pause, so the chunks between pauses can be measured.
class ChunkRecordingUi : public platform::HeadlessUi {
public:
    ChunkRecordingUi() : HeadlessUi(Clock::Real, Threads::Run) {}
    void Delay(int64_t ms) override {
        counts_.push_back(app::RunState().Counter->Read());
        HeadlessUi::Delay(ms);
    }
    std::vector<int32_t> Chunks() const {
        std::vector<int32_t> sizes;
        int32_t before = 0;
        for (int32_t c : counts_) {
            sizes.push_back(c - before);
            before = c;
        }
        return sizes;
    }

private:
    std::vector<int32_t> counts_;
};

TEST_F(ReadLoopTest, LargeBurstsAreTakenInChunksOfAtMost102400Bytes) {
    constexpr std::size_t kSize = 3 * 1024 * 1024;
    RawServer server([](Connection& c) { c.Send(ResponseHead(200, kSize) + Pattern(kSize)); });
    ChunkRecordingUi recorder;
    platform::InstallServices(&recorder);
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    std::string body = WebRequest(server.Url(), o);
    platform::InstallServices(ui_.get());
    EXPECT_TRUE(body == Pattern(kSize));
    EXPECT_EQ(Counted(), static_cast<int32_t>(kSize));
    auto chunks = recorder.Chunks();
    int full = 0;
    for (int32_t size : chunks) {
        EXPECT_GT(size, 0);
        EXPECT_LE(size, 102400);
        full += size == 102400;
    }
    // The socket fills during each pause, so nearly every chunk is a whole one.
    EXPECT_GE(full, static_cast<int>(chunks.size()) - 3) << chunks.size() << " chunks";
}

TEST_F(ReadLoopTest, ChunkedBodiesCountOnlyTheirData) {
    RawServer server([](Connection& c) {
        c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n");
        c.Send("5\r\nhello\r\n");
        c.Wait(30);
        c.Send("6\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n");
    });
    std::string headers;
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    o.returnedHeaders = &headers;
    EXPECT_EQ(WebRequest(server.Url(), o), "hello world");
    EXPECT_EQ(Counted(), 11);
    EXPECT_EQ(headers,
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n");
}

TEST_F(ReadLoopTest, CompressedBodiesAreNotUnpacked) {
    // Not real gzip data: a client that tried to unpack it would fail or change it.
    const std::string packed = "\x1f\x8b\x08\x00" + Pattern(5000);
    RawServer server([&packed](Connection& c) {
        c.Send(ResponseHead(200, packed.size(), "Content-Encoding: gzip\r\n") + packed);
    });
    std::string headers = "Accept-Encoding: gzip";
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    o.headers = &headers;
    EXPECT_TRUE(WebRequest(server.Url(), o) == packed);
    EXPECT_EQ(Counted(), static_cast<int32_t>(packed.size()));
    // Accept-Encoding went out only because the caller wrote it.
    EXPECT_NE(server.Requests().at(0).find("\r\nAccept-Encoding: gzip\r\n"), std::string::npos);
}

TEST_F(ReadLoopTest, TimeLimitEndsTheLoopAfterTheChunkThatPassesIt) {
    RawServer server(Paced(100, 50));
    WebRequestOptions o;
    o.timeLimitSeconds = 0;
    auto start = Clock::now();
    std::size_t got = WebRequest(server.Url(), o).size();
    EXPECT_GE(got, 1000u);
    EXPECT_LE(got, 3000u);
    EXPECT_LT(SecondsSince(start), 1.0);

    o.timeLimitSeconds = 1;
    start = Clock::now();
    got = WebRequest(server.Url(), o).size();
    double took = SecondsSince(start);
    EXPECT_GE(took, 1.0);
    EXPECT_LT(took, 2.0);
    EXPECT_GE(got, 10000u);
    EXPECT_LE(got, 25000u);
}

// Head and 1000 bytes of a 100000-byte body, then nothing.
void SendHeadAndALittleThenStall(Connection& c) {
    c.Send(ResponseHead(200, 100000) + std::string(1000, 's'));
    c.Wait(20000);
}

TEST_F(ReadLoopTest, OnTheUserInterfaceThreadEventsAreDispatchedWhileDataIsAwaited) {
    RawServer stalling(SendHeadAndALittleThenStall);
    WebRequestOptions o;
    o.timeoutSeconds = 1;
    o.timeLimitSeconds = 30;
    std::atomic<double> dispatchedAt{-1};
    const auto start = Clock::now();
    // A click arrives while the request waits for data that never comes.
    std::thread clicker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ui_->Post([&] { dispatchedAt = SecondsSince(start); });
    });
    EXPECT_EQ(WebRequest(stalling.Url(), o).size(), 1000u);
    const double ended = SecondsSince(start);
    clicker.join();
    EXPECT_GE(dispatchedAt, 0.29);
    EXPECT_LT(dispatchedAt, ended - 0.3) << "the click waited for the request to end";
}

TEST_F(ReadLoopTest, AStallEndsWithinTheReceiveTimeout) {
    RawServer stalling(SendHeadAndALittleThenStall);
    WebRequestOptions o;
    o.timeoutSeconds = 1;
    o.timeLimitSeconds = 30;
    auto start = Clock::now();
    EXPECT_EQ(WebRequest(stalling.Url(), o).size(), 1000u);
    double took = SecondsSince(start);
    EXPECT_GE(took, 0.9);
    EXPECT_LT(took, 2.0);

    // The stall begins before the time limit and lasts past it: the time-out still rules.
    o.timeoutSeconds = 2;
    o.timeLimitSeconds = 1;
    start = Clock::now();
    EXPECT_EQ(WebRequest(stalling.Url(), o).size(), 1000u);
    took = SecondsSince(start);
    EXPECT_GE(took, 1.9);
    EXPECT_LT(took, 3.0);

    // No response at all.
    RawServer silent([](Connection& c) { c.Wait(20000); });
    std::string headers;
    o.timeoutSeconds = 1;
    o.returnedHeaders = &headers;
    start = Clock::now();
    EXPECT_EQ(WebRequest(silent.Url(), o), "");
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_EQ(headers, kBlanks);
}

TEST_F(ReadLoopTest, AResetMidBodyKeepsWhatArrived) {
    RawServer server([](Connection& c) {
        c.Send(ResponseHead(200, 1000000) + Pattern(50000));
        c.Wait(100);
        c.Reset();
    });
    std::string headers;
    WebRequestOptions o;
    o.timeLimitSeconds = 30;
    o.returnedHeaders = &headers;
    EXPECT_EQ(WebRequest(server.Url(), o), Pattern(50000));
    EXPECT_EQ(Counted(), 50000);
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 X\r\n", 0), 0u);
}

TEST_F(ReadLoopTest, TheHeaderBlockMustFitItsRoom) {
    auto headWithPad = [](std::size_t pad) {
        return ResponseHead(200, 4, "X-Pad: " + std::string(pad, 'x') +
                                        "\r\nSet-Cookie: s=1\r\n");
    };
    const std::string small = headWithPad(100);
    for (const std::string& head : {small, headWithPad(6000)}) {
        RawServer server([head](Connection& c) { c.Send(head + "body"); });
        std::string headers, cookies;
        WebRequestOptions o;
        o.timeLimitSeconds = 30;
        o.returnedHeaders = &headers;
        o.returnedCookies = &cookies;
        EXPECT_EQ(WebRequest(server.Url(), o), "body");
        if (head == small) {
            EXPECT_EQ(headers, head);
            EXPECT_EQ(cookies, "s=1; ");
        } else {
            EXPECT_EQ(headers, kBlanks);
            EXPECT_EQ(cookies, "");
        }
    }
}

} // namespace

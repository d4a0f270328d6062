// Test fixture for requests against real loopback servers: the in-memory window layer with a
// real clock, the shared byte counter, and a cpp-httplib server that serves test routes.
#pragma once
#include <httplib.h>

#include <functional>
#include <string>
#include <thread>

#include "support/headless_fixture.h"

namespace http_test {

// n bytes that are not all alike, so a lost or repeated chunk shows.
std::string Pattern(std::size_t n);

class HttpServer {
public:
    explicit HttpServer(const std::function<void(httplib::Server&)>& routes);
    ~HttpServer();
    int port() const { return port_; }
    std::string Url(const std::string& path) const;

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};

class NetTest : public testing_support::HeadlessTest {
protected:
    NetTest()
        : HeadlessTest(platform::HeadlessUi::Clock::Real, platform::HeadlessUi::Threads::Run) {}
    int32_t Counted() const;
    // The 10-ms pauses the read loop made so far (one after every chunk it took).
    int ChunkPauses() const;
    static double SecondsSince(std::chrono::steady_clock::time_point start);
};

} // namespace http_test

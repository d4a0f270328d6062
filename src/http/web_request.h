// One HTTP or HTTPS request, GET or POST, directly or through a proxy, with every received
// chunk counted in the run's byte counter.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace http {

// The optional parameters; an omitted one is std::nullopt / nullptr. In-out and out
// parameters point at the caller's variables.
struct WebRequestOptions {
    std::optional<std::string> postData; // given (even empty): POST with these bytes
    std::string* cookies = nullptr;          // in-out
    std::string* returnedCookies = nullptr;  // out
    std::string* headers = nullptr;          // in-out
    std::string* returnedHeaders = nullptr;  // out
    std::optional<int32_t> noRedirect;
    std::optional<std::string> proxy;        // host:port
    std::optional<int32_t> timeoutSeconds;   // connect, send and receive; default 15
    std::optional<int32_t> byteLimit;
    std::optional<int32_t> timeLimitSeconds;
    // false: the body is counted but not kept (the download workers), and the result is
    // empty. Memory then stays flat however long the download runs.
    bool keepBody = true;
};

// Returns the body received (possibly cut short by the limits), or "" when nothing came or
// the request could not be set up.
std::string WebRequest(const std::string& url, const WebRequestOptions& options = {});

// Initialises the HTTP layer once; called at start-up before any thread is started (later
// calls do nothing).
void InitHttp();

} // namespace http

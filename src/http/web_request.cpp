#include "http/web_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <mutex>

#include "app/delay.h"
#include "app/run_state.h"
#include "http/cookies.h"
#include "http/request_headers.h"
#include "http/text_rules.h"
#include "http/url_parts.h"
#include "platform/ui.h"

namespace http {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kChunkBytes = 102400;
constexpr int32_t kChunkPauseMs = 10;
constexpr int32_t kDefaultTimeoutSeconds = 15;
constexpr long kMaxRedirects = 10;
// How often the transfer loop wakes up to look at its receive watchdog.
constexpr int kWatchIntervalMs = 100;
// On the user-interface thread (the settings window's node checks) waits are short, so
// that the windows keep answering while a node is slow to send.
constexpr int kUiWatchIntervalMs = 10;

std::once_flag g_initOnce;

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, CurlEasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, CurlMultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, CurlListDeleter>;

// Everything one call shares with libcurl's callbacks.
struct Transfer {
    // Body bytes libcurl has handed over that the read loop has not taken yet. libcurl hands
    // them over in small pieces; the loop takes them in chunks of up to kChunkBytes and
    // lets libcurl read the socket again only once less than a chunk is waiting, so TCP
    // flow control, not memory, holds the sender back.
    std::size_t pending = 0;

    // Read loop
    bool keepBody = true;
    std::string body; // taken bytes, then the pending ones (cut off when the loop ends)
    int64_t total = 0;
    int64_t byteLimit = 0;
    uint32_t entryMs = 0;
    int64_t timeLimitMs = 0;

    // Receive watchdog: armed once a request has gone out on a connection.
    bool requestSent = false;
    SteadyClock::time_point lastActivity;

    // Header block of the latest response.
    std::string block;
    bool haveStatus = false;
    bool blockComplete = false;
};

// Takes one chunk of up to kChunkBytes from what has arrived: counts it, checks the limits
// and pauses. False when the loop is to end.
bool TakeChunk(Transfer& t) {
    const std::size_t size = std::min(kChunkBytes, t.pending);
    t.pending -= size;
    t.total += static_cast<int64_t>(size);
    if (measure::ByteCounter* counter = app::RunState().Counter)
        counter->Add(static_cast<int32_t>(size));
    if (t.byteLimit > 0 && t.total > t.byteLimit) return false;
    uint32_t elapsed = platform::Services().UptimeMs() - t.entryMs;
    if (static_cast<int64_t>(elapsed) > t.timeLimitMs) return false;
    app::DelayWithEvents(kChunkPauseMs);
    return true;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    // A caller that does not want the body does not pay for keeping it.
    if (t.keepBody) t.body.append(data, length);
    t.pending += length;
    t.lastActivity = SteadyClock::now();
    return length;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    t.lastActivity = SteadyClock::now();
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.substr(0, 5) == "HTTP/") {
        // Interim (1xx) and redirect responses come first; only the last block counts.
        t.block.clear();
        t.haveStatus = true;
        t.blockComplete = false;
    } else if (!t.haveStatus || t.blockComplete) {
        return length; // trailers after a chunked body are not part of the block
    }
    if (t.block.size() < kHeaderBlockRoom) {
        t.block += line;
        t.block += "\r\n";
    } else {
        t.block.resize(kHeaderBlockRoom); // too big already; stays too big
    }
    if (line.empty()) t.blockComplete = true;
    return length;
}

int OnRequestReady(void* user, char*, char*, int, int) {
    auto& t = *static_cast<Transfer*>(user);
    t.requestSent = true;
    t.lastActivity = SteadyClock::now();
    return CURL_PREREQFUNC_OK;
}

std::string HeaderName(std::string_view line) {
    auto colon = line.find(':');
    return ToLowerAscii(Trim(line.substr(0, colon == std::string_view::npos ? 0 : colon)));
}

// The composed lines as libcurl takes them, plus removals of the lines libcurl would add
// by itself, so that only the composed lines and what HTTP/1.1 needs are sent.
bool BuildHeaderList(const std::string& text, bool post, HeaderList& list) {
    bool hasAccept = false, hasContentType = false, hasExpect = false;
    auto add = [&list](const std::string& line) {
        curl_slist* grown = curl_slist_append(list.get(), line.c_str());
        if (grown == nullptr) return false;
        list.release();
        list.reset(grown);
        return true;
    };
    for (auto line : Split(text, "\r\n")) {
        // A stray CR or LF (a cookie value can carry one from a server) must not start a
        // header line of its own.
        std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        if (line.find(':') == std::string::npos) continue;
        std::string name = HeaderName(line);
        if (name.empty() || name == "user-agent") continue; // the agent goes on its own
        hasAccept |= name == "accept";
        hasContentType |= name == "content-type";
        hasExpect |= name == "expect";
        std::string entry = line;
        // "Name:" alone would make libcurl drop the header; "Name;" sends it empty.
        if (HeaderLineValue(line).empty()) entry = line.substr(0, line.find(':')) + ";";
        if (!add(entry)) return false;
    }
    if (!hasAccept && !add("Accept:")) return false;
    if (!hasExpect && !add("Expect:")) return false;
    if (post && !hasContentType && !add("Content-Type:")) return false;
    return true;
}

std::string EscapePath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The address libcurl connects to: the host, port and path the URL helpers take out of
// `url`, on TLS when it starts with "https". Empty when they make no valid URL.
std::string RequestAddress(const std::string& url, bool secure) {
    std::string host = UrlHost(url);
    int32_t port = UrlPort(url);
    if (port == 0) port = secure ? 443 : 80;
    if (host.empty() || port < 0 || port > 65535 ||
        host.find_first_of("/?#@\\ \t\r\n") != std::string::npos)
        return {};
    std::string address = std::string(secure ? "https" : "http") + "://" + host + ":" +
                          std::to_string(port) + EscapePath(UrlPath(url));
    CURLU* parsed = curl_url();
    if (parsed == nullptr) return {};
    bool valid = curl_url_set(parsed, CURLUPART_URL, address.c_str(), 0) == CURLUE_OK;
    curl_url_cleanup(parsed);
    return valid ? address : std::string();
}

} // namespace

void InitHttp() {
    std::call_once(g_initOnce, [] {
#ifdef SIGPIPE
        // A peer that closes early must not end the program.
        std::signal(SIGPIPE, SIG_IGN);
#endif
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

std::string WebRequest(const std::string& url, const WebRequestOptions& options) {
    InitHttp();
    Transfer t;
    t.entryMs = platform::Services().UptimeMs();
    t.timeLimitMs = static_cast<int64_t>(options.timeLimitSeconds.value_or(0)) * 1000;
    const int32_t timeoutSeconds = options.timeoutSeconds.value_or(0) > 0
                                       ? *options.timeoutSeconds
                                       : kDefaultTimeoutSeconds;
    const long timeoutMs = static_cast<long>(timeoutSeconds) * 1000;
    t.byteLimit = options.byteLimit.value_or(0);
    t.keepBody = options.keepBody;
    const bool post = options.postData.has_value();
    const bool secure = ToLowerAscii(Left(url, 5)) == "https";
    const std::string callerHeaders = options.headers ? *options.headers : std::string();
    const std::string cookies = options.cookies ? *options.cookies : std::string();
    const std::string agent = RequestAgent(callerHeaders);

    // Proxy: a bare host:port serves every protocol when the URL is on port 443; otherwise
    // it serves plain HTTP only and an https URL goes direct.
    std::string proxy;
    if (options.proxy && !options.proxy->empty() &&
        (UrlPort(url) == 443 || !secure))
        proxy = *options.proxy;

    const std::string address = RequestAddress(url, secure);
    if (address.empty()) return {};

    const std::string composed = ComposeRequestHeaders(callerHeaders, url);
    std::string sent = composed;
    if (!cookies.empty()) sent += "\r\nCookie: " + cookies;
    HeaderList headerList;
    if (!BuildHeaderList(sent, post, headerList)) return {};

    EasyHandle easy(curl_easy_init());
    MultiHandle multi(curl_multi_init());
    if (!easy || !multi) return {};
    CURL* e = easy.get();
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(e, CURLOPT_URL, address.c_str()));
    set(curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
    // libcurl then reads up to a whole chunk from the socket at once.
    set(curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(kChunkBytes)));
    set(curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs));
    set(curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str()));
    set(curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList.get()));
    // An empty proxy also keeps libcurl from taking one from the environment.
    set(curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str()));
    set(curl_easy_setopt(e, CURLOPT_NOPROXY, ""));
    set(curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
    // Bodies are counted as they travel; a compressed one is handed back as it came.
    set(curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L));
    set(curl_easy_setopt(e, CURLOPT_HTTP_TRANSFER_DECODING, 1L));
    const bool follow = options.noRedirect.value_or(0) == 0;
    set(curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L));
    set(curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects));
    set(curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    if (post) {
        set(curl_easy_setopt(e, CURLOPT_POST, 1L));
        set(curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(options.postData->size())));
        set(curl_easy_setopt(e, CURLOPT_POSTFIELDS, options.postData->data()));
    }
    set(curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnBody));
    set(curl_easy_setopt(e, CURLOPT_WRITEDATA, &t));
    set(curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader));
    set(curl_easy_setopt(e, CURLOPT_HEADERDATA, &t));
    set(curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &OnRequestReady));
    set(curl_easy_setopt(e, CURLOPT_PREREQDATA, &t));
    if (!ok || curl_multi_add_handle(multi.get(), e) != CURLM_OK) return {};

    // From here on the request counts as sent.
    if (options.headers) *options.headers = composed;

    platform::Ui& ui = platform::Services();
    const bool onUiThread = ui.IsUiThread();
    CURLcode result = CURLE_OK;
    bool finished = false;
    curl_off_t uploaded = 0;
    for (;;) {
        if (t.pending < kChunkBytes && !finished) {
            int running = 0;
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
                if (msg->msg == CURLMSG_DONE) {
                    result = msg->data.result;
                    finished = true;
                }
            }
            if (running == 0) finished = true;
        }
        if (t.pending > 0) {
            if (!TakeChunk(t)) break;
            t.lastActivity = SteadyClock::now();
            continue;
        }
        if (finished) break;
        curl_off_t nowUploaded = 0;
        if (curl_easy_getinfo(e, CURLINFO_SIZE_UPLOAD_T, &nowUploaded) == CURLE_OK &&
            nowUploaded != uploaded) {
            uploaded = nowUploaded;
            t.lastActivity = SteadyClock::now();
        }
        // Every wait for data (and for the request to go out) is bounded by the time-out.
        if (t.requestSent &&
            SteadyClock::now() - t.lastActivity >= std::chrono::milliseconds(timeoutMs))
            break;
        curl_multi_poll(multi.get(), nullptr, 0, onUiThread ? kUiWatchIntervalMs : kWatchIntervalMs,
                        nullptr);
        if (onUiThread) ui.ProcessEvents();
    }
    // Bytes that arrived after the loop ended were never taken.
    if (t.keepBody) t.body.resize(static_cast<std::size_t>(t.total));
    curl_multi_remove_handle(multi.get(), e);
    easy.reset();
    multi.reset();

    // A redirect that could not be followed ends the request like a failed one.
    const bool redirectFailed =
        finished && (result == CURLE_UNSUPPORTED_PROTOCOL || result == CURLE_TOO_MANY_REDIRECTS);
    std::string headerBlock =
        FitHeaderBlock(t.haveStatus && t.blockComplete && !redirectFailed ? t.block : "");
    std::string received = CookiesFromHeaderBlock(headerBlock);
    if (options.returnedCookies) {
        *options.returnedCookies = received;
    } else if (options.cookies) {
        MergeCookies(*options.cookies, received);
    }
    if (options.returnedHeaders) *options.returnedHeaders = headerBlock;
    if (redirectFailed) return {};
    return std::move(t.body);
}

} // namespace http

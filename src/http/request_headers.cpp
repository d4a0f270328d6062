#include "http/request_headers.h"

#include "http/text_rules.h"

namespace http {
namespace {

// A header value never carries a line break into the request.
std::string FirstLine(std::string_view text) {
    return std::string(text.substr(0, text.find_first_of("\r\n")));
}

} // namespace

std::string RequestAgent(std::string_view headers) {
    if (!Contains(headers, "User-Agent:", true)) return std::string(kDefaultAgent);
    std::string agent = Trim(FirstLine(TextBetween(headers, "User-Agent:", "\r\n")));
    if (agent.empty()) agent = Trim(FirstLine(HeaderLineValue(headers)));
    return agent;
}

std::string ComposeRequestHeaders(std::string_view headers, std::string_view url) {
    std::string h(headers);
    if (!Contains(h, "Referer:", true)) {
        h += h.empty() ? "Referer: " : "\r\nReferer: ";
        h += url;
    }
    if (!Contains(h, "Accept:", true)) h += "\r\nAccept: */*";
    if (!Contains(h, "Accept-Language:", true)) h += "\r\nAccept-Language: zh-cn";
    if (!Contains(h, "Content-Type:", true))
        h += "\r\nContent-Type: application/x-www-form-urlencoded";
    return h;
}

std::string CookiesFromHeaderBlock(std::string_view block) {
    std::string cookies;
    for (const auto& line : Split(block, "\r\n")) {
        if (!Contains(line, "Set-Cookie", true)) continue;
        cookies += Trim(TextBetween(line, "Set-Cookie:", ";"));
        cookies += "; ";
    }
    return cookies;
}

std::string FitHeaderBlock(std::string_view block) {
    if (block.empty() || block.size() + 1 > kHeaderBlockRoom)
        return std::string(kHeaderBlockRoom, ' ');
    return std::string(block);
}

} // namespace http

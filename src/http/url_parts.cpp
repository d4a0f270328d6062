#include "http/url_parts.h"

#include "config/text_to_integer.h"
#include "http/text_rules.h"

namespace http {

std::string UrlHost(std::string_view url, bool mainDomainOnly, bool keepPort) {
    std::string text = ToLowerAscii(url);
    if (text.empty() || text.back() != '/') text += '/';
    std::string_view scheme = "https://";
    if (text.rfind("https://", 0) != 0) {
        scheme = "http://";
        if (!Contains(text, scheme)) text.insert(0, scheme);
    }
    std::string host = TextBetween(text, scheme, "/");
    if (mainDomainOnly) {
        TextList labels = Split(host, ".");
        if (labels.size() >= 2)
            host = labels[labels.size() - 2] + "." + labels[labels.size() - 1];
    }
    if (keepPort) return host;
    int32_t colon = Find(host, ":");
    return colon == -1 ? host : Left(host, colon - 1);
}

int32_t UrlPort(std::string_view url) {
    std::string host = UrlHost(url, false, true);
    int32_t colon = FindLast(host, ":");
    if (colon != -1) return config::TextToInteger(Middle(host, colon + 1, static_cast<int64_t>(host.size())));
    return ToLowerAscii(Left(url, 5)) == "https" ? 443 : 80;
}

std::string UrlPath(std::string_view url) {
    int64_t from = 1;
    if (Find(Left(url, 8), "https://", 1, true) == 1) {
        from = 9;
    } else if (int32_t at = Find(url, "http://", 1, true); at != -1) {
        from = at + 7;
    }
    if (from > static_cast<int64_t>(url.size())) return "/";
    int32_t slash = Find(url, "/", static_cast<int32_t>(from));
    if (slash == -1) return "/";
    return std::string(url.substr(static_cast<std::size_t>(slash) - 1));
}

} // namespace http

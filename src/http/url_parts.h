// Taking a URL apart into the host, port and path a request is made to.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace http {

// The lower-cased host of a URL (with or without scheme). mainDomainOnly keeps the last
// two labels; keepPort keeps a ":port" suffix.
std::string UrlHost(std::string_view url, bool mainDomainOnly = false, bool keepPort = false);
// The explicit port, else 443 for a URL starting "https", else 80.
int32_t UrlPort(std::string_view url);
// The path with query, in the URL's own letter case; "/" when there is none.
std::string UrlPath(std::string_view url);

} // namespace http

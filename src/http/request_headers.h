// The header texts of one web request: the lines sent with it and what is read back from
// the response's header block.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace http {

inline constexpr std::string_view kDefaultAgent =
    "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.1 (KHTML, like Gecko) "
    "Chrome/21.0.1180.92 Safari/537.1 LBBROWSER";

// Room for the raw response header block, its closing NUL included; a block that does not
// fit is handed back as this many blanks.
inline constexpr std::size_t kHeaderBlockRoom = 5000;

// The agent string: the value of a User-Agent line in `headers`, else the fixed one.
std::string RequestAgent(std::string_view headers);

// `headers` completed by the Referer (the whole url), Accept, Accept-Language and
// Content-Type lines it lacks; a line counts as present when its "Name:" appears anywhere,
// in any letter case. Lines are joined by CR LF, with no CR LF at the end.
std::string ComposeRequestHeaders(std::string_view headers, std::string_view url);

// "name=value; " for every line of a header block that mentions Set-Cookie, attributes
// left out.
std::string CookiesFromHeaderBlock(std::string_view block);

// The block as the caller gets it: itself when it fits kHeaderBlockRoom, else blanks.
std::string FitHeaderBlock(std::string_view block);

} // namespace http

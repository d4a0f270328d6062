// Fuzzes the text rules, URL and header helpers with arbitrary bytes and checks the
// promises they make: results inside the text, whole characters, reversible splits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "http/request_headers.h"
#include "http/text_rules.h"
#include "http/url_parts.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// Character starts of a text as the search rules see them.
bool IsCharacterStart(std::string_view text, std::size_t index) {
    for (std::size_t i = 0; i < text.size(); i += http::CharLength(text, i))
        if (i >= index) return i == index;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // Input: text \0 pattern \0 ...; the first byte also picks a start position.
    std::size_t cut = input.find('\0');
    std::string_view text = input.substr(0, cut);
    std::string_view what = cut == std::string_view::npos ? std::string_view("a") : input.substr(cut + 1);
    if (what.size() > 8) what = what.substr(0, 8);
    const int32_t start = size > 0 ? static_cast<int32_t>(data[0] % 16) - 2 : 1;

    for (bool ignoreCase : {false, true}) {
        int32_t at = http::Find(text, what, start, ignoreCase);
        if (at != -1) {
            Check(at >= 1 && at >= start && static_cast<std::size_t>(at) + what.size() - 1 <= text.size());
            Check(http::ToLowerAscii(text.substr(at - 1, what.size())) == http::ToLowerAscii(what) ||
                  !ignoreCase);
            Check(ignoreCase || text.substr(at - 1, what.size()) == what);
            Check(IsCharacterStart(text, static_cast<std::size_t>(at) - 1));
        }
        int32_t last = http::FindLast(text, what, ignoreCase);
        Check((last == -1) == (http::Find(text, what, 1, ignoreCase) == -1));
        Check(last == -1 || last >= http::Find(text, what, 1, ignoreCase));
    }

    if (!what.empty()) {
        // Joining the pieces gives the text back, less a separator at its very end.
        std::string joined;
        auto pieces = http::Split(text, what);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0) joined += what;
            joined += pieces[i];
        }
        Check(joined == text || joined + std::string(what) == text);
    }

    std::string trimmed = http::Trim(text);
    Check(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '));
    Check(http::RemoveAllSpaces(text).find(' ') == std::string::npos);

    int32_t pos = start;
    std::string between = http::TextBetween(text, what, "\r\n", &pos);
    Check(between.size() <= text.size());
    Check(pos == -1 || pos >= 1);
    http::HeaderLineValue(text);
    http::JoinDistinct(text, what);

    std::string host = http::UrlHost(text);
    Check(host == http::ToLowerAscii(host));
    http::UrlHost(text, true, true);
    http::UrlPort(text);
    std::string path = http::UrlPath(text);
    Check(!path.empty() && path[0] == '/');

    std::string agent = http::RequestAgent(text);
    Check(agent.find_first_of("\r\n") == std::string::npos);
    std::string composed = http::ComposeRequestHeaders(text, "http://x/");
    Check(composed.size() >= text.size() && composed.compare(0, text.size(), text) == 0);
    http::CookiesFromHeaderBlock(text);
    Check(http::FitHeaderBlock(text).size() < http::kHeaderBlockRoom || http::FitHeaderBlock(text) == std::string(http::kHeaderBlockRoom, ' '));
    return 0;
}

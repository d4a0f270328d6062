// Fuzzes the cookie merge: kept and received texts from arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "http/cookies.h"

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = input.find('\0');
    std::string kept(input.substr(0, cut));
    std::string received(cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1));

    std::string merged = http::MergeCookies(kept, received);
    Check(merged == kept);
    Check(merged.find(' ', 0) == std::string::npos || merged.find("; ") != std::string::npos);
    Check(received.find(' ') == std::string::npos);
    Check(merged.size() < 2 || merged.compare(merged.size() - 2, 2, "; ") != 0);
    for (const auto& entry : http::Split(merged, "; ")) {
        Check(entry.size() < 8 || entry.compare(entry.size() - 8, 8, "=deleted") != 0);
        Check(entry.find(' ') == std::string::npos);
    }
    // Every received cookie with a value survives unless it deletes itself.
    for (const auto& entry : http::Split(received, ";")) {
        if (http::CookieValue(entry).empty()) continue;
        if (entry.size() >= 8 && entry.compare(entry.size() - 8, 8, "=deleted") == 0) continue;
        if (entry.find("; ") != std::string::npos) continue;
        Check(http::ListContains(http::Split(merged, "; "), entry));
    }
    return 0;
}

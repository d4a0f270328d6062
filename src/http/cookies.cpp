#include "http/cookies.h"

namespace http {

std::string MergeCookies(std::string& kept, std::string& received) {
    kept = RemoveAllSpaces(kept);
    received = RemoveAllSpaces(received);
    TextList old = Split(kept, ";");
    TextList merged = Split(received, ";");
    DropEmptyCookies(merged);
    // Entries appended here take part in later checks, so of two kept entries with one
    // name only the first stays.
    for (auto& entry : old)
        if (!HasCookieName(merged, CookieName(entry))) merged.push_back(std::move(entry));

    constexpr std::string_view kDeleted = "=deleted";
    std::string text;
    for (const auto& entry : merged) {
        if (Right(entry, static_cast<int64_t>(kDeleted.size())) == kDeleted) continue;
        text += entry;
        text += "; ";
    }
    text = Left(text, static_cast<int64_t>(text.size()) - 2);
    kept = JoinDistinct(text, "; ");
    return kept;
}

void DropEmptyCookies(TextList& entries) {
    std::erase_if(entries, [](const std::string& entry) { return CookieValue(entry).empty(); });
}

std::string CookieValue(std::string_view entry) {
    int32_t equals = Find(entry, "=");
    if (equals == -1) return {};
    return Trim(Right(entry, static_cast<int64_t>(entry.size()) - equals));
}

std::string CookieName(std::string_view entry) {
    int32_t equals = Find(entry, "=");
    if (equals == -1) return Trim(entry);
    return Trim(Left(entry, equals - 1));
}

bool HasCookieName(const TextList& entries, std::string_view name) {
    for (const auto& entry : entries)
        if (CookieName(entry) == name) return true;
    return false;
}

} // namespace http

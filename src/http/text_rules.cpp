#include "http/text_rules.h"

#include <cstring>
#include <limits>

namespace http {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
constexpr std::string_view kQuoteWord = "#引号";

bool IsContinuation(unsigned char c) { return c >= 0x80 && c < 0xC0; }

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool MatchesAt(std::string_view text, std::size_t at, std::string_view what, bool ignoreCase) {
    if (!ignoreCase) return std::memcmp(text.data() + at, what.data(), what.size()) == 0;
    for (std::size_t k = 0; k < what.size(); ++k) {
        if (FoldAscii(static_cast<unsigned char>(text[at + k])) !=
            FoldAscii(static_cast<unsigned char>(what[k])))
            return false;
    }
    return true;
}

// 0-based index of the first match at or after `from` that starts a character, or npos.
std::size_t FindIndex(std::string_view text, std::string_view what, std::size_t from,
                      bool ignoreCase) {
    constexpr auto npos = std::string_view::npos;
    if (what.empty() || from > text.size() || what.size() > text.size() - from) return npos;
    const std::size_t last = text.size() - what.size();
    if (!IsContinuation(static_cast<unsigned char>(what[0]))) {
        // A byte that is not a continuation byte always starts a character, so every
        // byte-wise match is a character-wise match.
        if (!ignoreCase) return text.find(what, from);
        for (std::size_t i = from; i <= last; ++i)
            if (MatchesAt(text, i, what, true)) return i;
        return npos;
    }
    // The pattern starts with a continuation byte: only a stray one may match, so walk
    // the characters from the start of the text.
    for (std::size_t i = 0; i <= last; i += CharLength(text, i)) {
        if (i >= from && MatchesAt(text, i, what, ignoreCase)) return i;
    }
    return npos;
}

int32_t ToPosition(std::size_t index) {
    if (index == std::string_view::npos ||
        index >= static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
        return -1;
    return static_cast<int32_t>(index) + 1;
}

bool IsSpaceAt(std::string_view text, std::size_t i, std::size_t* length) {
    if (text[i] == ' ') {
        *length = 1;
        return true;
    }
    if (text.substr(i, kIdeographicSpace.size()) == kIdeographicSpace) {
        *length = kIdeographicSpace.size();
        return true;
    }
    return false;
}

std::string ReplaceQuoteWord(std::string_view marker) {
    std::string out;
    out.reserve(marker.size());
    std::size_t i = 0;
    while (i < marker.size()) {
        if (marker.substr(i, kQuoteWord.size()) == kQuoteWord) {
            out += '"';
            i += kQuoteWord.size();
        } else {
            out += marker[i++];
        }
    }
    return out;
}

} // namespace

std::size_t CharLength(std::string_view text, std::size_t index) {
    auto lead = static_cast<unsigned char>(text[index]);
    std::size_t expected = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xC0 && lead < 0xE0 ? 2 : 1;
    std::size_t n = 1;
    while (n < expected && index + n < text.size() &&
           IsContinuation(static_cast<unsigned char>(text[index + n])))
        ++n;
    return n;
}

int32_t Find(std::string_view text, std::string_view what, int32_t start, bool ignoreCase) {
    std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    return ToPosition(FindIndex(text, what, from, ignoreCase));
}

int32_t FindLast(std::string_view text, std::string_view what, bool ignoreCase) {
    std::size_t found = std::string_view::npos;
    for (std::size_t at = FindIndex(text, what, 0, ignoreCase); at != std::string_view::npos;
         at = FindIndex(text, what, at + 1, ignoreCase))
        found = at;
    return ToPosition(found);
}

bool Contains(std::string_view text, std::string_view what, bool ignoreCase) {
    return Find(text, what, 1, ignoreCase) != -1;
}

std::string Left(std::string_view text, int64_t n) {
    if (n <= 0) return {};
    return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string Right(std::string_view text, int64_t n) {
    if (n <= 0) return {};
    if (static_cast<uint64_t>(n) >= text.size()) return std::string(text);
    return std::string(text.substr(text.size() - static_cast<std::size_t>(n)));
}

std::string Middle(std::string_view text, int64_t start, int64_t n) {
    if (start < 1 || static_cast<uint64_t>(start) > text.size() || n <= 0) return {};
    return std::string(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

std::string Trim(std::string_view text) {
    for (;;) {
        if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        else if (text.substr(0, kIdeographicSpace.size()) == kIdeographicSpace)
            text.remove_prefix(kIdeographicSpace.size());
        else break;
    }
    for (;;) {
        if (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        else if (text.size() >= kIdeographicSpace.size() &&
                 text.substr(text.size() - kIdeographicSpace.size()) == kIdeographicSpace)
            text.remove_suffix(kIdeographicSpace.size());
        else break;
    }
    return std::string(text);
}

std::string RemoveAllSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = 0;
        if (IsSpaceAt(text, i, &length)) {
            i += length;
        } else {
            out += text[i++];
        }
    }
    return out;
}

TextList Split(std::string_view text, std::string_view separator) {
    TextList pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t at = FindIndex(text, separator, from, false);
        if (at == std::string_view::npos) {
            pieces.emplace_back(text.substr(from));
            break;
        }
        pieces.emplace_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    return pieces;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    return out;
}

std::string TextBetween(std::string_view source, std::string_view startMarker,
                        std::string_view endMarker, int32_t* startPos,
                        std::optional<std::string_view> innerMarker, bool ignoreCase,
                        bool keepStartMarker) {
    const std::string start = ReplaceQuoteWord(startMarker);
    const std::string end = ReplaceQuoteWord(endMarker);
    int32_t ownPos = 1;
    int32_t& pos = startPos ? *startPos : ownPos;

    const int32_t found = Find(source, start, pos, ignoreCase);
    pos = found;
    if (found == -1) return {};

    const std::string inner = innerMarker ? std::string(*innerMarker) : start;
    const int32_t b = innerMarker ? Find(source, inner, found, ignoreCase) : found;
    if (b == -1) {
        pos = -1;
        return {};
    }
    const int64_t after = static_cast<int64_t>(b) + static_cast<int64_t>(inner.size());
    int64_t e = after > std::numeric_limits<int32_t>::max()
                    ? -1
                    : Find(source, end, static_cast<int32_t>(after), ignoreCase);
    if (e == -1) e = static_cast<int64_t>(source.size()) + 1;
    const int64_t from = keepStartMarker ? found : after;
    pos = static_cast<int32_t>(from);
    return Middle(source, from, e - from);
}

std::string HeaderLineValue(std::string_view line) {
    int32_t colon = Find(line, ":");
    if (colon == -1) return {};
    return Trim(Right(line, static_cast<int64_t>(line.size()) - colon));
}

bool ListContains(const TextList& list, std::string_view text) {
    for (const auto& entry : list)
        if (entry == text) return true;
    return false;
}

std::string JoinDistinct(std::string_view text, std::string_view separator) {
    TextList kept;
    std::string out;
    for (auto& piece : Split(text, separator)) {
        if (ListContains(kept, piece)) continue;
        out += piece;
        out += separator;
        kept.push_back(std::move(piece));
    }
    return Left(out, static_cast<int64_t>(out.size()) - static_cast<int64_t>(separator.size()));
}

} // namespace http

// The text rules every text routine of the program follows: 1-based search that never starts
// inside a multi-byte character, parts, trimming, splitting and list helpers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace http {

using TextList = std::vector<std::string>;

// Bytes taken by the character that starts at text[index] (1 for ASCII, a stray
// continuation byte or a sequence cut short by the end of the text).
std::size_t CharLength(std::string_view text, std::size_t index);

// First occurrence of `what` at or after the 1-based position `start` (below 1 counts as
// 1); -1 when there is none or `what` is empty. Only character starts are tried, and
// ignoreCase folds ASCII letters only.
int32_t Find(std::string_view text, std::string_view what, int32_t start = 1,
             bool ignoreCase = false);
// Last occurrence, same rules.
int32_t FindLast(std::string_view text, std::string_view what, bool ignoreCase = false);
bool Contains(std::string_view text, std::string_view what, bool ignoreCase = false);

// Empty for n <= 0; the whole text when n exceeds its length.
std::string Left(std::string_view text, int64_t n);
std::string Right(std::string_view text, int64_t n);
// Empty when start (1-based) is below 1 or beyond the end, or n <= 0.
std::string Middle(std::string_view text, int64_t start, int64_t n);

// Strips ASCII spaces and ideographic spaces (U+3000) from both ends; tabs and line
// breaks stay.
std::string Trim(std::string_view text);
std::string RemoveAllSpaces(std::string_view text);
// Pieces between separators: adjacent separators and a leading one give empty pieces, a
// trailing one gives none, an empty text gives an empty list. An empty separator gives
// the text as its only piece.
TextList Split(std::string_view text, std::string_view separator);
// ASCII A-Z only.
std::string ToLowerAscii(std::string_view text);

// The text between startMarker and endMarker (to the end when endMarker does not follow).
// "#引号" in a marker stands for a double quote. startPos (in/out, 1 when omitted) is where
// the search starts; it comes back as the start of the result, or -1. innerMarker, when
// given, is searched from the start marker's position and the result begins after it.
std::string TextBetween(std::string_view source, std::string_view startMarker,
                        std::string_view endMarker, int32_t* startPos = nullptr,
                        std::optional<std::string_view> innerMarker = std::nullopt,
                        bool ignoreCase = true, bool keepStartMarker = false);

// The trimmed text after the first ":" of a header line; "" without a colon.
std::string HeaderLineValue(std::string_view line);

// True when an entry equals text exactly.
bool ListContains(const TextList& list, std::string_view text);
// The text with repeated pieces (between separators) left out, first ones kept.
std::string JoinDistinct(std::string_view text, std::string_view separator);

} // namespace http

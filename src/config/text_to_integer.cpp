#include "config/text_to_integer.h"

#include <limits>

namespace config {
namespace {

// Walks UTF-8 text one character at a time, folding full-width forms to ASCII. Characters
// that do not fold come back as 0x80 (never a digit, sign or blank).
class FoldedReader {
public:
    explicit FoldedReader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }

    char Peek() const {
        size_t len;
        return Decode(len);
    }
    void Next() {
        size_t len;
        Decode(len);
        pos_ += len;
    }

private:
    char Decode(size_t& len) const {
        unsigned char c = static_cast<unsigned char>(text_[pos_]);
        len = 1;
        if (c < 0x80) return static_cast<char>(c);
        // Both full-width forms and the ideographic space are three-byte sequences.
        if (c == 0xEF || c == 0xE3) {
            if (pos_ + 2 < text_.size()) {
                unsigned char b1 = static_cast<unsigned char>(text_[pos_ + 1]);
                unsigned char b2 = static_cast<unsigned char>(text_[pos_ + 2]);
                if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
                    len = 3;
                    uint32_t cp = ((c & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
                    if (cp >= 0xFF01 && cp <= 0xFF5E) return static_cast<char>(cp - 0xFEE0);
                    if (cp == 0x3000) return ' ';
                    return static_cast<char>(0x80);
                }
            }
            return static_cast<char>(0x80);
        }
        // Any other lead byte: step over its continuation bytes.
        size_t want = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        while (len < want && pos_ + len < text_.size() &&
               (static_cast<unsigned char>(text_[pos_ + len]) & 0xC0) == 0x80)
            ++len;
        return static_cast<char>(0x80);
    }

    std::string_view text_;
    size_t pos_ = 0;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

int32_t TextToInteger(std::string_view text) {
    FoldedReader r(text);
    while (!r.AtEnd() && IsBlank(r.Peek())) r.Next();
    bool negative = false;
    if (!r.AtEnd() && (r.Peek() == '+' || r.Peek() == '-')) {
        negative = r.Peek() == '-';
        r.Next();
    }
    // Accumulate the magnitude in 64 bits and stop growing once past the 32-bit range, so
    // a long run of digits can neither overflow nor take long.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    while (!r.AtEnd()) {
        char c = r.Peek();
        if (c < '0' || c > '9') break;
        if (magnitude <= kLimit) magnitude = magnitude * 10 + (c - '0');
        r.Next();
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<int32_t>::min()
                                   : static_cast<int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<int32_t>::max()
                               : static_cast<int32_t>(magnitude);
}

} // namespace config

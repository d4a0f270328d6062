#include "config/gbk_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace config {
namespace {

// GB18030 is a strict superset of GBK: GBK bytes decode the same, and characters outside
// GBK still have an encoding.
constexpr const char* kFileEncoding = "GB18030";

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts in, calling onBad(offset) for a byte that does not convert; onBad returns
    // the replacement written to out and the input byte is skipped.
    template <typename OnBad>
    std::string Run(std::string_view in, OnBad onBad) {
        std::string out;
        out.reserve(in.size() * 2 + 8);
        char buffer[4096];
        // iconv takes a non-const input pointer on glibc; it does not write through it.
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (r != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a sequence cut at the end): replace one byte and go on.
            out += onBad();
            ++src;
            --srcLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string Utf8ToGbk(std::string_view utf8) {
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return std::string(utf8);
    Converter cv(kFileEncoding, "UTF-8");
    if (!cv.ok()) return std::string(utf8);
    return cv.Run(utf8, [] { return std::string("?"); });
}

std::string GbkToUtf8(std::string_view gbk) {
    bool ascii = true;
    for (char c : gbk)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return std::string(gbk);
    Converter cv("UTF-8", kFileEncoding);
    if (!cv.ok()) return std::string(gbk);
    return cv.Run(gbk, [] { return std::string("\xEF\xBF\xBD"); });
}

} // namespace config

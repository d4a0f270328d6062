// Reading a whole number from text typed into a box or stored in conf.ini.
#pragma once
#include <cstdint>
#include <string_view>

namespace config {

// Full-width forms (U+FF01..U+FF5E) count as their ASCII characters and the ideographic
// space as a space; then leading white space, an optional sign and the digits up to the
// first other character make the number. No digits give 0. A number beyond the 32-bit
// range is clamped to INT32_MIN or INT32_MAX.
int32_t TextToInteger(std::string_view text);

} // namespace config

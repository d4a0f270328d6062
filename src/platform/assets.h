// Looks up a picture that is compiled into the program.
#pragma once
#include <span>
#include <string_view>

namespace platform {

using Bytes = std::span<const unsigned char>;

// The embedded file of that name (e.g. "dial_strip.bin"), or an empty block.
Bytes FindAsset(std::string_view name);

} // namespace platform

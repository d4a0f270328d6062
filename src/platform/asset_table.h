// The table of embedded files that the build generates from assets/.
#pragma once
#include <cstddef>

namespace platform {

struct AssetEntry {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

// Ends with an entry whose name is null.
extern const AssetEntry kAssetTable[];

} // namespace platform

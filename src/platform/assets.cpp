#include "platform/assets.h"

#include "platform/asset_table.h"

namespace platform {

Bytes FindAsset(std::string_view name) {
    for (const AssetEntry* e = kAssetTable; e->name != nullptr; ++e) {
        if (name == e->name) return {e->data, e->size};
    }
    return {};
}

} // namespace platform

#pragma once

#include "platform/core/PlatCoreExport.h"

#include <string>

namespace plat {

// A font as the libraries below the user interface describe it; the interface turns it into
// a real font. The height follows the classic logical-font rule: a negative height is the
// character height, a positive one the cell height, 0 the default size.
struct PLATCORE_API FontDescription {
    static constexpr int kNormalWeight = 400;
    static constexpr int kBoldWeight = 700;

    std::string faceName;
    int height = 0;
    int weight = kNormalWeight;
    bool italic = false;
    bool underline = false;
    int charSet = 0;

    bool isBold() const { return weight == kBoldWeight; }

    bool operator==(const FontDescription&) const = default;
};

}  // namespace plat

#pragma once

#include "platform/ui/PlatUiExport.h"

#include <cstdint>
#include <string>

namespace plat::ui {

// A font as the classic font calls describe it. The height is the cell height when
// positive, the character height when negative, the default size when 0; the width is the
// average character width (0: the face's own). The low bits of pitchAndFamily give the pitch
// (1 fixed, 2 variable), the high bits the family (0x10 roman, 0x20 swiss, 0x30 modern,
// 0x40 script, 0x50 decorative), which picks a face when faceName is empty or not installed.
struct PLATUI_API LogicalFont {
    static constexpr int kNormalWeight = 400;
    static constexpr int kBoldWeight = 700;

    enum class Quality : uint8_t { normal, draft, proof, nonAntialiased, antialiased };

    int height = 0;
    int width = 0;
    int weight = kNormalWeight;
    bool italic = false;
    bool underline = false;
    Quality quality = Quality::normal;
    uint8_t pitchAndFamily = 0;
    std::string faceName;

    bool operator==(const LogicalFont&) const = default;
};

}  // namespace plat::ui

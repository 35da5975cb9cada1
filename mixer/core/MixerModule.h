#pragma once

#include "mixer/MixerExport.h"

#include <cstdint>
#include <string>

// The Mixer library's own resources: its string table, menus and images are registered under
// the module "Mixer" while the library is loaded. Its windows read them from that module
// whichever module is current, as a library reads its own resources.
class MIXER_API MixerModule {
public:
    static constexpr const char* kName = "Mixer";

    // Ids of the library's texts.
    enum : uint32_t {
        kCaption = 5120,
        kTrackName = 5125,
        kClearTrack = 5126,
        kChangeTrackName = 5127,
    };
    // Menus: a strip's context menu and the mixer's.
    enum : uint32_t { kStripMenu = 5121, kMixerMenu = 5122 };

    // The text of id in the library's table; "" when it has none.
    static std::string String(uint32_t id);
};

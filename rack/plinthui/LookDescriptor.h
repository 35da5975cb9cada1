#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include "rack/plinthui/ButtonState.h"

#include <string_view>
#include <vector>

namespace rack {

// The look descriptors of the buttons: a family character and a letter that choose the
// faces, tool tip and size of a button ("+C" the play key, "*A" the mixer's toolbar key,
// "%a" a strip of seven transport keys, ...).
class PLINTHUI_API LookDescriptor {
public:
    // Applies a descriptor to a button: a listed one sets its faces, tool tip and size; a
    // descriptor of an unknown family takes the faces away and makes it 32x24; an unlisted
    // letter of a known family changes nothing. The descriptor is remembered either way.
    static void apply(std::string_view descriptor, ButtonState& button);

    // The descriptors of a strip's slots ("%a": seven), none for other descriptors.
    static std::vector<std::string_view> stripSlots(std::string_view descriptor);

    // The size of every face bitmap id that a descriptor names (the largest when an id is
    // shared by looks of different sizes), for painting the faces.
    struct Face {
        int id;
        QSize size;
        std::string_view descriptor;
        FaceIndex role;
    };
    static std::vector<Face> allFaces();
};

}  // namespace rack

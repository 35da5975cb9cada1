#pragma once

#include "interface/InterfaceExport.h"

#include <string>
#include <vector>

class ECBase;
class MCOpusDoc;

// The tracks the track pickers list: the staves of a document's performance that have
// sequencer track data with a track-name element, numbered from 1 in the order found, each
// with its name (up to the first line break; "Track n" when empty).
class INTERFACE_API MCTrackSource {
public:
    struct Track {
        ECBase* staff;
        int number;
        std::string name;
    };

    static std::vector<Track> List(MCOpusDoc* doc);
};

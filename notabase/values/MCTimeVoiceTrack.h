#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"

namespace plat {
class Archive;
}

// The time and the voice/track word that ECWithTime and ECWithTimeChild both carry. A new one
// has no time (TimeNull) and neither voice nor track.
struct NOTABASE_API MCTimeVoiceTrack {
    MCTime time = MCTime::TimeNull();
    MCVoiceTrack voiceTrack;

    bool operator==(const MCTimeVoiceTrack& other) const
    {
        return time == other.time && voiceTrack == other.voiceTrack;
    }
    bool operator!=(const MCTimeVoiceTrack& other) const { return !(*this == other); }

    // The time record, then the word as 16 bits. Stored in the newest form; loaded in the form
    // of the given format version.
    void Serialize(plat::Archive& archive, int version);
};

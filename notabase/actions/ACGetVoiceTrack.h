#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACBase.h"
#include "notabase/values/MCVoiceTrack.h"

// Finds the voice/track word of an element: its own, or that of the first ancestor that has
// one (the walk goes up through the parents).
class NOTABASE_API ACGetVoiceTrack : public ACBase {
public:
    ACGetVoiceTrack() : ACBase(1) {}

    int DoAction(ECBase* element) override;
    // Voice 15 and track 2047 until one is found.
    const MCVoiceTrack& GetVoiceTrack() const { return m_result; }

private:
    MCVoiceTrack m_result{MCVoiceTrack::noVoice, MCVoiceTrack::noTrack};
};

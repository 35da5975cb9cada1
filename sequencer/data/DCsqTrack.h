#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"
#include "sequencer/values/MCVoiceMap.h"

#include <array>

// The sequencer data of a track element: the output address of each of its 8 voices. The kinds by which the conductor numbers its tracks: 0 the
// conductor staff, 1 a staff, 2 a wave track.
class SEQUENCER_API DCsqTrack : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqTrack)
public:
    static constexpr int voiceCount = 8;

    DCsqTrack() = default;
    DCsqTrack(const DCsqTrack& other);
    DCsqTrack& operator=(const DCsqTrack& other);

    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    // -1 here; the kind of the track element in the classes below.
    virtual int GetTrackType() const;

    // The map of a voice 0-7; null for any other voice.
    MCVoiceMap* GetVoiceMap(int voice);

    // The data of the conductor's track of that kind and number, without making it; null when
    // the sequence has no conductor or the track or its data is missing.
    static DCsqTrack* GetTrackData(unsigned int track, int kind, CSequence* sequence);
    // The same for the track the element belongs to; null for no element.
    static DCsqTrack* GetTrackData(ECBase* element, int kind, CSequence* sequence);

private:
    std::array<MCVoiceMap, voiceCount> m_voiceMaps;
};

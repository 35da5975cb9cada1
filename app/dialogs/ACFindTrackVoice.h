#pragma once

#include "notabase/actions/ACFindTime.h"

#include <vector>

// The time-range search with a track and a voice filter: an empty list accepts any. Track 0,
// the wildcard track and the wildcard voice pass every filter. A rejected track is not
// descended into; below a rejected voice the walk goes on.
class ACFindTrackVoice : public ACFindTime {
public:
    ACFindTrackVoice(const MCTime& from, const MCTime& to);

    void SetVoices(const std::vector<unsigned>& voices) { m_voices = voices; }
    void SetTracks(const std::vector<unsigned>& tracks) { m_tracks = tracks; }
    int DoAction(ECBase* element) override;

private:
    bool acceptsTrack(unsigned track) const;
    bool acceptsVoice(unsigned voice) const;

    std::vector<unsigned> m_voices;
    std::vector<unsigned> m_tracks;
};

#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/states/SCBase.h"

#include <vector>

// A track state, 3400 to 3411: the track operation is the code minus 3400. The track data sends
// 3400 (mute changed, value = the muted bit), 3401 (solo changed, value = the soloed bit) and
// 3403 (active states: the on list holds the tracks that now play, the off list those that are
// silent); the mixer and the recorders send the others.
class SEQUENCER_API SCTrack : public SCBase {
public:
    enum : int {
        codeMute = 3400,
        codeSolo = 3401,
        codeRecordArm = 3402,
        codeActive = 3403,
        codeMuteList = 3405,
        codeGain = 3406,
        codePan = 3407,
        codeFrequency = 3408,
        codeChorus = 3409,
        codeReverb = 3410,
        codeModulation = 3411,
    };

    SCTrack() = default;
    explicit SCTrack(int code) : SCBase(code) {}
    SCTrack(const SCTrack& other) = default;
    SCTrack& operator=(const SCTrack& other) = default;
    ~SCTrack() override;

    int GetTrack() const { return m_track; }
    void SetTrack(int track) { m_track = track; }
    // The track kind: 0 conductor, 1 staff, 2 wave track.
    int GetTrackType() const { return m_trackType; }
    void SetTrackType(int type) { m_trackType = type; }
    int GetValue() const { return m_value; }
    void SetValue(int value) { m_value = value; }

    void AddOnTrack(int track) { m_on.push_back(track); }
    void AddOffTrack(int track) { m_off.push_back(track); }
    void AddMuteTrack(int track) { m_mute.push_back(track); }
    const std::vector<int>& GetOnList() const { return m_on; }
    const std::vector<int>& GetOffList() const { return m_off; }
    const std::vector<int>& GetMuteList() const { return m_mute; }

private:
    int m_track = 0;
    int m_trackType = 1;
    int m_value = 0;
    std::vector<int> m_on;
    std::vector<int> m_off;
    std::vector<int> m_mute;
};

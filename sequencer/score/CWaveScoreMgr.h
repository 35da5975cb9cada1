#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"

class CSequence;
class DCsqBase;
class ECBase;
class ECWave;

// The wave score manager of a sequence: adds recorded or imported wave files to the score as
// wave clips on wave tracks, and builds the sequencer data of the wave clips and wave tracks
// that edits add.
class SEQUENCER_API CWaveScoreMgr {
public:
    CWaveScoreMgr() = default;
    CWaveScoreMgr(const CWaveScoreMgr&) = delete;
    CWaveScoreMgr& operator=(const CWaveScoreMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }
    void SetFileLoading(int loading) { m_fileLoading = loading; }
    int GetFileLoading() const { return m_fileLoading; }

    // A clip of the named wave file (length bytes of name) at the time on the wave track of the
    // voice/track word, made when missing; it lasts as long as the file sounds. Null for a
    // file that is missing or holds no sound, and when the clip cannot be added.
    ECWave* AddWaveFile(const MCTime& time, MCVoiceTrack voiceTrack, const unsigned char* name, int length);
    // Adds the element under its parent; 0 (and the element released) when it has none.
    int DoAdd(ECBase* element);
    // The data of an added wave clip, made when missing and linked into the sequence's data
    // list, or of an added wave track, made when missing and given the sequence, its stored
    // gain applied again once this thread's messages next run; null for anything else.
    DCsqBase* AddEventData(ECBase* element);

protected:
    // The wave track of the element's voice/track word, made when missing; null without a
    // track.
    ECBase* GetParent(ECBase* element);

private:
    CSequence* m_sequence = nullptr;
    int m_fileLoading = 0;
};

#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/states/SCBase.h"
#include "notabase/values/MCTime.h"

#include <string>

// The wave information state, 3700: a recorded wave file is ready, with the time and the wave
// track it was recorded for.
class SEQUENCER_API SCWaveInfo : public SCBase {
public:
    enum : int { codeWaveReady = 3700 };

    SCWaveInfo() : SCBase(codeWaveReady) {}
    explicit SCWaveInfo(int code) : SCBase(code) {}
    SCWaveInfo(const SCWaveInfo& other) = default;
    SCWaveInfo& operator=(const SCWaveInfo& other) = default;
    ~SCWaveInfo() override;

    const std::string& GetFilename() const { return m_filename; }
    void SetFilename(const std::string& filename) { m_filename = filename; }
    const MCTime& GetTime() const { return m_time; }
    void SetTime(const MCTime& time) { m_time = time; }
    int GetTrack() const { return m_track; }
    void SetTrack(int track) { m_track = track; }

private:
    std::string m_filename;
    MCTime m_time;
    int m_track = 0;
};

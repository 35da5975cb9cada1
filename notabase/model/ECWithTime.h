#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"
#include "notabase/values/MCTimeVoiceTrack.h"

// An element with a time (TimeNull by default: no time) and a voice/track word.
class NOTABASE_API ECWithTime : public ECBase {
    PLAT_DECLARE_SERIAL(ECWithTime)
public:
    // Assignment takes over the voice/track word, not the time.
    ECWithTime& operator=(const ECWithTime& other);
    bool operator==(const ECWithTime& other) const { return m_timeVoiceTrack == other.m_timeVoiceTrack; }
    bool operator!=(const ECWithTime& other) const { return !(*this == other); }

    // The element record head, the time, the voice/track word.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    MCTime* GetTime() override { return &m_timeVoiceTrack.time; }
    void SetTime(const MCTime* time) override;
    MCVoiceTrack* GetVoiceTrack() override { return &m_timeVoiceTrack.voiceTrack; }
    void SetVoiceTrack(int voice, int track) override;
    void SetVoiceTrack(const MCVoiceTrack* voiceTrack) override;

protected:
    ECWithTime();
    // The copy takes the time and the voice/track word.
    ECWithTime(const ECWithTime& other);

private:
    MCTimeVoiceTrack m_timeVoiceTrack;
};

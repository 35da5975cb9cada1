#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"

// An element with a time (TimeNull by default: no time) and a voice/track word.
class NOTABASE_API ECWithTime : public ECBase {
    PLAT_DECLARE_SERIAL(ECWithTime)
public:
    // Assignment takes over the voice/track word, not the time.
    ECWithTime& operator=(const ECWithTime& other);
    bool operator==(const ECWithTime& other) const { return m_time == other.m_time && m_voiceTrack == other.m_voiceTrack; }
    bool operator!=(const ECWithTime& other) const { return !(*this == other); }

    // The element record head, the time, the voice/track word.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    MCTime* GetTime() override { return &m_time; }
    void SetTime(const MCTime* time) override;
    MCVoiceTrack* GetVoiceTrack() override { return &m_voiceTrack; }
    void SetVoiceTrack(int voice, int track) override;
    void SetVoiceTrack(const MCVoiceTrack* voiceTrack) override;

protected:
    ECWithTime();
    // The copy takes the time and the voice/track word.
    ECWithTime(const ECWithTime& other);

private:
    MCTime m_time;
    MCVoiceTrack m_voiceTrack;
};

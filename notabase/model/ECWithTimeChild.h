#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithChild.h"
#include "notabase/values/MCTimeVoiceTrack.h"

// An element with children, a time (TimeNull by default) and a voice/track word.
class NOTABASE_API ECWithTimeChild : public ECWithChild {
    PLAT_DECLARE_SERIAL(ECWithTimeChild)
public:
    // Assignment takes over the voice/track word, not the time nor the children.
    ECWithTimeChild& operator=(const ECWithTimeChild& other);

    // The ECWithChild record (head and child list), the time, the voice/track word.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    MCTime* GetTime() override { return &m_timeVoiceTrack.time; }
    void SetTime(const MCTime* time) override;
    MCVoiceTrack* GetVoiceTrack() override { return &m_timeVoiceTrack.voiceTrack; }
    void SetVoiceTrack(int voice, int track) override;
    void SetVoiceTrack(const MCVoiceTrack* voiceTrack) override;

protected:
    ECWithTimeChild();
    // The copy takes the time and the voice/track word, not the children.
    ECWithTimeChild(const ECWithTimeChild& other);

private:
    MCTimeVoiceTrack m_timeVoiceTrack;
};

#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACFindEvents.h"

// Collects the visited elements on one voice and one track (15 and 2047: any) that match the
// type filter. Notes and grace notes count only when they hold a component of data type 0.
class NOTABASE_API ACFindVoiceTrack : public ACFindEvents {
public:
    explicit ACFindVoiceTrack(int n = 1) : ACFindEvents(n) {}

    int DoAction(ECBase* element) override;
    void SetVoice(unsigned int voice) { m_voice = voice; }
    void SetTrack(unsigned int track) { m_track = track; }

private:
    unsigned int m_voice = 15;
    unsigned int m_track = 2047;
};

#pragma once

#include "inspector/InspectorExport.h"

#include "notabase/actions/ACFindTime.h"

class ECPerformance;
class SCNotationInfo;

// Finds the notes and grace notes whose notated start lies in a time span, optionally of one
// voice and one track only. The notated start is what the notation views answer; a note they
// say nothing about counts at its performance time.
class INSPECTOR_API ACFindSpanEvents : public ACFindTime {
public:
    static constexpr int kAnyVoice = 15;
    static constexpr int kAllVoices = 14;
    static constexpr int kAnyTrack = 2047;

    explicit ACFindSpanEvents(ECPerformance* performance);

    void SetSpan(const MCTime& from, const MCTime& to, int rangeMode);
    void SetVoiceFilter(int voice) { m_voice = voice; }
    void SetTrackFilter(int track) { m_track = track; }
    // Answers kept by the caller; null makes a one-note request per note.
    void SetNotationInfo(SCNotationInfo* info) { m_info = info; }

    int DoAction(ECBase* element) override;

    // The notated start and duration of a note: from info when it holds the note, else from a
    // request of its own to the views of the performance. Whatever no view answered stays at
    // the note's performance time and duration.
    static void GetNotatedTimes(ECBase* note, SCNotationInfo* info, ECPerformance* performance, MCTime& start,
                                MCTime& duration);
    // Fills info with the performance time and duration of each of its elements, so that what
    // the views leave unanswered reads as that.
    static void PrefillNotationInfo(SCNotationInfo& info);
    // A note or grace note that plays (it has sequencer data).
    static bool IsPlayingNote(ECBase* element);

private:
    int m_voice = kAnyVoice;
    int m_track = kAnyTrack;
    SCNotationInfo* m_info = nullptr;
    ECPerformance* m_performance;
    MCTime m_from;
    MCTime m_to;
    int m_rangeMode = closed;
};

#include "inspector/pages/ACFindSpanEvents.h"

#include "interface/document/SCNotationInfo.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"

namespace {

constexpr int kNotatedStart = 1;
constexpr int kNotatedDuration = 2;

}  // namespace

ACFindSpanEvents::ACFindSpanEvents(ECPerformance* performance)
    : ACFindTime(MCTime::TimeZero(), MCTime::TimeMax(), closed), m_performance(performance),
      m_from(MCTime::TimeZero()), m_to(MCTime::TimeMax())
{
}

void ACFindSpanEvents::SetSpan(const MCTime& from, const MCTime& to, int rangeMode)
{
    SetTimeRange(from, to, rangeMode);
    m_from = from;
    m_to = to;
    m_rangeMode = rangeMode;
}

bool ACFindSpanEvents::IsPlayingNote(ECBase* element)
{
    if (!element)
        return false;
    const int id = element->GetEventId();
    return (id == EventId::Note || id == EventId::GraceNote) && element->GetData(0, 0);
}

void ACFindSpanEvents::PrefillNotationInfo(SCNotationInfo& info)
{
    for (ECBase* element : info.GetEvents()) {
        if (MCTime* time = element->GetTime())
            info.SetInfo(element, kNotatedStart, *time);
        if (MCTime* duration = element->GetDuration())
            info.SetInfo(element, kNotatedDuration, *duration);
    }
}

void ACFindSpanEvents::GetNotatedTimes(ECBase* note, SCNotationInfo* info, ECPerformance* performance,
                                       MCTime& start, MCTime& duration)
{
    if (MCTime* time = note->GetTime())
        start = *time;
    if (MCTime* length = note->GetDuration())
        duration = *length;
    if (info && info->GetInfoMap().count(note)) {
        info->GetInfo(note, kNotatedStart, start);
        info->GetInfo(note, kNotatedDuration, duration);
        return;
    }
    if (!performance)
        return;
    SCNotationInfo own(SCNotationInfo::kRequest);
    own.SetInfoCode(kNotatedStart | kNotatedDuration);
    MCEventList one;
    one.AddTail(note);
    own.SetEvents(&one);
    PrefillNotationInfo(own);
    own.Apply(performance);
    own.GetInfo(note, kNotatedStart, start);
    own.GetInfo(note, kNotatedDuration, duration);
}

int ACFindSpanEvents::DoAction(ECBase* element)
{
    if (!IsPlayingNote(element))
        return 0;
    const MCVoiceTrack* word = element->GetVoiceTrack();
    const int voice = word ? word->GetVoice() : kAnyVoice;
    const int track = word ? word->GetTrack() : kAnyTrack;
    if (m_voice != kAnyVoice && m_voice != kAllVoices && voice != m_voice)
        return 0;
    if (m_track != kAnyTrack && track != m_track)
        return 0;
    MCTime start;
    MCTime duration;
    GetNotatedTimes(element, m_info, m_performance, start, duration);
    // Child lists are in time order: nothing after this note can lie in the span.
    if (start > m_to)
        return 3;
    if (!InRange(start, m_from, m_to, m_rangeMode))
        return 0;
    if (!GetEventTypes().empty() && FindEvtType(element->GetEventId()) < 0)
        return 0;
    Collect(element);
    return 0;
}

#include "sequencer/score/CWaveScoreMgr.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECWave.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/RefPtr.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWaveFile.h"

#include <string>

ECWave* CWaveScoreMgr::AddWaveFile(const MCTime& time, MCVoiceTrack voiceTrack, const unsigned char* name, int length)
{
    if (!name || length <= 0)
        return nullptr;
    const std::string file(reinterpret_cast<const char*>(name), static_cast<size_t>(length));
    const long ms = CWaveFile::FileDuration(file.c_str());
    MCTime duration(static_cast<float>(ms) / 1000.0f);
    duration.SetMode(MCTime::clock);
    if (!(duration.GetSeconds() > 0.0f))
        return nullptr;
    auto* clip = new ECWave(time, file);
    clip->SetVoiceTrack(&voiceTrack);
    clip->SetDuration(&duration);
    return DoAdd(clip) ? clip : nullptr;
}

ECBase* CWaveScoreMgr::GetParent(ECBase* element)
{
    const MCVoiceTrack* word = element ? element->GetVoiceTrack() : nullptr;
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!word || !conductor || word->GetTrack() == MCVoiceTrack::noTrack)
        return nullptr;
    return conductor->GetTrack(ECConductor::waveTrack, word->GetTrack(), 1);
}

int CWaveScoreMgr::DoAdd(ECBase* element)
{
    if (!element)
        return 0;
    ECBase* parent = GetParent(element);
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    if (!parent || !performance) {
        element->Ref();
        element->Unref(1);
        return 0;
    }
    auto* add = new CCAdd;
    add->Add(element, parent, FCMidi::MidiNull());
    // In the score when this returns, so the caller can use the clip it is handed.
    add->SetSynchronous(1);
    add->Apply(performance);
    return 1;
}

DCsqBase* CWaveScoreMgr::AddEventData(ECBase* element)
{
    if (!element || !m_sequence)
        return nullptr;
    switch (element->GetEventId()) {
    case EventId::Wave: {
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
        if (data)
            m_sequence->InsertData(data);
        return data;
    }
    case EventId::WaveTrack: {
        auto* data = plat::dynamicDowncast<DCsqTrack>(element->GetData(0, 1));
        if (data) {
            data->SetSequence(m_sequence);
            // The stored gain is applied again under the sequence's master gain. That reaches
            // the device manager, whose lock ranks above the sequence's that the edit holds:
            // it runs on this thread once the edit is over.
            plat::MessageLoop::current().postTask([hold = plat::RefPtr<ECBase>(element)] {
                if (auto* track = plat::dynamicDowncast<DCsqTrack>(hold->GetData(0, 0)))
                    track->SetTrackGain(track->GetTrackGain());
            });
        }
        return data;
    }
    default:
        return nullptr;
    }
}

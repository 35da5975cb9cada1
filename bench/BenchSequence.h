#pragma once

// A performance of MIDI staves at 120 beats per minute for the sequencer's benchmarks, with
// notes spread over its staves and sequences over it. It wants the sequencer initialized
// (BenchProfile) for as long as it lives.

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTrack.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"

#include <cstdint>
#include <memory>
#include <vector>

class BenchSequence {
public:
    // staves MIDI staves, conductor measures to a bar past quarters, and a step tempo of 120
    // beats per minute at the start.
    BenchSequence(int staves, float quarters) : m_staves(staves)
    {
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, 0);
        auto* tracks = new CCAddTrack;
        tracks->AddMidiTrack(0, staves);
        tracks->SetSynchronous(1);
        tracks->Apply(m_performance);
        m_conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(quarters + 4.0f), 1, 1);
        AddTempo(0.0f);
    }
    ~BenchSequence()
    {
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
    }
    BenchSequence(const BenchSequence&) = delete;
    BenchSequence& operator=(const BenchSequence&) = delete;

    // Another step tempo of 120 beats per minute, at time.
    void AddTempo(float time)
    {
        auto* tempo = new ECTempo;
        const MCTime at(time);
        tempo->SetTime(&at);
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        m_conductor->GetConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
    }

    // Notes every spacing quarter notes from from up to to, each lasting duration, on staff 1,
    // 2 and on round the staves; keys rise from 36 through 60 keys, at velocity 90. On
    // channel 1, or with channelPerStaff on the staff's own (staff n on channel n - 1).
    std::vector<ECNote*> AddNotes(float from, float to, float spacing, float duration, bool channelPerStaff)
    {
        std::vector<ECNote*> notes;
        int index = 0;
        for (float time = from; time < to; time += spacing, ++index) {
            const int track = index % m_staves + 1;
            ECMeasure* measure = m_conductor->GetMeasure(track, MCTime(time), 0, 0);
            auto* note = new ECNote(MCTime(time), MCTime(duration));
            note->SetVoiceTrack(0, track);
            measure->AddChild(note, 1);
            auto* data = static_cast<DCsqNote*>(note->GetData(0, 1));
            const auto channel = static_cast<MIDIWORD>(channelPerStaff ? track - 1 : 0);
            const auto key = static_cast<MIDIWORD>(36 + index % 60);
            data->SetNoteOnData(FCMidi((0x90u | channel) | key << 8 | 90u << 16));
            data->SetNoteOffData(FCMidi((0x80u | channel) | key << 8));
            notes.push_back(note);
        }
        return notes;
    }

    // The first voices of staff n play on channel n - 1.
    void MapVoices(int voices)
    {
        for (int track = 1; track <= m_staves; ++track) {
            if (auto* data = plat::dynamicDowncast<DCsqTrack>(StaffData(track))) {
                for (int voice = 0; voice < voices; ++voice)
                    data->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>(track - 1));
            }
        }
    }

    // The sequencer's data of staff track.
    DCBase* StaffData(int track) { return m_conductor->GetTrack(1, track, 0)->GetData(0, 1); }

    // A sequence over the performance, its data checked.
    std::unique_ptr<CSequence> NewSequence()
    {
        auto sequence = std::make_unique<CSequence>();
        sequence->Attach(m_performance);
        sequence->CheckDataIntegrity();
        return sequence;
    }

    ECPerformance* Performance() { return m_performance; }

private:
    int m_staves;
    ECPerformance* m_performance = new ECPerformance;
    ECConductor* m_conductor = nullptr;
};

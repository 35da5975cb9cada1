#pragma once

// A piece of staves and wave tracks played by a sequence, over memory MIDI outputs, for the
// tests of the track data and the voice maps.

#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/score/ECStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "sequencer/data/DCsqConductorStaff.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/transport/CSequence.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class TrackFixture : public ::testing::Test {
protected:
    explicit TrackFixture(int midiOuts = 2) : m_devices(midiOuts) {}

    // Staves and wave tracks, played by a sequence attached to the piece (which links the data
    // of every track to itself).
    void Build(int staves, int waveTracks)
    {
        if (staves > 0)
            m_piece.AddStaves(staves);
        if (waveTracks > 0) {
            auto* add = new CCAddTrack;
            add->AddWaveTrack(waveTracks);
            add->SetSynchronous(1);
            add->Apply(m_piece.Performance());
        }
        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_piece.Performance());
    }

    DCsqTrack* Data(int kind, int number) { return DCsqTrack::GetTrackData(static_cast<unsigned>(number), kind, m_sequence.get()); }
    DCsqStaff* Staff(int number) { return plat::dynamicDowncast<DCsqStaff>(Data(ECConductor::staffTrack, number)); }
    DCsqWaveTrack* Wave(int number) { return plat::dynamicDowncast<DCsqWaveTrack>(Data(ECConductor::waveTrack, number)); }

    SequencerEnvironment m_environment;
    MemoryDevices m_devices;
    Piece m_piece;
    std::unique_ptr<CSequence> m_sequence;
};

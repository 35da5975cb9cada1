#pragma once

// The player benchmarks' piece over a scratch profile: 16 staves at 120 beats per minute,
// staff n on channel n - 1 of output 0, notes spaced evenly over the staves, each lasting half
// the spacing, from a quarter note on.

#include "bench/BenchProfile.h"
#include "bench/BenchSequence.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"

#include <memory>

class BenchPlayerPiece {
public:
    static constexpr int kStaves = 16;

    BenchPlayerPiece(float quarters, float spacing) : m_piece(kStaves, quarters)
    {
        m_notes = static_cast<int>(m_piece.AddNotes(1.0f, quarters, spacing, spacing * 0.5f, false).size());
        m_piece.MapVoices(DCsqTrack::voiceCount);
    }

    // A sequence over the piece, located at its start.
    std::unique_ptr<CSequence> NewSequence()
    {
        std::unique_ptr<CSequence> sequence = m_piece.NewSequence();
        sequence->EnableAutoRewind(0);
        sequence->SetLocation(MCTime(0.0f));
        return sequence;
    }
    int Notes() const { return m_notes; }
    // The sequencer's data of staff track.
    DCBase* StaffData(int track) { return m_piece.StaffData(track); }

private:
    BenchProfile m_profile;
    BenchSequence m_piece;
    int m_notes = 0;
};

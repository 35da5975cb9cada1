#pragma once

// What the player tests share: a piece of 4/4 bars built in memory with staves whose voices
// play on chosen channels, tempo and meter marks, controllers, and a sequence that plays it
// through the device manager into memory MIDI outputs on the manual clock.

#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/score/ECStaff.h"
#include "sequencer/data/DCsqMidi.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/transport/CSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// A message as it left a memory output.
struct Heard {
    int device;
    uint32_t ms;          // place on the stream timeline
    std::vector<uint8_t> bytes;
    bool operator==(const Heard&) const = default;
};

inline std::string Describe(const Heard& heard)
{
    std::string text = "dev " + std::to_string(heard.device) + " @" + std::to_string(heard.ms) + ":";
    for (uint8_t byte : heard.bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        text += hex;
    }
    return text;
}

inline bool IsNoteOff(const std::vector<uint8_t>& bytes)
{
    return bytes.size() == 3 && ((bytes[0] & 0xF0) == 0x80 || ((bytes[0] & 0xF0) == 0x90 && bytes[2] == 0));
}

inline bool IsNoteOn(const std::vector<uint8_t>& bytes)
{
    return bytes.size() == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] != 0;
}

// A piece and its sequence on memory outputs. Staff n plays every voice on channel n - 1 of
// output 0 unless a test maps it elsewhere.
class PlayerFixture : public ::testing::Test {
protected:
    static constexpr float kBars = 32.0f;

    explicit PlayerFixture(int staves = 2) : m_staves(staves) {}

    void SetUp() override
    {
        m_piece.AddStaves(m_staves);
        for (int staff = 1; staff <= m_staves; ++staff)
            MapStaff(staff, 0, staff - 1);
    }
    void TearDown() override
    {
        m_sequence.reset();
        plat::MessageLoop::current().pump();
    }

    // Every voice of the staff plays on the device and channel.
    void MapStaff(int staff, int device, int channel)
    {
        auto* data = plat::dynamicDowncast<DCsqStaff>(m_piece.Conductor()->GetTrack(1, staff, 0)->GetData(0, 1));
        ASSERT_NE(data, nullptr);
        for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
            data->GetVoiceMap(voice)->SetDevice(static_cast<unsigned>(device));
            data->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>(channel));
        }
    }

    void SetTempo(float time, float bpm)
    {
        auto* tempo = new ECTempo;
        const MCTime at(time);
        tempo->SetTime(&at);
        tempo->SetTempo(bpm, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        m_piece.ConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
        m_piece.ConductorStaff()->GetTempoEnv()->RecalculateClockTimes();
    }

    // A meter mark; meters go in before the first note, which lays out the bars.
    void SetMeter(float time, int numerator, int denominator)
    {
        auto* meter = new ECMeter(static_cast<unsigned char>(numerator), static_cast<unsigned char>(denominator), 0);
        const MCTime at(time);
        meter->SetTime(&at);
        m_piece.ConductorStaff()->GetMeterEnv()->AddChild(meter, 1);
    }

    // A note on a staff, on the key, with velocity 100 and a note-off of velocity 0.
    ECNote* Note(int staff, float time, float duration, int key)
    {
        if (!m_barsLaid) {
            m_piece.AddBarsUpTo(kBars * 4.0f);
            m_barsLaid = true;
        }
        ECNote* note = m_piece.AddNote(staff, time, duration, key);
        EXPECT_NE(note, nullptr) << "a bar at " << time;
        return note;
    }

    // A controller (or any short message) on a staff at a time, carried by a controller point
    // with sequencer data of its own.
    ECControlChange* AddMessage(int staff, float time, uint32_t message)
    {
        auto* point = new ECControlChange(static_cast<unsigned char>(message >> 8 & 0x7F));
        const MCTime at(time);
        point->SetTime(&at);
        point->SetVoiceTrack(0, staff);
        auto* envelope = new ECControllerEnv;
        envelope->SetVoiceTrack(0, staff);
        m_piece.Conductor()->GetTrack(1, staff, 0)->AddChild(envelope, 1);
        envelope->AddChild(point, 1);
        if (auto* data = plat::dynamicDowncast<DCsqMidi>(point->GetData(0, 1)))
            data->SetMidiData(FCMidi(message));
        return point;
    }

    // A new sequence over the piece as it stands, located at time.
    CSequence& Sequence(float location = 0.0f, int autoStop = 1)
    {
        m_sequence.reset();
        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_piece.Performance());
        m_sequence->CheckDataIntegrity();
        m_sequence->EnableAutoStop(autoStop);
        m_sequence->EnableAutoRewind(0);
        if (!m_barsLaid) {
            m_piece.AddBarsUpTo(kBars * 4.0f);
            m_barsLaid = true;
        }
        m_sequence->SetLocation(MCTime(location));
        return *m_sequence;
    }

    void StartDevices()
    {
        m_devices.Start();
        m_devices.Step(500);
    }

    uint32_t PlayState() const { return m_sequence->GetState() & CSequence::kPlayStates; }

    // Plays the slices until the transport rests, at most limitMs of clock, then lets the
    // outputs play what was queued ahead of the clock.
    void PlayToTheEnd(uint32_t limitMs = 60000)
    {
        for (uint32_t ms = 0; ms < limitMs && PlayState() != CSequence::stateStopped; ms += 100)
            m_devices.Step(100);
        m_devices.Step(1000);
    }

    // What the outputs played through their streams, each in the order played.
    std::vector<Heard> Take(int outputs = 1)
    {
        std::vector<Heard> heard;
        for (int out = 0; out < outputs; ++out) {
            for (const auto& played : m_devices.Out(out).takePlayed()) {
                if (!played.immediate)
                    heard.push_back({out, played.streamMs, played.bytes});
            }
        }
        return heard;
    }

    SequencerEnvironment m_environment;
    MemoryDevices m_devices;
    Piece m_piece;
    std::unique_ptr<CSequence> m_sequence;

private:
    int m_staves;
    bool m_barsLaid = false;
};

#include "platform/media/file/WavFileSink.h"
#include "platform/media/synth/SynthProvider.h"
#include "wavegate/CWaveFileRead.h"
#include "wavegate/tests/WavePlayTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

// A piece: a short dry organ note on the synthesizer, then a wave once the note has died
// away, each handed to the manager in its slice as the sequencer does.
struct Piece {
    WG_WaveParams wave;
    static constexpr uint32_t kSetupMs = 300;
    static constexpr uint32_t kNoteMs = 500;
    static constexpr uint32_t kNoteOffMs = 600;
    static constexpr uint32_t kWaveMs = 1500;

    static std::unique_ptr<CWGEventData> Midi(uint32_t time, uint32_t message)
    {
        auto event = std::make_unique<CWGEventData>();
        event->SetMidiData(message);
        event->time = time;
        event->device = 0;
        return event;
    }

    static int Poll(uintptr_t user, int, uint32_t from, uint32_t to)
    {
        auto* self = reinterpret_cast<Piece*>(user);
        CWGEventList list;
        auto in = [&](uint32_t t) { return t >= from && t < to; };
        // The first slices go out before anything is polled: the set-up comes at 300 ms.
        if (in(kSetupMs)) {
            list.push_back(Midi(kSetupMs, 0x10C0));   // an organ: one sample, no stereo pair
            list.push_back(Midi(kSetupMs, 0x5BB0));   // no reverb
            list.push_back(Midi(kSetupMs, 0x5DB0));   // no chorus
        }
        if (in(kNoteMs))
            list.push_back(Midi(kNoteMs, 0x00643C90));
        if (in(kNoteOffMs)) {
            list.push_back(Midi(kNoteOffMs, 0x00003C80));
            list.push_back(Midi(kNoteOffMs, 0x78B0));   // all sound off: no release tail
        }
        if (in(kWaveMs)) {
            auto event = std::make_unique<CWGEventData>();
            event->SetWaveData(new WG_WaveParams(self->wave));
            event->time = kWaveMs;
            event->device = 0;
            list.push_back(std::move(event));
        }
        CWavegate::GetWavegate()->PlayBuffer(list);
        self->probe.Written(to);
        return 1;
    }

    SliceProbe probe;
};

class MidiAndWaveRenderTest : public WavePlayTest {};

TEST_F(MidiAndWaveRenderTest, APieceWithNotesAndAWaveRendersBothAtTheirTimesIntoOneFile)
{
    const std::string font(plat::media::SynthProvider::kDefaultSoundFont);
    std::error_code error;
    if (!std::filesystem::exists(font, error))
        GTEST_SKIP() << "no sound font at " << font;
    TempFolder folder("midiwave");
    const std::vector<int16_t> samples = DistinctSamples(9600);   // 200 ms
    const std::string wave = folder.Write("wave.wav", WaveBytes(samples, 2, 48000));
    const std::string rendered = folder.File("piece.wav");
    Install(std::make_unique<plat::media::WavFileSink>(rendered),
            [&](plat::media::TimerService&, std::shared_ptr<plat::media::AudioEngine> engine) {
                std::vector<std::unique_ptr<plat::media::DeviceProvider>> extra;
                extra.push_back(std::make_unique<plat::media::SynthProvider>(engine, font));
                return extra;
            });
    ASSERT_GE(m_wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT), 1);

    Piece piece;
    piece.wave.tag = m_wavegate->GetUniqueTag();
    piece.wave.fileName = wave.c_str();
    ASSERT_EQ(m_wavegate->StartPerformance(&Piece::Poll, reinterpret_cast<uintptr_t>(&piece), 1, piece.wave.tag),
              piece.wave.tag);
    ASSERT_EQ(m_wavegate->OpenDevices(), 1);
    ASSERT_EQ(m_wavegate->StartDevices(), 1);
    StepPlaying(piece.probe, 1900);
    ASSERT_FALSE(HasFatalFailure());
    const auto frameOf = [&](uint32_t ms) {
        return static_cast<size_t>(m_engine->frameAt(m_wavegate->GetPlayStartTime() + ms));
    };
    const size_t noteFrame = frameOf(Piece::kNoteMs);
    const size_t waveFrame = frameOf(Piece::kWaveMs);
    const size_t quietFrame = frameOf(Piece::kWaveMs - 100);
    m_wavegate->StopPerformance(piece.wave.tag);
    CloseWhileTheClockMoves();

    CWaveFileRead reader;
    reader.SetFilename(rendered.c_str());
    ASSERT_EQ(reader.Open(0), 1);
    std::vector<int16_t> out(reader.GetDataSize() / 2);
    ASSERT_EQ(reader.Read(reinterpret_cast<uint8_t*>(out.data()), static_cast<int>(out.size() * 2)),
              static_cast<int>(out.size() * 2));
    const size_t frames = out.size() / 2;
    ASSERT_GT(frames, waveFrame + samples.size() / 2);

    // The note from its time (the synthesizer places it on its 64-frame block nearest that
    // frame, and the organ speaks within a few ms), nothing before.
    size_t noteOnset = 0;
    while (noteOnset < frames && std::abs(out[2 * noteOnset]) < 30)
        ++noteOnset;
    EXPECT_GE(noteOnset + 32, noteFrame);
    EXPECT_LE(noteOnset, noteFrame + 48 * 10);
    // The note (and the reverberation the sound font gives it) has died away before the
    // wave...
    int quiet = 0;
    for (size_t i = quietFrame; i < waveFrame; ++i)
        quiet = std::max({quiet, std::abs(static_cast<int>(out[2 * i])), std::abs(static_cast<int>(out[2 * i + 1]))});
    EXPECT_LE(quiet, 1);
    // ...whose own samples follow from exactly its frame (one frame off would differ by at
    // least 5 steps; what is left of the note adds at most one).
    int worst = 0;
    for (size_t i = 0; i < samples.size() / 2; ++i)
        worst = std::max({worst, std::abs(out[2 * (waveFrame + i)] - samples[2 * i]),
                          std::abs(out[2 * (waveFrame + i) + 1] - samples[2 * i + 1])});
    EXPECT_LE(worst, 2);
}

}  // namespace

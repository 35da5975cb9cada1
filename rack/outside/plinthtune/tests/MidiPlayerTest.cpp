#include "rack/outside/plinthtune/MidiFile.h"
#include "rack/outside/plinthtune/MidiPlayer.h"
#include "rack/outside/plinthtune/MidiPorts.h"

#include "platform/core/MessageLoop.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include <unistd.h>

namespace rack {
namespace {

using plat::media::MemoryMidiOut;

void putBe(std::vector<uint8_t>& bytes, uint32_t value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

// A format 1 file at 96 ticks a quarter: a tempo track (120 bpm, so 500 ms a quarter) and a
// track of two bars of 4/4, one quarter note on each beat, C4 up the scale on channel 1, with
// a program change before the first.
std::vector<uint8_t> twoBars()
{
    std::vector<uint8_t> tempo = {0x00, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<uint8_t> notes = {0x00, 0xC0, 5};
    const uint8_t keys[8] = {60, 62, 64, 65, 67, 69, 71, 72};
    for (int beat = 0; beat < 8; ++beat) {
        notes.insert(notes.end(), {0x00, 0x90, keys[beat], 100});
        notes.insert(notes.end(), {0x60, 0x80, keys[beat], 0});
    }
    notes.insert(notes.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96};
    for (const auto* track : {&tempo, &notes}) {
        smf.insert(smf.end(), {'M', 'T', 'r', 'k'});
        putBe(smf, uint32_t(track->size()), 4);
        smf.insert(smf.end(), track->begin(), track->end());
    }
    return smf;
}

class MidiPlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*timers);
        m_memory = memory.get();
        providers.push_back(std::move(memory));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_path = (std::filesystem::temp_directory_path() / ("two-bars-" + std::to_string(::getpid()) + ".mid")).string();
        write(twoBars());
        mid_Initialize();
        ASSERT_NE(mid_OpenOut(-1), 0);
        m_deck = plat::ui::Window::create(m_class.name(), "deck", 0, QRect(0, 0, 10, 10), nullptr);
    }

    void TearDown() override
    {
        mid_Stop();
        mid_CloseOut();
        mid_Terminate();
        plat::media::Backend::install(std::move(m_previous));
        std::filesystem::remove(m_path);
    }

    void write(const std::vector<uint8_t>& bytes)
    {
        std::ofstream(m_path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    void advance(uint32_t ms)
    {
        m_timers->advance(ms);
        plat::MessageLoop::current().pump();
    }

    MemoryMidiOut& out() { return m_memory->midiOut(0); }

    // The note messages played: (ms since the play began, status, key).
    std::vector<std::tuple<uint32_t, uint8_t, uint8_t>> notes(uint32_t startMs) const
    {
        std::vector<std::tuple<uint32_t, uint8_t, uint8_t>> result;
        for (const MemoryMidiOut::Played& played : m_memory->midiOut(0).played())
            if (played.bytes.size() == 3 && (played.bytes[0] & 0xE0) == 0x80)
                result.emplace_back(played.clockMs - startMs, played.bytes[0], played.bytes[1]);
        return result;
    }

    size_t ends() const { return m_class.of(plat::ui::kCommandMessage).size(); }

    plat::media::ManualTimerService* m_timers = nullptr;
    plat::media::MemoryProvider* m_memory = nullptr;
    std::unique_ptr<plat::media::Backend> m_previous;
    std::string m_path;
    plat::ui::test::RecordingClass m_class{"MidiPlayerTestDeck"};
    plat::ui::Window* m_deck = nullptr;
};

TEST_F(MidiPlayerTest, TwoBarsPlayEachNoteOnItsBeatAndTheEndTellsTheDeck)
{
    ASSERT_EQ(mid_Play(m_deck, m_path.c_str(), 0, 0, 1, 161), 1);
    advance(3999);
    EXPECT_EQ(ends(), 0u);
    MidiBitty bitty;
    ASSERT_EQ(mid_PickupBitty(-1, bitty), 1);
    EXPECT_EQ(bitty.positionMs, 3999);
    EXPECT_GE(bitty.activity[0], 1);
    EXPECT_EQ(bitty.activity[1], 0);
    advance(1);
    const uint8_t keys[8] = {60, 62, 64, 65, 67, 69, 71, 72};
    std::vector<std::tuple<uint32_t, uint8_t, uint8_t>> expected;
    for (uint32_t beat = 0; beat < 8; ++beat) {
        expected.emplace_back(beat * 500, 0x90, keys[beat]);
        expected.emplace_back(beat * 500 + 500, 0x80, keys[beat]);
    }
    EXPECT_EQ(notes(1000), expected);
    ASSERT_FALSE(out().played().empty());
    EXPECT_EQ(out().played().front().bytes, (std::vector<uint8_t>{0xC0, 5}));
    ASSERT_EQ(ends(), 1u);
    EXPECT_EQ(m_class.of(plat::ui::kCommandMessage)[0].wParam, 161u);
    EXPECT_EQ(m_class.of(plat::ui::kCommandMessage)[0].lParam, 0);
    EXPECT_FALSE(mid_IsPlaying());
    EXPECT_EQ(mid_PickupBitty(-1, bitty), 0);
}

TEST_F(MidiPlayerTest, AtRate2000EverythingComesAtHalfItsTime)
{
    ASSERT_EQ(mid_Play(m_deck, m_path.c_str(), 0, 0, 1, 161), 1);
    mid_RateControl(2000);
    advance(1999);
    EXPECT_EQ(ends(), 0u);
    advance(1);
    const std::vector<std::tuple<uint32_t, uint8_t, uint8_t>> played = notes(1000);
    ASSERT_EQ(played.size(), 16u);
    for (size_t i = 0; i < played.size(); ++i)
        EXPECT_EQ(std::get<0>(played[i]), (i + 1) / 2 * 250) << i;
    EXPECT_EQ(ends(), 1u);
}

TEST_F(MidiPlayerTest, ARateChangeKeepsThePositionAndAStartLaterSetsTheChannelsUp)
{
    // From 1 s of the file: the program change comes at once, the first note at the start.
    ASSERT_EQ(mid_Play(m_deck, m_path.c_str(), 1000, 0, 1, 161), 1);
    advance(0);
    ASSERT_FALSE(out().played().empty());
    EXPECT_EQ(out().played().front().bytes, (std::vector<uint8_t>{0xC0, 5}));
    advance(1000);
    // At 2 s of the file, half speed: the note at 2.5 s comes 1 s later.
    mid_RateControl(500);
    MidiBitty bitty;
    ASSERT_EQ(mid_PickupBitty(-1, bitty), 1);
    EXPECT_EQ(bitty.positionMs, 2000);
    out().clearPlayed();
    advance(999);
    EXPECT_EQ(notes(0).size(), 0u);
    advance(1);
    ASSERT_EQ(notes(0).size(), 2u);
    mid_Stop();
    EXPECT_FALSE(mid_IsPlaying());
    advance(5000);
    EXPECT_EQ(ends(), 0u);
}

TEST_F(MidiPlayerTest, StoppingReleasesEveryNoteStillSounding)
{
    ASSERT_EQ(mid_Play(m_deck, m_path.c_str(), 0, 0, 1, 161), 1);
    advance(100);
    out().clearPlayed();
    mid_Stop();
    std::vector<std::vector<uint8_t>> sent;
    for (const MemoryMidiOut::Played& played : out().played())
        sent.push_back(played.bytes);
    EXPECT_EQ(sent, (std::vector<std::vector<uint8_t>>{{0x80, 60, 0}, {0xB0, 64, 0}}));
}

// The mixer's levels act on each channel's volume and pan as the output sends them: the
// file's own are adjusted, a device reset in the file gets the levels again, and levels set
// back to neutral give every channel the volume and pan the file gave it.
TEST_F(MidiPlayerTest, TheLevelsAdjustVolumeAndPanOfEveryChannel)
{
    // GM System On, then channel 1 at volume 80 and pan 30 and a note.
    std::vector<uint8_t> events = {0x00, 0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xB0, 7, 80, 0x00, 0xB0, 10, 30,
                                   0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    putBe(smf, uint32_t(events.size()), 4);
    smf.insert(smf.end(), events.begin(), events.end());
    write(smf);

    // What the output holds for each channel: (volume, pan), from when it opened.
    const auto state = [this](size_t from = 0) {
        std::array<std::pair<int, int>, 16> channels;
        channels.fill({100, 64});
        const auto& played = out().played();
        for (size_t i = from; i < played.size(); ++i) {
            const std::vector<uint8_t>& bytes = played[i].bytes;
            if (bytes.size() == 3 && (bytes[0] & 0xF0) == 0xB0 && bytes[1] == 7)
                channels[bytes[0] & 0x0F].first = bytes[2];
            if (bytes.size() == 3 && (bytes[0] & 0xF0) == 0xB0 && bytes[1] == 10)
                channels[bytes[0] & 0x0F].second = bytes[2];
        }
        return channels;
    };
    mid_SetLevels(25, 50);
    EXPECT_EQ(state()[3], std::make_pair(50, 127));
    out().clearPlayed();
    ASSERT_EQ(mid_Play(m_deck, m_path.c_str(), 0, 0, 1, 161), 1);
    advance(600);
    // After the reset, every channel got the levels again; the file's channel its own, adjusted.
    const auto& played = out().played();
    const auto reset = std::find_if(played.begin(), played.end(),
                                    [](const MemoryMidiOut::Played& p) { return p.bytes.size() == 6; });
    ASSERT_NE(reset, played.end());
    const size_t afterResetAt = size_t(reset - played.begin()) + 1;
    const std::array<std::pair<int, int>, 16> afterReset = state(afterResetAt);
    EXPECT_EQ(afterReset[3], std::make_pair(50, 127));
    EXPECT_EQ(afterReset[0], std::make_pair(40, 127));

    // A reset while the levels are neutral changes nothing more; neutral levels give the file's.
    mid_SetLevels(100, 0);
    const std::array<std::pair<int, int>, 16> neutral = state(afterResetAt);
    EXPECT_EQ(neutral[0], std::make_pair(80, 30));
    EXPECT_EQ(neutral[3], std::make_pair(100, 64));
    out().clearPlayed();
    mid_SetLevels(100, 0);
    ASSERT_TRUE(mid_SendLong(std::vector<uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(out().played().size(), 1u);
    // Balance left over keeps the left; gain and balance are held to their ranges.
    mid_SetLevels(400, -80);
    ASSERT_TRUE(mid_SendShort(0xB0 | 10 << 8 | 100 << 16));
    ASSERT_TRUE(mid_SendShort(0xB1 | 7 << 8 | 127 << 16));
    EXPECT_EQ(state()[0], std::make_pair(100, 0));
    EXPECT_EQ(state()[1], std::make_pair(127, 0));
    mid_SetLevels(100, 0);
}

TEST_F(MidiPlayerTest, WithoutAnOutputOrWithADamagedFileNothingPlays)
{
    mid_CloseOut();
    EXPECT_EQ(mid_Play(m_deck, m_path.c_str(), 0, 0, 1, 161), 0);
    ASSERT_NE(mid_OpenOut(-1), 0);
    std::vector<uint8_t> cut = twoBars();
    cut.resize(cut.size() - 10);
    write(cut);
    EXPECT_EQ(mid_Play(m_deck, m_path.c_str(), 0, 0, 1, 161), 0);
    EXPECT_FALSE(mid_IsPlaying());
}

TEST(MidiFileTest, DamagedFilesAreRefusedWithAReason)
{
    const std::vector<uint8_t> good = twoBars();
    std::string error;
    ASSERT_TRUE(MidiFile::parse(good, error));
    EXPECT_DOUBLE_EQ(MidiFile::parse(good, error)->lengthMs(), 4000);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"no header", {'M', 'T', 'h', 'x', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}});
    cases.push_back({"division 0", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0}});
    std::vector<uint8_t> longTrack = good;
    longTrack[18] = 0x7F;  // the tempo track claims two gigabytes
    cases.push_back({"track past the end", longTrack});
    std::vector<uint8_t> runaway = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 4,
                                    0x00, 0x40, 0x40, 0x40};
    cases.push_back({"data without status", runaway});
    std::vector<uint8_t> sysex = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 6,
                                  0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F};
    cases.push_back({"sysex longer than the file", sysex});
    std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 100, 0, 0, 0, 'R', 'M', 'I', 'D', 'j', 'u', 'n', 'k', 0xF8, 0xFF, 0xFF, 0xFF};
    cases.push_back({"RIFF chunk of nearly 4 GiB", riff});
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(MidiFile::parse(c.bytes, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

// Damaged copies of a good file, cut and changed at random places (a fixed seed), are read
// or refused, never more.
TEST(MidiFileTest, DamagedCopiesAreReadOrRefusedWithinTheirBytes)
{
    const std::vector<uint8_t> good = twoBars();
    std::mt19937 random(1234);
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        const int changes = 1 + int(random() % 4);
        for (int change = 0; change < changes; ++change)
            bytes[random() % bytes.size()] = uint8_t(random());
        if (random() % 3 == 0)
            bytes.resize(random() % bytes.size());
        std::string error;
        const std::optional<MidiFile> file = MidiFile::parse(bytes, error);
        if (!file) {
            ++refused;
            EXPECT_FALSE(error.empty());
            continue;
        }
        for (const MidiFile::Event& event : file->events()) {
            EXPECT_LE(event.ms, file->lengthMs());
            if (event.packed == 0) {
                EXPECT_LT(event.sysexIndex, file->sysex().size());
            }
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace rack

// The whole program in a virtual display, playing a Standard MIDI File through the built-in
// synthesizer into a WAV file: the program starts with the file on its command line and plays
// it, saves it as its own document and closes it; File > Open opens the MIDI file again and
// it plays; the saved document is opened, plays the same, and plays a last time with the
// metronome beeping. The file is the C major scale of the shared MIDI corpus, or, where that
// folder is absent, the same scale written by the test. The rendered sound is checked against
// the file's notes, and the later plays against the first.
//
// The program runs in this process, from a folder of its own that holds what lies beside the
// installed program (the resource libraries, the templates and, in one of the two builds of
// this test, the test view plug-in), and the test drives it by its commands, as the menus and
// the transport bar do. Without the view plug-in the documents open in the program's own
// frames with nothing drawn. Skipped where Xvfb or the sound font is missing.

#include "app/frame/CClientWnd.h"
#include "app/frame/CMainFrame.h"
#include "app/program/CMainApp.h"
#include "app/program/CQuavixApplication.h"
#include "app/tests/VirtualDisplay.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusWnd.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/Backend.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/BeepSource.h"
#include "platform/media/synth/SynthProvider.h"
#include "platform/ui/command/CommandRouter.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/play/CSeqMetronome.h"
#include "sequencer/transport/CSequence.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#ifndef QUAVIX_SCREENSHOT_DIR
#define QUAVIX_SCREENSHOT_DIR "screenshots"
#endif
#ifndef QUAVIX_CORPUS
#define QUAVIX_CORPUS "../shared/corpus"
#endif
// Whether the test view plug-in lies beside this build of the test.
#ifndef QUAVIX_WITH_TEST_VIEW
#define QUAVIX_WITH_TEST_VIEW 1
#endif

namespace fs = std::filesystem;

// In a sanitizer build: the desktop bus library that the display connection brings keeps a
// buffer to the end, which is not the program's to free.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

namespace {

constexpr uint32_t kPlay = 778, kStop = 777, kOpen = 57601, kSaveAs = 57604, kClose = 57602;
constexpr bool kWithView = QUAVIX_WITH_TEST_VIEW != 0;
// How long the program may take for a step on a busy machine: the test waits for each step
// to happen, at most this long.
constexpr int kPatienceMs = 60000;
// The rate the engine renders at: 16-bit stereo frames in the file.
constexpr uintmax_t kRenderRate = plat::media::AudioEngine::kDefaultSampleRate;

// The scale of the corpus file: eight quarter notes at 120 beats a minute from C4 up to C5,
// each 0.5 s, back to back.
constexpr int kNotes = 8;
constexpr double kNoteSeconds = 0.5;
constexpr int kScale[kNotes] = {60, 62, 64, 65, 67, 69, 71, 72};

// The scale as a Standard MIDI File of type 0, 96 ticks a quarter, no tempo.
std::vector<uint8_t> ScaleFile()
{
    std::vector<uint8_t> track;
    for (int key : kScale) {
        const auto note = static_cast<uint8_t>(key);
        track.insert(track.end(), {0x00, 0x90, note, 0x7F, 0x60, 0x80, note, 0x40});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60, 'M', 'T', 'r', 'k'};
    const auto length = static_cast<uint32_t>(track.size());
    for (int shift : {24, 16, 8, 0})
        file.push_back(static_cast<uint8_t>(length >> shift));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

double frequencyOf(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

// A mono rendering, read from a WAV file the engine is still writing: the samples up to the
// end of what is in the file, whatever the header says yet.
struct Sound {
    uint32_t rate = 0;
    std::vector<float> samples;

    static Sound Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Sound sound;
        const auto u32 = [&](size_t at) {
            return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
                   static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
                   static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
                   static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
        };
        if (bytes.size() < 12)
            return sound;
        uint16_t channels = 0;
        size_t at = 12;
        while (at + 8 <= bytes.size()) {
            const std::string id(bytes.data() + at, 4);
            const uint32_t size = u32(at + 4);
            if (id == "fmt " && at + 16 <= bytes.size()) {
                channels = static_cast<uint16_t>(static_cast<uint8_t>(bytes[at + 10]) | static_cast<uint8_t>(bytes[at + 11]) << 8);
                sound.rate = u32(at + 12);
            }
            if (id == "data") {
                at += 8;
                break;
            }
            at += 8 + size + (size & 1);
        }
        if (channels == 0)
            return sound;
        for (; at + 2u * channels <= bytes.size(); at += 2u * channels) {
            float sum = 0;
            for (uint16_t c = 0; c < channels; ++c) {
                const auto value = static_cast<int16_t>(static_cast<uint8_t>(bytes[at + 2 * c]) |
                                                        static_cast<uint8_t>(bytes[at + 2 * c + 1]) << 8);
                sum += value / 32768.0f;
            }
            sound.samples.push_back(sum / static_cast<float>(channels));
        }
        return sound;
    }

    size_t FrameAt(double seconds) const { return static_cast<size_t>(seconds * rate); }

    double Rms(double from, double to) const
    {
        const size_t first = std::min(FrameAt(from), samples.size()), last = std::min(FrameAt(to), samples.size());
        if (last <= first)
            return 0;
        double sum = 0;
        for (size_t i = first; i < last; ++i)
            sum += static_cast<double>(samples[i]) * samples[i];
        return std::sqrt(sum / static_cast<double>(last - first));
    }

    // The strength of one frequency between two times (a Goertzel filter).
    double Strength(double from, double to, double frequency) const
    {
        const size_t first = std::min(FrameAt(from), samples.size()), last = std::min(FrameAt(to), samples.size());
        const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / rate);
        double previous = 0, beforePrevious = 0;
        for (size_t i = first; i < last; ++i) {
            const double current = samples[i] + coefficient * previous - beforePrevious;
            beforePrevious = previous;
            previous = current;
        }
        return std::sqrt(previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious) /
               static_cast<double>(std::max<size_t>(1, last - first));
    }

    // The first time from `from` on where 10 ms of sound is louder than the threshold; -1 when
    // there is none.
    double OnsetAfter(double from, double threshold) const
    {
        for (double t = from; FrameAt(t + 0.01) <= samples.size(); t += 0.005) {
            if (Rms(t, t + 0.01) > threshold)
                return t;
        }
        return -1;
    }
};

class ProgramPlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_midi = fs::path(QUAVIX_CORPUS) / "midi" / "test-c-major-scale.mid";
        if (!VirtualDisplay::Installed())
            GTEST_SKIP() << "Xvfb is not installed (scripts/setup-deps.sh installs it)";
        if (!fs::exists(plat::media::SynthProvider::kDefaultSoundFont))
            GTEST_SKIP() << "the sound font is not installed (scripts/setup-deps.sh installs it)";

        char folder[] = "/tmp/quavix-play-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_dir = folder;
        for (const char* sub : {"config", "runtime", "data", "files"})
            fs::create_directories(m_dir / sub);
        fs::permissions(m_dir / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        if (fs::exists(m_midi)) {
            fs::copy(m_midi, m_dir / "files" / "scale.mid");
        } else {
            // Without the shared corpus the same scale, written here.
            std::ofstream(m_dir / "files" / "scale.mid", std::ios::binary).write(
                reinterpret_cast<const char*>(ScaleFile().data()), static_cast<std::streamsize>(ScaleFile().size()));
        }
        ::setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "runtime").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
        ::setenv("QUAVIX_MEDIA", "synth", 1);

        plat::Profile::setFolder((m_dir / "config").string());
        plat::Profile::setApplication(CMainApp::kApplication);
        SaveIntPreference("Settings\\Tips", "ShowStartUp", 0);
        SaveIntPreference("Settings", "FirstRun", 0);
        plat::Profile::instance().setString(plat::media::Backend::kSelectionSection,
                                            plat::media::Backend::kPlaybackFileValue, Render().string());

        ASSERT_TRUE(m_display.Start()) << "Xvfb did not come up";
        ::setenv("DISPLAY", m_display.Name().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }

    void TearDown() override
    {
        if (!m_dir.empty())
            fs::remove_all(m_dir);
    }

    fs::path Render() const { return m_dir / "render.wav"; }

    // Runs the event loop until done() holds or the time is up; whether it held.
    static bool RunUntil(const std::function<bool()>& done, int milliseconds)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > milliseconds)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return true;
    }

    // Plays the active document from its start to its end and gives what the file holds then.
    Sound PlayToTheEnd(CMainApp& app)
    {
        MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
        EXPECT_NE(doc, nullptr);
        if (!doc)
            return {};
        const auto playing = [doc] { return (doc->GetSequence()->GetState() & CSequence::statePlaying) != 0; };
        EXPECT_TRUE(app.Router().execute(kPlay));
        EXPECT_TRUE(RunUntil(playing, kPatienceMs)) << "play did not start";
        fs::create_directories(QUAVIX_SCREENSHOT_DIR);
        app.Frame()->grab().save(QString::fromStdString(std::string(QUAVIX_SCREENSHOT_DIR) +
                                                        (kWithView ? "/program-playing.png" : "/program-playing-no-view.png")));
        // The transport stops by itself after the last note.
        EXPECT_TRUE(RunUntil([&] { return !playing(); }, kPatienceMs)) << "play did not stop after the last note";
        if (playing())
            app.Router().execute(kStop);
        // The release rings out: the checks read up to 1.5 s past the last note, which the
        // engine writes to the file a second at a time, so the file is waited for until it
        // holds 3 s more than when the transport stopped.
        const auto frames = [this] {
            std::error_code error;
            const auto bytes = fs::file_size(Render(), error);
            return error ? uintmax_t{0} : bytes / 4;
        };
        const uintmax_t atStop = frames();
        EXPECT_TRUE(RunUntil([&] { return frames() >= atStop + 3 * kRenderRate; }, kPatienceMs))
            << "the sound after the last note was not written";
        return Sound::Read(Render());
    }

    fs::path m_midi;
    fs::path m_dir;
    VirtualDisplay m_display;
};

// Checks one play of the scale that starts at onset: each note sounds, at its own pitch, for
// its half second, and the piece is quiet after its end.
void ExpectTheScale(const Sound& sound, double onset, const char* which)
{
    SCOPED_TRACE(which);
    ASSERT_GE(onset, 0) << "no sound";
    const double loud = sound.Rms(onset, onset + kNotes * kNoteSeconds);
    for (int i = 0; i < kNotes; ++i) {
        const double from = onset + i * kNoteSeconds + 0.1, to = onset + (i + 1) * kNoteSeconds - 0.05;
        EXPECT_GT(sound.Rms(from, to), loud * 0.2) << "note " << i << " is not heard";
        const double own = sound.Strength(from, to, frequencyOf(kScale[i]));
        for (int neighbour : {kScale[i] - 1, kScale[i] + 1})
            EXPECT_GT(own, 3 * sound.Strength(from, to, frequencyOf(neighbour))) << "note " << i << " is not key " << kScale[i];
    }
    const double after = onset + kNotes * kNoteSeconds + 1.0;
    EXPECT_LT(sound.Rms(after, after + 0.5), loud * 0.05) << "sound after the last note";
}

// The active document's frame: shown, of the test view or, without it, of no view.
void ExpectTheFrame(CMainApp& app, const std::string& title)
{
    MCOpusWnd* frame = app.Frame()->ActiveChildFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetDocument(), MCOpusDoc::GetActiveDoc());
    EXPECT_TRUE(frame->isVisible());
    if (kWithView)
        EXPECT_NE(frame->GetViewID(), 0u) << "the test view shows it";
    else
        EXPECT_EQ(frame->GetViewID(), 0u) << "the program's own frame";
    EXPECT_EQ(frame->windowTitle().toStdString().rfind(title, 0), 0u) << frame->windowTitle().toStdString();
}

TEST_F(ProgramPlayTest, AMidiFileFromTheCommandLineAndFromFileOpenPlaysAndPlaysTheSameAfterItWasSavedAndOpenedAgain)
{
    static int argc = 1;
    static char name[] = "Quavix";
    static char* argv[] = {name, nullptr};
    CQuavixApplication application(argc, argv);
    // Nothing modal may wait for a user: dialogs end as their default button would, a file
    // chooser answers the native document's name for a save and the file the test names for
    // an open.
    const fs::path midi = m_dir / "files" / "scale.mid";
    const fs::path saved = m_dir / "files" / "scale.kvd";
    fs::path toOpen;
    plat::ui::ModalHooks::Hooks answers;
    answers.runDialog = [](QDialog&) { return int(QDialog::Accepted); };
    answers.chooseFile = [&](const plat::ui::ModalHooks::FileRequest& request) {
        return std::optional<std::string>((request.save ? saved : toOpen).string());
    };
    plat::ui::ModalHooks::Scoped hooks(answers);
    std::vector<std::string> told;
    const plat::UserPrompt::Hook previousPrompt = plat::UserPrompt::setHook([&](const plat::UserPrompt::Message& message) {
        told.push_back(message.text);
        return plat::UserPrompt::defaultAnswer(message);
    });

    {
        CMainApp app({midi.string()});
        ASSERT_TRUE(app.InitInstance());
        ASSERT_TRUE(RunUntil([] { return MCOpusDoc::GetActiveDoc() != nullptr; }, kPatienceMs)) << "the file did not open";
        ExpectTheFrame(app, "scale.mid");
        const Sound first = PlayToTheEnd(app);
        ASSERT_GT(first.rate, 0u) << "nothing was rendered into " << Render();
        const double firstOnset = first.OnsetAfter(0, 0.01);
        ExpectTheScale(first, firstOnset, "the MIDI file");

        // Saved as the program's own document: the frame and the recent files take its name.
        app.Router().execute(kSaveAs);
        ASSERT_TRUE(RunUntil([&] { return fs::exists(saved) && fs::file_size(saved) > 0; }, kPatienceMs)) << "not saved";
        ExpectTheFrame(app, "scale.kvd");
        ASSERT_FALSE(app.RecentFiles().Items().empty());
        EXPECT_EQ(app.RecentFiles().Items().front(), saved.string());
        MCOpusDoc::WaitThreadsFinished(1);
        app.Router().execute(kClose);
        ASSERT_TRUE(RunUntil([] { return MCOpusDoc::GetActiveDoc() == nullptr; }, kPatienceMs)) << "not closed";

        // File > Open: the MIDI file once more.
        toOpen = midi;
        ASSERT_TRUE(app.Router().execute(kOpen));
        ASSERT_TRUE(RunUntil([] { return MCOpusDoc::GetActiveDoc() != nullptr; }, kPatienceMs)) << "File > Open opened nothing";
        ExpectTheFrame(app, "scale.mid");
        const Sound opened = PlayToTheEnd(app);
        const double openedOnset =
            opened.OnsetAfter(static_cast<double>(first.samples.size()) / std::max(1u, opened.rate), 0.01);
        ExpectTheScale(opened, openedOnset, "the MIDI file from File > Open");
        app.Router().execute(kClose);
        ASSERT_TRUE(RunUntil([] { return MCOpusDoc::GetActiveDoc() == nullptr; }, kPatienceMs)) << "not closed";

        // And the saved document.
        toOpen = saved;
        ASSERT_TRUE(app.Router().execute(kOpen));
        ASSERT_TRUE(RunUntil([] { return MCOpusDoc::GetActiveDoc() != nullptr; }, kPatienceMs));
        ExpectTheFrame(app, "scale.kvd");

        // The playback file holds the whole run: each play follows the one before in it.
        const Sound both = PlayToTheEnd(app);
        const double openedEnd = both.samples.size() >= opened.samples.size()
                                     ? static_cast<double>(opened.samples.size()) / both.rate
                                     : 0.0;
        const double secondOnset = both.OnsetAfter(openedEnd, 0.01);
        ExpectTheScale(both, secondOnset, "the saved document");
        // Note for note as loud as the first time: each note's own pitch over a span that holds
        // all of it, so a note that a busy machine let start a little late counts the same.
        for (int i = 0; i < kNotes; ++i) {
            const double from = i * kNoteSeconds - 0.2, to = (i + 1) * kNoteSeconds + 0.2;
            const double pitch = frequencyOf(kScale[i]);
            const double once = first.Strength(std::max(0.0, firstOnset + from), firstOnset + to, pitch);
            const double again = both.Strength(std::max(0.0, secondOnset + from), secondOnset + to, pitch);
            EXPECT_NEAR(again, once, once * 0.1) << "note " << i;
        }

        // The metronome, set to beep rather than click through MIDI, beeps through the same
        // output on every beat: the beep's tone stands out of the scale at each beat's start.
        CSeqMetronome& metronome = MCOpusDoc::GetActiveDoc()->GetSequence()->GetMetronome();
        metronome.SetMetronomeMidi(0);
        metronome.EnableMetroPlay(1);
        const Sound all = PlayToTheEnd(app);
        const double thirdOnset = all.OnsetAfter(static_cast<double>(both.samples.size()) / all.rate, 0.01);
        ASSERT_GE(thirdOnset, 0) << "no sound with the metronome on";
        // The beep and the note reach the output by different ways, so the beep is looked for
        // near the beat's start: the strongest beep-long stretch there, against the same
        // stretch of the play without the metronome (where a note's overtone may lie).
        const auto strongest = [](const Sound& sound, double at) {
            double most = 0;
            for (double shift = -0.08; shift <= 0.08; shift += 0.01)
                most = std::max(most, sound.Strength(std::max(0.0, at + shift), at + shift + plat::media::BeepSource::kSeconds,
                                                     plat::media::BeepSource::kFrequency));
            return most;
        };
        for (int beat = 0; beat < kNotes; ++beat) {
            const double from = beat * kNoteSeconds;
            const double withBeep = strongest(all, thirdOnset + from);
            const double without = strongest(both, secondOnset + from);
            EXPECT_GT(withBeep, 3 * without) << "no beep on beat " << beat;
        }

        app.Frame()->close();
        RunUntil([] { return false; }, 200);
        app.ExitInstance();
    }
    plat::UserPrompt::setHook(previousPrompt);
    // Nothing went wrong that the user was told of (a question whether to save may come).
    for (const std::string& text : told)
        EXPECT_EQ(text.find("cannot"), std::string::npos) << text;
}

}  // namespace

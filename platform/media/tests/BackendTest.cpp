#include "platform/media/Backend.h"
#include "platform/core/Profile.h"
#include "platform/core/Trace.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/memory/MemoryProvider.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace plat::media {
namespace {

TEST(BackendTest, FamiliesFollowEachOtherInSelectionOrder)
{
    auto timers = std::make_unique<ManualTimerService>();
    auto* clock = timers.get();
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::make_unique<MemoryProvider>(*clock, 2, 1));
    providers.push_back(std::make_unique<MemoryProvider>(*clock, 1, 2));
    auto* second = static_cast<MemoryProvider*>(providers[1].get());
    Backend backend(std::move(timers), std::move(providers));

    EXPECT_EQ(backend.midiOutCount(), 3);
    EXPECT_EQ(backend.midiInCount(), 3);
    EXPECT_EQ(backend.waveOutCount(), 0);

    MidiOutPort::Caps caps;
    ASSERT_TRUE(backend.midiOutCaps(2, caps));
    EXPECT_EQ(caps.name, "Memory MIDI Out 1");
    EXPECT_FALSE(backend.midiOutCaps(3, caps));
    EXPECT_FALSE(backend.midiOutCaps(-1, caps));

    // Global index 2 is the second family's first output.
    auto port = backend.createMidiOut(2);
    ASSERT_TRUE(port);
    ASSERT_EQ(port->open(nullptr), kOk);
    EXPECT_TRUE(second->midiOut(0).isOpen());
    EXPECT_EQ(port->close(), kOk);
    EXPECT_EQ(backend.createMidiOut(3), nullptr);
    EXPECT_EQ(backend.createMidiIn(-1), nullptr);
    EXPECT_EQ(backend.createWaveOut(0), nullptr);
}

TEST(BackendTest, SelectionSkipsUnknownAndRepeatedNames)
{
    auto backend = Backend::fromSelection(" bogus, memory ,memory,alsa-not-here");
    ASSERT_NE(backend->provider("memory"), nullptr);
    EXPECT_EQ(backend->provider("bogus"), nullptr);
    EXPECT_EQ(backend->midiOutCount(), MemoryProvider::kDefaultMidiOuts);
    EXPECT_EQ(backend->midiInCount(), MemoryProvider::kDefaultMidiIns);

    EXPECT_EQ(Backend::fromSelection("")->midiOutCount(), 0);
}

TEST(BackendTest, TheEnvironmentOverridesTheSettingWhichOverridesTheDefault)
{
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "backend-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    plat::Profile::setFolder(folder);
    plat::Profile::setApplication("BackendTest");
    const char* saved = std::getenv("QUAVIX_MEDIA");
    const std::string previous = saved ? saved : "";

    unsetenv("QUAVIX_MEDIA");
    EXPECT_EQ(Backend::selection(), Backend::kDefaultSelection);
    ASSERT_TRUE(plat::Profile::instance().setString(Backend::kSelectionSection, Backend::kSelectionValue, "memory,synth"));
    EXPECT_EQ(Backend::selection(), "memory,synth");
    setenv("QUAVIX_MEDIA", "memory", 1);
    EXPECT_EQ(Backend::selection(), "memory");

    if (saved)
        setenv("QUAVIX_MEDIA", previous.c_str(), 1);
    else
        unsetenv("QUAVIX_MEDIA");
    fs::remove_all(folder);
}

TEST(BackendTest, InstallReplacesTheProcessBackend)
{
    auto timers = std::make_unique<ManualTimerService>();
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::make_unique<MemoryProvider>(*timers, 4, 0));
    auto previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
    EXPECT_EQ(Backend::instance().midiOutCount(), 4);
    Backend::install(std::move(previous));
}

class TraceLines {
public:
    TraceLines()
    {
        m_previous = plat::setTraceSink([this](std::string_view line) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(line);
        });
    }
    ~TraceLines() { plat::setTraceSink(m_previous); }
    size_t count(const std::string& text) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<size_t>(std::count_if(m_lines.begin(), m_lines.end(),
                                                 [&](const std::string& l) { return l.find(text) != std::string::npos; }));
    }
    size_t size() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines.size();
    }

private:
    plat::TraceSink m_previous;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

TEST(BackendTest, AnUnknownFamilyIsNamedInTheTrace)
{
    TraceLines trace;
    auto backend = Backend::fromSelection("memory,midiman");
    EXPECT_EQ(trace.count("\"midiman\" is no device family"), 1u);
    EXPECT_EQ(backend->midiOutCount(), MemoryProvider::kDefaultMidiOuts);
}

TEST(BackendTest, AMachineWithoutSoundDevicesListsNoneAndSaysSoOnce)
{
    if (::access("/dev/snd", F_OK) == 0)
        GTEST_SKIP() << "this machine has sound devices";
    TraceLines trace;
    auto first = Backend::fromSelection("alsa");
    EXPECT_EQ(first->midiOutCount() + first->midiInCount() + first->waveOutCount() + first->waveInCount(), 0);
    ASSERT_NE(first->provider("alsa"), nullptr);
    // Nothing alarming: only that there is no output device at all, once in the process (so
    // not here when an earlier test of this process has said it).
    const size_t said = trace.count("no output device at all");
    EXPECT_LE(said, 1u);
    EXPECT_EQ(trace.size(), said);
    auto second = Backend::fromSelection("synth,alsa");
    EXPECT_EQ(second->midiOutCount(), 0);  // the synthesizer has nothing to play through
    EXPECT_EQ(trace.count("no output device at all"), said);
    EXPECT_EQ(trace.count("Quavix Synth: there is no audio output"), 1u);
}

}  // namespace
}  // namespace plat::media

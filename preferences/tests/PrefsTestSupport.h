#pragma once

// What the preference tests share: the application object and a settings folder of each test's
// own, recorded messages, dialogs answered by the test, a device manager over memory MIDI
// devices and a sound output on a manual clock, the states announced without a performance, a
// dump of every stored value, and screenshots.

#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"

#include "interface/pages/MCPrefsPage.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCBase.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/media/memory/MemoryProvider.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/dialog/PropertySheet.h"
#include "preferences/sheet/InitPrefs.h"
#include "wavegate/CMidiOut.h"
#include "wavegate/CWaveOut.h"
#include "wavegate/CWavegate.h"

#include "interface/document/CPluginView.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "platform/core/Resources.h"

#include <QApplication>
#include <QDialog>
#include <QMdiArea>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <typeindex>
#include <vector>

namespace prefstest {

// Every value of the store below section, one "section\name=value" line each, sections and
// names in order.
inline void DumpSection(const std::string& section, std::vector<std::string>& lines)
{
    plat::Profile& profile = plat::Profile::instance();
    for (const std::string& name : profile.valueNames(section)) {
        const std::string value = profile.getString(section, name).value_or("<binary>");
        lines.push_back((section.empty() ? "" : section + "\\") + name + "=" + value);
    }
    for (const std::string& sub : profile.sectionNames(section))
        DumpSection(section.empty() ? sub : section + "\\" + sub, lines);
}

inline std::string Dump()
{
    std::vector<std::string> lines;
    DumpSection("", lines);
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// The lines of after that before does not have, in order.
inline std::string Added(const std::string& before, const std::string& after)
{
    std::istringstream old(before);
    std::vector<std::string> known;
    for (std::string line; std::getline(old, line);)
        known.push_back(line);
    std::istringstream now(after);
    std::string added;
    for (std::string line; std::getline(now, line);) {
        if (std::find(known.begin(), known.end(), line) == known.end())
            added += line + "\n";
    }
    return added;
}

// The states applied without a performance, as the program's main window would get them; each
// is also passed on to forward (the frame passes it to every open document).
class AnnouncedStates {
public:
    AnnouncedStates()
    {
        m_previous = MCStateMgr::SetMainWindowHandler([this](SCBase* state) {
            m_codes.push_back(state->GetCode());
            if (forward)
                forward(state);
        });
    }
    ~AnnouncedStates() { MCStateMgr::SetMainWindowHandler(m_previous); }
    AnnouncedStates(const AnnouncedStates&) = delete;
    AnnouncedStates& operator=(const AnnouncedStates&) = delete;

    std::vector<int> Take()
    {
        plat::MessageLoop::current().pump();
        return std::exchange(m_codes, {});
    }

    std::function<void(SCBase*)> forward;

private:
    // The states travel through the window a state manager makes, as the program's frame
    // makes it at start-up.
    MCStateMgr m_manager;
    std::vector<int> m_codes;
    MCStateMgr::MainWindowHandler m_previous;
};

// A family with nothing but the sound outputs given to it.
class TestSoundProvider final : public plat::media::DeviceProvider {
public:
    explicit TestSoundProvider(std::vector<SoundOutput> outputs) : m_outputs(std::move(outputs)) {}
    std::string name() const override { return "test-sound"; }
    std::vector<plat::media::MidiOutPort::Caps> midiOuts() const override { return {}; }
    std::vector<plat::media::MidiInPort::Caps> midiIns() const override { return {}; }
    std::vector<plat::media::WaveOutDevice::Caps> waveOuts() const override { return {}; }
    std::vector<plat::media::WaveInDevice::Caps> waveIns() const override { return {}; }
    std::unique_ptr<plat::media::MidiOutPort> createMidiOut(int) override { return nullptr; }
    std::unique_ptr<plat::media::MidiInPort> createMidiIn(int) override { return nullptr; }
    std::unique_ptr<plat::media::WaveOutDevice> createWaveOut(int) override { return nullptr; }
    std::unique_ptr<plat::media::WaveInDevice> createWaveIn(int) override { return nullptr; }
    std::vector<SoundOutput> soundOutputs() const override { return m_outputs; }

private:
    std::vector<SoundOutput> m_outputs;
};

// Two memory MIDI outputs, one memory MIDI input and one sound output, on a manual clock; the
// devices are open and started.
class Devices {
public:
    static constexpr uint32_t kStartMs = 10000;

    Devices()
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(kStartMs);
        m_timers = timers.get();
        m_engine = std::make_shared<plat::media::AudioEngine>(*m_timers,
                                                              std::make_unique<plat::media::MemoryAudioSink>(48000 * 4));
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*m_timers, 2, 1);
        m_memory = memory.get();
        providers.push_back(std::move(memory));
        providers.push_back(std::make_unique<TestSoundProvider>(
            std::vector<plat::media::DeviceProvider::SoundOutput>{{"Test sound output", m_engine}}));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI | CWavegate::WG_INIT_WAVE);
        m_wavegate->OpenDevices();
        m_wavegate->StartDevices();
        m_wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0);
    }
    ~Devices()
    {
        m_wavegate->StopDevices();
        m_wavegate->CloseDevices();
        m_wavegate.reset();
        m_engine.reset();
        plat::media::Backend::install(std::move(m_previous));
    }
    Devices(const Devices&) = delete;
    Devices& operator=(const Devices&) = delete;

    CWavegate& Wavegate() { return *m_wavegate; }
    plat::media::MemoryMidiOut& Out(int index) { return m_memory->midiOut(index); }
    CWaveOut& WaveOut() { return *static_cast<CWaveOut*>(m_wavegate->GetDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0)); }
    // The format index-like description of the output's format: rate, channels, bits.
    std::vector<int> OutputFormat()
    {
        const WG_DevFormat* format = m_wavegate->GetDeviceFormat(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0);
        if (!format)
            return {};
        return {int(format->samplesPerSec), int(format->channels), int(format->bitsPerSample)};
    }

    // Moves the clock and lets the devices handle what it set off.
    void Step(uint32_t ms)
    {
        for (uint32_t done = 0; done < ms; done += 5) {
            m_timers->advance(5);
            m_engine->waitCaughtUp();
            m_wavegate->SyncDriverThread();
            for (int i = 0; i < m_wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT); ++i)
                m_wavegate->GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, i)->Sync();
        }
    }

    // The messages an output played at once (not through its stream).
    std::vector<std::vector<uint8_t>> Immediate(int out)
    {
        std::vector<std::vector<uint8_t>> messages;
        for (const auto& played : Out(out).takePlayed()) {
            if (played.immediate)
                messages.push_back(played.bytes);
        }
        return messages;
    }

private:
    plat::media::ManualTimerService* m_timers = nullptr;
    plat::media::MemoryProvider* m_memory = nullptr;
    std::shared_ptr<plat::media::AudioEngine> m_engine;
    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
};

// Dialogs run by the code under test are answered by a script: each gets the next function
// (which may work the dialog and answers its result); with none left they are turned down.
class DialogScript {
public:
    DialogScript()
    {
        plat::ui::ModalHooks::Hooks hooks;
        hooks.runDialog = [this](QDialog& dialog) {
            m_seen.emplace_back(typeid(dialog));
            if (m_answers.empty())
                return int(QDialog::Rejected);
            auto answer = std::move(m_answers.front());
            m_answers.erase(m_answers.begin());
            return answer(dialog);
        };
        hooks.popupMenu = [this](QMenu& menu, const QPoint&) -> QAction* {
            return m_menuPick ? m_menuPick(menu) : nullptr;
        };
        m_scope = std::make_unique<plat::ui::ModalHooks::Scoped>(hooks);
    }
    void Answer(std::function<int(QDialog&)> answer) { m_answers.push_back(std::move(answer)); }
    void PickFromMenu(std::function<QAction*(QMenu&)> pick) { m_menuPick = std::move(pick); }
    const std::vector<std::type_index>& Seen() const { return m_seen; }

private:
    std::vector<std::function<int(QDialog&)>> m_answers;
    std::function<QAction*(QMenu&)> m_menuPick;
    std::vector<std::type_index> m_seen;
    std::unique_ptr<plat::ui::ModalHooks::Scoped> m_scope;
};

// The view that shows the test documents: an empty window.
class TestView : public QWidget, public plat::Object {
    PLAT_DECLARE_DYNCREATE(TestView)
};

// A document template with its area and a view, so that documents open as in the program.
class DocumentHost {
public:
    DocumentHost()
        : m_strings("PrefsTestView", kStrings),
          m_view(&TestView::classObject, &MCOpusWnd::classObject, "PrefsTestView", 2, 9310, 1),
          m_template(131, nullptr, nullptr)
    {
        CPluginView::AddPlugin(&m_view);
        m_template.SetMdiArea(&m_area);
    }
    ~DocumentHost() { CPluginView::RemovePlugin(&m_view); }
    DocumentHost(const DocumentHost&) = delete;
    DocumentHost& operator=(const DocumentHost&) = delete;

    MCOpusDoc* NewDocument() { return m_template.OpenNewDocument(); }
    MCOpusTemplate& Template() { return m_template; }

private:
    static constexpr plat::Resources::Entry kStrings[] = {{9310, "&Test View"}};
    plat::Resources::Registration m_strings;
    CPluginView m_view;
    QMdiArea m_area;
    MCOpusTemplate m_template;
};

// A test with its own settings folder, its messages recorded, and the pages registered.
class PrefsTest : public ::testing::Test {
protected:
    void SetUp() override { InitPrefs(); }
    void TearDown() override
    {
        plat::MessageLoop::current().pump();
        MCOpusDoc::WaitThreadsFinished(0);
    }

    widgettest::ProfileFolder m_folder;
    documenttest::PromptLog m_prompts;
};

inline std::string Screenshot(QWidget& widget, const std::string& name)
{
    widget.adjustSize();
    return widgettest::saveScreenshot(widget, name);
}

}  // namespace prefstest

#pragma once

// What the sequencer tests share: the data-class registry and the settings kept apart from other
// tests, a piece built in memory, and a device manager over memory devices on a manual clock.

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/plugins/CPluginData.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/states/SCBase.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryMidiOut.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/data/DCsqNote.h"
#include "wavegate/CMidiOut.h"
#include "wavegate/CWavegate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Registers the sequencer's data classes for the length of a scope and puts back what the
// sequencer's column of the registry held before; the settings go to a folder of their own.
class SequencerEnvironment {
public:
    SequencerEnvironment()
    {
        for (int id = 0; id < EventId::Count; ++id)
            m_saved.emplace_back(CPluginData::GetDataClass(0, id), 0, id);
        char pattern[] = "/tmp/quavix-sequencer-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        // The store starts as the first test's did once the sequencer had started; the path
        // is made without asking the profile, which would read the file before it is there.
        const std::filesystem::path store =
            std::filesystem::path(plat::Profile::userFolder()) / (plat::Profile::application() + ".conf");
        Seed& seed = seeded();
        std::error_code ignored;
        if (!seed.file.empty() && std::filesystem::create_directories(store.parent_path(), ignored))
            std::filesystem::copy_file(seed.file, store, ignored);
        m_registered = InitSequencer();
        if (seed.file.empty() && std::filesystem::exists(store, ignored))
            seed.keep(store);
    }
    ~SequencerEnvironment()
    {
        for (const CPluginData& cell : m_saved) {
            if (cell.GetDataClass())
                CPluginData::AddPlugin(&cell);
            else
                CPluginData::RemovePlugin(&cell);
        }
        std::error_code ignored;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ignored);
    }
    SequencerEnvironment(const SequencerEnvironment&) = delete;
    SequencerEnvironment& operator=(const SequencerEnvironment&) = delete;

    int Registered() const { return m_registered; }

private:
    // The settings a fresh store holds once the sequencer has started, kept once per process:
    // start-up writes some fifty defaults, each synced to the disk, which cost every test a
    // third of a second. A store seeded with them ends start-up just as a fresh one does.
    struct Seed {
        std::filesystem::path file;
        void keep(const std::filesystem::path& store)
        {
            char pattern[] = "/tmp/quavix-sequencer-seed-XXXXXX";
            if (!::mkdtemp(pattern))
                return;
            std::error_code failed;
            std::filesystem::copy_file(store, std::filesystem::path(pattern) / "seed.conf", failed);
            if (!failed)
                file = std::filesystem::path(pattern) / "seed.conf";
            else
                std::filesystem::remove_all(pattern, failed);
        }
        ~Seed()
        {
            std::error_code ignored;
            if (!file.empty())
                std::filesystem::remove_all(file.parent_path(), ignored);
        }
    };
    static Seed& seeded()
    {
        static Seed seed;
        return seed;
    }

    std::vector<CPluginData> m_saved;
    std::string m_folder;
    int m_registered = 0;
};

// A performance with a conductor, staves and 4/4 bars, into which notes with sequencer data go.
class Piece {
public:
    Piece()
    {
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, 0);
    }
    ~Piece()
    {
        m_performance->ClearUndo();
        MCCommandMgr::OnIdle();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    ECPerformance* Performance() const { return m_performance; }
    ECConductor* Conductor() const { return m_conductor; }
    ECConductorStaff* ConductorStaff() const { return m_conductor->GetConductorStaff(); }

    void AddStaves(int count)
    {
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, count);
        add->SetSynchronous(1);
        add->Apply(m_performance);
    }
    // Bars of the meter in force up to the time.
    void AddBarsUpTo(float time) { ConductorStaff()->GetConductorMeasureAtTime(MCTime(time - 0.001f), 1, 1); }

    // A note on a staff (voice 0) with its sequencer data: note on with the key and velocity 100
    // on the channel, note off with velocity 0. Null when the staff has no bar at that time.
    ECNote* AddNote(int staff, float time, float duration, int key, int channel = 0)
    {
        ECMeasure* measure = m_conductor->GetMeasure(staff, MCTime(time), 0, 0);
        if (!measure)
            return nullptr;
        auto* note = new ECNote(MCTime(time), MCTime(duration));
        note->SetVoiceTrack(0, staff);
        measure->AddChild(note, 1);
        if (auto* data = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 1))) {
            data->SetNoteOnData(FCMidi(static_cast<MIDIWORD>(0x90 | channel) | static_cast<MIDIWORD>(key) << 8 | 100u << 16));
            data->SetNoteOffData(FCMidi(static_cast<MIDIWORD>(0x80 | channel) | static_cast<MIDIWORD>(key) << 8));
        }
        return note;
    }

private:
    ECPerformance* m_performance = nullptr;
    ECConductor* m_conductor = nullptr;
};

// A device manager over memory MIDI outputs on a manual clock. Step() moves the clock and then
// waits until the driver and device threads have handled what the clock set off, so a test sees
// a settled state and nothing sleeps.
class MemoryDevices {
public:
    static constexpr uint32_t kStartMs = 10000;

    explicit MemoryDevices(int midiOuts = 2, int midiIns = 1)
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(kStartMs);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*m_timers, midiOuts, midiIns);
        m_memory = memory.get();
        providers.push_back(std::move(memory));
        m_previous = plat::media::Backend::install(std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI);
    }
    ~MemoryDevices()
    {
        m_wavegate.reset();
        plat::media::Backend::install(std::move(m_previous));
    }
    MemoryDevices(const MemoryDevices&) = delete;
    MemoryDevices& operator=(const MemoryDevices&) = delete;

    CWavegate& Wavegate() { return *m_wavegate; }
    plat::media::MemoryMidiOut& Out(int index) { return m_memory->midiOut(index); }
    plat::media::MemoryMidiIn& In(int index) { return m_memory->midiIn(index); }
    plat::media::ManualTimerService& Timers() { return *m_timers; }

    // Opens and starts every device; the first MIDI output clocks the slices.
    void Start()
    {
        m_wavegate->OpenDevices();
        m_wavegate->StartDevices();
    }

    void Settle()
    {
        for (int round = 0; round < 2; ++round) {
            m_wavegate->SyncDriverThread();
            for (int i = 0; i < m_wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT); ++i)
                static_cast<CMidiOut*>(m_wavegate->GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, i))->Sync();
        }
    }

    // Moves the clock in steps of at most stepMs, settling after each.
    void Step(uint32_t ms, uint32_t stepMs = 10)
    {
        while (ms > 0) {
            const uint32_t step = std::min(ms, stepMs);
            m_timers->advance(step);
            Settle();
            ms -= step;
        }
    }

private:
    plat::media::ManualTimerService* m_timers = nullptr;
    plat::media::MemoryProvider* m_memory = nullptr;
    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
};

// The states the performance's handlers saw, in order.
class StateLog {
public:
    explicit StateLog(ECPerformance* performance) : m_performance(performance)
    {
        performance->AddStateHandler(&StateLog::Handler, this);
    }
    ~StateLog() { m_performance->RemoveStateHandlers(); }
    StateLog(const StateLog&) = delete;
    StateLog& operator=(const StateLog&) = delete;

    // Delivers what was posted to this thread, then hands over the codes seen so far.
    std::vector<int> Take()
    {
        plat::MessageLoop::current().pump();
        return std::exchange(m_codes, {});
    }

private:
    static int Handler(ECBase*, int, void* state, void* user)
    {
        static_cast<StateLog*>(user)->m_codes.push_back(static_cast<SCBase*>(state)->GetCode());
        return 0;
    }
    ECPerformance* m_performance;
    std::vector<int> m_codes;
};

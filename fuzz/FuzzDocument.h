#pragma once

// The document the MIDI file fuzz targets read into: a fresh piece for every input, with the
// sequencer's data classes registered once and the settings kept in a folder of their own.

#include "fuzz/FuzzTempFolder.h"
#include "interface/midifile/MCMidiDocument.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/Profile.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/transport/CSequence.h"

#include <cstdlib>
#include <filesystem>

class FuzzDocument : public MCMidiDocument {
public:
    FuzzDocument() = default;
    ~FuzzDocument() override { Release(); }
    FuzzDocument(const FuzzDocument&) = delete;
    FuzzDocument& operator=(const FuzzDocument&) = delete;

    // Once per process.
    static void Setup()
    {
        static const bool done = [] {
            setenv("QUAVIX_MEDIA", "memory", 0);
            const std::filesystem::path folder = FuzzTempFolder::Path() / "settings";
            std::filesystem::create_directories(folder);
            plat::Profile::setFolder(folder.string());
            return InitSequencer() != 0;
        }();
        (void)done;
    }

    ECPerformance* CreatePerformance(int) override
    {
        Release();
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_performance->AddChild(new ECConductor, 0);
        return m_performance;
    }
    ECPerformance* GetPerformance() override { return m_performance; }
    CSequence& GetSequence() override { return m_sequence; }
    void SetMidiFileStatus(const MCMidiFile&, int) override {}
    int GetMidiFileEvents(const MCTime&, MCTime&, int, CWGEventList&) override { return 1; }

private:
    void Release()
    {
        m_sequence.Detach();
        if (m_performance) {
            m_performance->ClearUndo();
            MCCommandMgr::OnIdle();
            m_performance->RemoveChildren(1);
            m_performance->Unref(1);
            m_performance = nullptr;
        }
    }

    CSequence m_sequence;
    ECPerformance* m_performance = nullptr;
};

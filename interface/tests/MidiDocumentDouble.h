#pragma once

// A MIDI document without the program's document around it: a fresh piece with its conductor,
// and the sequence a file is written from. Tests, benchmarks and fuzz targets build on it.

#include "interface/midifile/MCMidiDocument.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "sequencer/transport/CSequence.h"

class MidiDocumentDouble : public MCMidiDocument {
public:
    MidiDocumentDouble() = default;
    ~MidiDocumentDouble() override { Release(); }
    MidiDocumentDouble(const MidiDocumentDouble&) = delete;
    MidiDocumentDouble& operator=(const MidiDocumentDouble&) = delete;

    // Frees the piece before, so a second file read starts afresh.
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

protected:
    // Takes the piece down the way the program's document does: its undo first, then its
    // elements, then the piece itself.
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

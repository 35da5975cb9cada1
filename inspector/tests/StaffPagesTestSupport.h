#pragma once

// What the tests of the staff and document pages share: a document with staves whose voices
// play on memory MIDI outputs, the manager of those devices, the time source of the document,
// and helpers that set and read a staff's outputs and instruments.

#include "interface/controls/MCTimeSource.h"
#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECStaff.h"
#include "platform/media/memory/MemoryMidiOut.h"
#include "sequencer/data/DCsqStaff.h"
#include "wavegate/tests/WavegateTestSupport.h"

#include <memory>
#include <string>
#include <vector>

namespace staffpages {

// A staff's voice output and instrument: device, channel, and the patch at time 0 (-1: the
// voice has no patch).
struct Voice {
    int device;
    int channel;
    int bank;
    int program;
    bool operator==(const Voice&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Voice& v)
{
    return out << "{dev " << v.device << ", ch " << v.channel << ", bank " << v.bank << ", prog " << v.program << "}";
}

class StaffPagesTest : public documenttest::DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        auto timers = std::make_unique<plat::media::ManualTimerService>(10000);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*timers, 2, 1);
        m_memory = memory.get();
        providers.push_back(std::move(memory));
        m_previousBackend = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        OpenMidi();
        FillPiece(m_doc, 3, 2);
        m_times = std::make_unique<MCSequenceTimeSource>(*m_doc.GetSequence());
        MCTimeSource::SetActiveProvider([this] { return m_times.get(); });
        m_doc.SetModifiedFlag(0);
    }
    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        m_times.reset();
        m_wavegate.reset();
        plat::media::Backend::install(std::move(m_previousBackend));
        DocumentTest::TearDown();
    }

    // The device manager over the memory outputs, opened.
    void OpenMidi()
    {
        m_wavegate = std::make_unique<CWavegate>();
        ASSERT_EQ(m_wavegate->Initialize(CWavegate::WG_INIT_MIDI), 1);
        m_wavegate->OpenDevices();
    }
    // Runs what the last Apply queued, with the devices open as in the program: a changed
    // envelope is heard once the command has let go of the performance.
    void RunCommands() { plat::MessageLoop::current().pump(); }

    ECStaff* Staff(int number)
    {
        return static_cast<ECStaff*>(m_doc.GetBaseEvent()->GetConductor()->GetTrack(1, number, 0));
    }
    DCsqStaff* Data(int number) { return plat::dynamicDowncast<DCsqStaff>(Staff(number)->GetData(0, 1)); }
    // Sets a voice's output and, unless program is -1, its patch at time 0.
    void SetVoice(int staff, int voice, const Voice& v)
    {
        DCsqStaff* data = Data(staff);
        ASSERT_NE(data, nullptr);
        data->GetVoiceMap(voice)->SetDevice(static_cast<unsigned>(v.device));
        data->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>(v.channel));
        if (v.program < 0)
            return;
        AddPatch(staff, voice, MCTime(), v.bank, v.program);
    }
    // A patch change of the voice at the time, as the program places one.
    void AddPatch(int staff, int voice, const MCTime& time, int bank, int program)
    {
        auto* envelope = static_cast<ECPatchEnv*>(Data(staff)->GetEnvelope(DCsqStaff::envPatch, DCsqStaff::envCreate, voice, -1, -1));
        ASSERT_NE(envelope, nullptr);
        ASSERT_TRUE(envelope->SetPatch(time, (bank >> 7) & 127, bank & 127, program));
        ECEnvPoint* point = envelope->GetPointAt(time);
        point->SetVoice(voice);
        point->SetTrack(staff);
    }
    // What a voice plays at time 0 (bank and program -1 without a patch envelope).
    Voice GetVoice(int staff, int voice)
    {
        DCsqStaff* data = Data(staff);
        MCVoiceMap* map = data->GetVoiceMap(voice);
        Voice v{int(map->GetDevice()), int(map->GetChannel()), -1, -1};
        if (ECEnvelope* envelope = data->GetEnvelope(DCsqStaff::envPatch, 0, voice, -1, -1)) {
            if (ECEnvPoint* point = envelope->GetPointBeforeEqual(MCTime())) {
                v.bank = ECPatchEnv::GetBankMSB(point->GetValue()) << 7 | ECPatchEnv::GetBankLSB(point->GetValue());
                v.program = ECPatchEnv::GetProgram(point->GetValue());
            }
        }
        return v;
    }
    // The times and programs of a voice's patch changes.
    std::vector<std::pair<float, int>> Patches(int staff, int voice)
    {
        std::vector<std::pair<float, int>> patches;
        ECEnvelope* envelope = Data(staff)->GetEnvelope(DCsqStaff::envPatch, 0, voice, -1, -1);
        for (int i = 0; envelope && i < envelope->GetPointCount(); ++i) {
            ECEnvPoint* point = envelope->GetPointAtIndex(i);
            patches.emplace_back(point->GetTime()->GetSeconds(), ECPatchEnv::GetProgram(point->GetValue()));
        }
        return patches;
    }
    MCEventList& Select(const std::vector<int>& staves)
    {
        m_selection.RemoveAll();
        for (int number : staves)
            m_selection.AddTail(Staff(number));
        return m_selection;
    }
    // The messages each memory output played, as bytes, and forgets them.
    std::vector<std::vector<uint8_t>> Played(int device)
    {
        std::vector<std::vector<uint8_t>> messages;
        for (const auto& message : m_memory->midiOut(device).takePlayed())
            messages.push_back(message.bytes);
        return messages;
    }
    bool Undo()
    {
        std::string text;
        if (!m_doc.OnUpdateEditUndo(text))
            return false;
        m_doc.OnEditUndo();
        RunCommands();
        return true;
    }
    int UndoSteps()
    {
        int steps = 0;
        while (steps < 20 && Undo())
            ++steps;
        return steps;
    }

    plat::media::MemoryProvider* m_memory = nullptr;
    std::unique_ptr<CWavegate> m_wavegate;
    MCOpusDoc m_doc;
    MCEventList m_selection;

private:
    std::unique_ptr<plat::media::Backend> m_previousBackend;
    std::unique_ptr<MCTimeSource> m_times;
};

}  // namespace staffpages

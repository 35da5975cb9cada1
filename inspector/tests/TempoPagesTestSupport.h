#pragma once

// What the tests of the conductor's pages (system-exclusive messages, tempo marks, waves)
// share: a document of one staff with eight quarters, its time source active, elements added
// to it, a selection handed to a page the way the inspector hands it, and the undo history.

#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCTimeSource.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECWave.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "sequencer/data/DCsqSysMsg.h"

#include <memory>
#include <string>
#include <vector>

namespace tempopagestest {

class ConductorPageTest : public documenttest::DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, 1, 8);
        // A 4/4 meter, so that typed bar and beat times convert.
        auto* meter = new ECMeter(4, 4, 0);
        meter->SetTime(&MCTime::TimeZero());
        Staff()->GetMeterEnv()->AddChild(meter, 1);
        times = std::make_unique<MCSequenceTimeSource>(*doc.GetSequence());
        MCTimeSource::SetActiveProvider([this] { return times.get(); });
        doc.SetModifiedFlag(0);
    }
    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        DocumentTest::TearDown();
    }

    ECConductor* Conductor() { return doc.GetBaseEvent()->GetConductor(); }
    ECConductorStaff* Staff() { return Conductor()->GetConductorStaff(); }

    ECSystemMessage* AddSysEx(float time, const std::string& name, const std::vector<unsigned char>& bytes)
    {
        auto* message = new ECSystemMessage;
        message->SetMessageName(name);
        const MCTime at(time);
        message->SetTime(&at);
        EXPECT_TRUE(Staff()->AddChild(message, 1));
        auto* data = plat::dynamicDowncast<DCsqSysMsg>(message->GetData(0, 1));
        EXPECT_NE(data, nullptr);
        if (data)
            data->SetSysExData(FCMidiSysEx(bytes.data(), static_cast<unsigned>(bytes.size())));
        return message;
    }
    static std::vector<unsigned char> Bytes(ECBase* message)
    {
        auto* data = plat::dynamicDowncast<DCsqSysMsg>(message->GetData(0, 0));
        if (!data || !data->GetSysExData().GetSysExBuf())
            return {};
        const FCMidiSysEx& sysex = data->GetSysExData();
        return {sysex.GetSysExBuf(), sysex.GetSysExBuf() + sysex.GetSysExBufLength()};
    }

    // Tempo marks go in as the program adds them: a gradual change or a pause gets its closing
    // mark, a word its tempo.
    ECTempo* AddTempo(unsigned char type, float time, float duration = 0.0f, float bpm = 0.0f, float beat = 1.0f)
    {
        auto* tempo = new ECTempo(type, MCTime(duration));
        const MCTime at(time);
        tempo->SetTime(&at);
        const MCTime length(duration);
        tempo->SetDuration(&length);
        if (bpm > 0.0f)
            tempo->SetTempo(bpm, beat);
        auto* add = new CCAddTempo;
        add->Add(tempo, Staff()->GetTempoEnv(), FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(doc.GetBaseEvent());
        return tempo;
    }

    ECWave* AddWave(float time, float duration, const std::string& file, int track = 1)
    {
        auto* wave = new ECWave(MCTime(time), file);
        const MCTime length(duration);
        wave->SetDuration(&length);
        ECTrack* waves = Conductor()->GetTrack(ECConductor::waveTrack, track, 1);
        EXPECT_NE(waves, nullptr);
        if (waves) {
            EXPECT_TRUE(waves->AddChild(wave, 1));
        }
        return wave;
    }

    // Hands the elements to page as the inspector does and loads its fields.
    void Show(MCInspectorPage& page, std::vector<ECBase*> elements)
    {
        selection.RemoveAll();
        for (ECBase* element : elements)
            selection.AddTail(element);
        page.SetDocument(&doc);
        page.SetEventList(&selection);
        page.UpdatePage();
        if (!page.IsInitialized())
            page.onSetActive();
        else
            page.updateData(false);
        page.SetModifiedFlag(false);
    }

    std::string UndoTitle() const
    {
        std::string text;
        if (!doc.OnUpdateEditUndo(text))
            return {};
        return text.substr(0, text.find('\t'));
    }

    widgettest::ProfileFolder folder;
    MCOpusDoc doc;
    std::unique_ptr<MCSequenceTimeSource> times;
    MCEventList selection;
};

}  // namespace tempopagestest

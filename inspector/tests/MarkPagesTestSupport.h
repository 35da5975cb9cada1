#pragma once

// What the tests of the mark and staff pages share: a document of two staves and eight
// quarters whose times the time edits read, elements added to it outside the undo history,
// the selection a page shows, and the steps of showing, editing and applying a page the way
// the inspector does.

#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/controls/MCTimeSource.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECStaff.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqTrack.h"

#include <QTest>

#include <memory>
#include <string>

namespace markpagestest {

// Bars of four quarters throughout: what the time edits convert with (the pages' work is the
// time they hand on, not the conversion).
class FourFourTimes : public MCTimeSource {
public:
    void BarPulseTickTime(MCTime& time) override
    {
        if (time.GetMode() == MCTime::barPulseTick)
            return;
        const long ppq = MCTime::GlobalPPQ;
        const long ticks = time.GetTicks(ppq);
        time.SetBarPulseTick(int(ticks / (4 * ppq)), int(ticks / ppq % 4), int(ticks % ppq), int(ppq));
    }
    void NormalizeTime(MCTime& time) override
    {
        if (const BPTTime* bpt = time.GetBarPulseTick())
            time = MCTime(float(bpt->bar * 4 + bpt->pulse + double(bpt->tick) / bpt->ppq));
    }
    int MeterNumerator(const MCTime&) override { return 4; }
};

class MarkPagesTest : public documenttest::DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(m_doc, 2, 8);
        MCTimeSource::SetActiveProvider([this] { return m_times.get(); });
        m_doc.SetModifiedFlag(0);
    }
    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        DocumentTest::TearDown();
    }

    ECStaff* Staff(int number)
    {
        return m_doc.GetBaseEvent()->GetConductor()->GetConductorStaff()->GetStaff(number, 0);
    }
    DCsqTrack* TrackData(int number) { return plat::dynamicDowncast<DCsqTrack>(Staff(number)->GetData(0, 0)); }
    // The staff's envelope of that class, made on first use.
    template <class Envelope>
    Envelope* EnvelopeOf(int staff)
    {
        for (ECBase* child : *Staff(staff)->GetChildren())
            if (auto* envelope = plat::dynamicDowncast<Envelope>(child))
                return envelope;
        auto* envelope = new Envelope;
        Staff(staff)->AddChild(envelope, 1);
        return envelope;
    }
    // A point at a time with a value, in an envelope, outside the undo history.
    template <class Point>
    Point* AddPoint(ECBase* envelope, Point* point, float time, float value)
    {
        MCTime at(time);
        point->SetTime(&at);
        point->SetValue(value);
        envelope->AddChild(point, 1);
        return point;
    }
    // Runs a command outside the undo history (to build the piece).
    void Run(CCBase* command)
    {
        command->SetSynchronous(1);
        command->Apply(m_doc.GetBaseEvent());
        m_doc.SetModifiedFlag(0);
    }
    ECText* NameStaff(int staff, const std::string& text)
    {
        auto* name = new ECText(3, text);
        name->SetTime(&MCTime::TimeZero());
        name->SetVoiceTrack(0, staff);
        Run(new CCAdd(name, Staff(staff), FCMidi::MidiNull()));
        return name;
    }

    // The page shows the selection as the inspector shows it: document and elements given,
    // the page refreshed, then loaded into its controls.
    void Show(MCInspectorPage& page)
    {
        page.SetDocument(&m_doc);
        page.SetEventList(&m_selection);
        page.UpdatePage();
        if (!page.IsInitialized())
            page.onSetActive();
        else
            page.updateData(false);
    }
    void Select(std::initializer_list<ECBase*> elements)
    {
        m_selection.RemoveAll();
        for (ECBase* element : elements)
            m_selection.AddTail(element);
    }
    // Types text into an edit of the page as a user does, replacing what it shows.
    static void Type(QWidget& page, int id, const QString& text)
    {
        auto* edit = plat::ui::item<QLineEdit>(&page, id);
        ASSERT_NE(edit, nullptr) << id;
        edit->setFocus();
        edit->selectAll();
        if (!edit->text().isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    static MCSpinEdit* Spin(QWidget& page, int id) { return plat::ui::item<MCSpinEdit>(&page, id); }
    static QString Text(QWidget& page, int id)
    {
        auto* edit = plat::ui::item<QLineEdit>(&page, id);
        return edit ? edit->text() : QString("<none>");
    }
    // The name of the step Undo would take back; "" when there is none.
    std::string UndoName()
    {
        std::string text;
        if (!m_doc.OnUpdateEditUndo(text))
            return {};
        text = text.substr(0, text.find('\t'));
        return text.rfind("Undo ", 0) == 0 ? text.substr(5) : text;
    }
    void Undo() { m_doc.OnEditUndo(); }

    MCOpusDoc m_doc;
    MCEventList m_selection;
    std::unique_ptr<FourFourTimes> m_times = std::make_unique<FourFourTimes>();
};

}  // namespace markpagestest

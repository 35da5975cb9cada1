#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/ConfigureRemove.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECBeam.h"
#include "notabase/model/ECChord.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECRest.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/model/ECTranspose.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECKey.h"
#include "notabase/tests/CommandPiece.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

class ConfigureRemoveTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        build(1, 8.0f);
        ECMeasure* bar1 = measureAt(1, 0.0f);
        ECMeasure* bar2 = measureAt(1, 4.0f);
        m_named["bar1"] = bar1;
        m_named["note1"] = note(1, 1.0f);
        m_named["note2"] = note(1, 2.0f);
        m_named["note5"] = note(1, 5.0f);
        auto* rest = new ECRest;
        MCTime t(3.0f);
        rest->SetTime(&t);
        bar1->AddChild(rest, 1);
        m_named["rest"] = rest;
        auto* chord = new ECChord;
        t = 6.0f;
        chord->SetTime(&t);
        chord->AddChild(new ECNote(t, MCTime(1.0f)), 1);
        chord->AddChild(new ECNote(t, MCTime(1.0f)), 1);
        bar2->AddChild(chord, 1);
        m_named["chord"] = chord;
        m_named["clef0"] = mark(new ECClef(1), 0.0f, bar1);
        m_named["clef4"] = mark(new ECClef(2), 4.5f, bar2);
        m_named["key0"] = mark(new ECKey(1, 0, 0), 0.5f, bar1);
        m_named["key4"] = mark(new ECKey(2, 0, 0), 4.25f, bar2);
        // A key at time 0 of its own: the first one stands at 0.5 to keep the measure in order.
        auto* key = new ECKey(3, 0, 0);
        key->SetHand(1);
        m_named["keyAt0"] = mark(key, 0.0f, bar1);
        auto* beam = new ECBeam;
        bar2->AddChild(beam, 1);
        m_named["beam"] = beam;

        auto* envelope = new ECControllerEnv;
        staff(1)->AddChild(envelope, 1);
        m_named["dynamic"] = point(new ECDynamic, 1.0f, envelope);
        m_named["pedal"] = point(new ECPedal, 2.0f, envelope);
        m_named["transpose"] = point(new ECTranspose, 3.0f, envelope);
        ECTempoEnv* tempos = conductorStaff().GetTempoEnv();
        m_named["tempo0"] = point(new ECTempo, 0.0f, tempos);
        m_named["tempo4"] = point(new ECTempo, 4.0f, tempos);

        auto* name = new ECText;
        name->SetTextType(3);
        name->SetText("Flute");
        staff(1)->AddChild(name, 1);
        m_named["trackName"] = name;
        auto* words = new ECText;
        words->SetText("dolce");
        staff(1)->AddChild(words, 1);
        m_named["text"] = words;
        m_named["staff"] = staff(1);
        m_named["conductorStaff"] = &conductorStaff();
        m_named["performance"] = m_performance;
        // Looked at only: the commands made for them are not applied.
        m_meter.reset(new ECMeter);
        MCTime at(4.0f);
        m_meter->SetTime(&at);
        m_named["meter"] = m_meter.get();
        m_meter0.reset(new ECMeter);
        m_named["meter0"] = m_meter0.get();
    }
    ECBase* mark(ECBase* element, float time, ECMeasure* measure)
    {
        MCTime t(time);
        element->SetTime(&t);
        measure->AddChild(element, 1);
        return element;
    }
    ECBase* point(ECBase* element, float time, ECEnvelope* envelope)
    {
        MCTime t(time);
        element->SetTime(&t);
        envelope->AddChild(element, 1);
        return element;
    }
    // The commands as "id:name name ..." with the elements they name.
    std::vector<std::string> describe(const MCCommandList& commands)
    {
        std::map<ECBase*, std::string> names;
        for (const auto& [name, element] : m_named)
            names[element] = name;
        std::vector<std::string> out;
        for (CCBase* command : commands) {
            MCEventList events;
            // A meter's removal lists its mirrors; the meter is its snapshot 0.
            if (auto* meter = plat::dynamicDowncast<CCRemoveMeter>(command))
                events.AddTail(meter->GetMeter(0));
            else if (auto* remove = plat::dynamicDowncast<CCRemove>(command))
                remove->GetRemoveEvents(events);
            else if (auto* edit = plat::dynamicDowncast<CCEdit>(command))
                edit->GetEditEvents(events);
            std::string line = std::to_string(command->GetCommandId()) + ":";
            for (ECBase* element : events)
                line += " " + (names.count(element) ? names[element] : std::string("?"));
            out.push_back(line);
        }
        return out;
    }

    std::map<std::string, ECBase*> m_named;
    plat::RefPtr<ECBase> m_meter;
    plat::RefPtr<ECBase> m_meter0;
};

}  // namespace

TEST_F(ConfigureRemoveTest, ASelectionBecomesTheCommandsThatDeleteIt)
{
    const struct {
        std::vector<std::string> selection;
        std::vector<std::string> commands;
    } cases[] = {
        // Structure is not removed this way, and what lies below a selected element goes with it.
        {{"bar1", "note1", "note2"}, {}},
        {{"staff", "beam", "conductorStaff", "performance"}, {}},
        {{"note1", "rest", "chord"}, {"36: note1 rest chord"}},
        // Clefs, keys and meters after time 0, one command each; at 0 they stay.
        {{"clef0", "clef4"}, {"37: clef4"}},
        {{"meter0", "meter"}, {"41: meter"}},
        {{"keyAt0", "key0", "key4"}, {"39: key0", "39: key4"}},
        // Envelope marks one command each, whatever their time.
        {{"tempo0", "tempo4"}, {"38: tempo0", "38: tempo4"}},
        {{"dynamic", "pedal", "transpose"}, {"38: dynamic", "38: pedal", "38: transpose"}},
        // A track name is emptied, any other text removed with the rest.
        {{"trackName", "note1", "text", "note5"}, {"21: trackName", "36: note1 text note5"}},
        {{"note1", "clef4", "note2"}, {"36: note1 note2", "37: clef4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.selection));
        MCEventList selection;
        for (const std::string& name : c.selection)
            selection.AddTail(m_named.at(name));
        MCCommandList commands;
        EXPECT_EQ(ConfigureRemove(&selection, commands), c.commands.empty() ? 0 : 1);
        EXPECT_EQ(describe(commands), c.commands);
    }
}

TEST_F(ConfigureRemoveTest, TheCommandsDeleteTheSelectionAsOneStepThatUndoes)
{
    MCCommandList none;
    EXPECT_EQ(ConfigureRemove(nullptr, none), 0);
    EXPECT_TRUE(none.IsEmpty());

    // What the caller put in the list counts, and the shared removal is the caller's.
    MCCommandList given;
    auto* mine = new CCRemove;
    given.AddTail(mine);
    MCEventList skipped;
    skipped.AddTail(m_named.at("clef0"));
    EXPECT_EQ(ConfigureRemove(&skipped, given), 1);
    MCEventList notes;
    notes.AddTail(m_named.at("note2"));
    ConfigureRemove(&notes, given);
    EXPECT_EQ(describe(given), std::vector<std::string>{"36: note2"});

    const std::vector<uint8_t> before = bytes();
    MCEventList selection;
    for (const char* name : {"trackName", "note1", "clef4", "key4", "pedal", "tempo4", "chord", "text"})
        selection.AddTail(m_named.at(name));
    ASSERT_NO_FATAL_FAILURE(deleteSelection(selection));
    EXPECT_EQ(static_cast<ECText*>(m_named.at("trackName"))->GetText(), "");
    EXPECT_EQ(m_named.at("trackName")->GetParents()->GetCount(), 1);
    for (const char* name : {"note1", "clef4", "key4", "pedal", "tempo4", "chord", "text"})
        EXPECT_TRUE(m_named.at(name)->GetParents()->IsEmpty()) << name;
    EXPECT_EQ(childrenOf(m_named.at("chord")).size(), 2u) << "a removed chord goes whole, its notes with it";
    EXPECT_EQ(childrenOf(measureAt(1, 4.0f)), (std::vector<ECBase*>{m_named.at("beam"), m_named.at("note5")}));
    EXPECT_EQ(m_performance->GetUndoCount(), 1);
    const std::vector<uint8_t> after = bytes();

    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(m_performance->Undo(1), 1);
        EXPECT_EQ(firstDifference(bytes(), before), -1);
        ASSERT_EQ(m_performance->Redo(1), 1);
        EXPECT_EQ(firstDifference(bytes(), after), -1);
    }
}

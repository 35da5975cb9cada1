// Random sequences of user actions on a small piece, each one undo step: adding, editing, moving
// and deleting notes, adding and deleting keys, clefs, pedal and tempo marks, adding and deleting
// meters (which re-bar the piece) and inserting bars. After the sequence every step is undone and
// then redone, and after each the stored piece must equal the one stored when the piece was last
// in that state; after each step the bars also follow the meter map and every note lies in the
// bar that holds its time.
//
// Each sequence starts from the small piece anew, so QUAVIX_UNDO_SEED=n runs just the sequence
// of that seed; a failure names the seed and the step.

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddMeasure.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddPedal.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditDuration.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/ConfigureRemove.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/tests/CommandPiece.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

namespace {

constexpr int kStaves = 2;
constexpr int kBars = 4;
// Moves may go this many bars past the last, which the move appends.
constexpr int kFurthestBar = 6;
constexpr int kSteps = 40;
constexpr unsigned kSeeds = 100;

class RandomUndoTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        m_undoLevels = MCCommandMgr::GetUndoLevels();
        MCCommandMgr::SetUndoLevels(kSteps);
        build(kStaves, 4.0f * kBars);
        conductorStaff().GetMeterEnv()->AddChild(new ECMeter(4, 4, 0), 1);
        auto* tempo = new ECTempo;
        tempo->SetTempo(120.0f, 1.0f);
        conductorStaff().GetTempoEnv()->AddChild(tempo, 1);
        m_envelopes.clear();
        for (int s = 1; s <= kStaves; ++s) {
            auto* envelope = new ECControllerEnv;
            staff(s)->AddChild(envelope, 1);
            m_envelopes.push_back(envelope);
        }
    }

    // Each kind of element has its own places in a bar, so that no two elements of a measure
    // share a time: elements of equal time come back from an undo after the others of that time.
    //   notes at a quarter past each half beat, keys on the beats, clefs half a beat after them.
    static float noteSlot(int bar, int k) { return 4.0f * bar + 0.5f * k + 0.25f; }
    static float keySlot(int bar, int k) { return 4.0f * bar + k; }
    static float clefSlot(int bar, int k) { return 4.0f * bar + k + 0.5f; }

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }
    // The elements of an id on a staff, in bar order.
    std::vector<ECBase*> elementsOf(int staffNumber, int id)
    {
        std::vector<ECBase*> found;
        for (int bar = 1; bar <= m_conductor->GetMaxMeasureNumber(); ++bar) {
            for (ECBase* child : childrenOf(m_conductor->GetMeasure(staffNumber, bar))) {
                if (child->GetEventId() == id)
                    found.push_back(child);
            }
        }
        return found;
    }
    bool taken(int staffNumber, float time)
    {
        ECMeasure* measure = measureAt(staffNumber, time);
        if (!measure)
            return false;
        for (ECBase* child : childrenOf(measure)) {
            if (child->GetTime() && child->GetTime()->GetSeconds() == time)
                return true;
        }
        return false;
    }
    // A free note place on a staff within the given bars; -1 when none was found.
    float freeNoteSlot(int staffNumber, int bars)
    {
        for (int attempt = 0; attempt < 8; ++attempt) {
            const float time = noteSlot(pick(bars), pick(8));
            if (!taken(staffNumber, time))
                return time;
        }
        return -1.0f;
    }
    ECBase* anyOf(const std::vector<ECBase*>& elements) { return elements.empty() ? nullptr : elements[pick(static_cast<int>(elements.size()))]; }

    ECMeterEnv& meters() { return *conductorStaff().GetMeterEnv(); }
    ECTempoEnv& tempos() { return *conductorStaff().GetTempoEnv(); }

    // The bars follow each other in the lengths of the meters in force, every measure of a bar
    // has the bar's time, and every note lies in the bar that holds its time.
    void expectBarsInStep()
    {
        float t = 0.0f;
        for (int bar = 1; bar <= m_conductor->GetMaxMeasureNumber(); ++bar) {
            ASSERT_EQ(timeOf(m_conductor->GetMeasure(0, bar)), t) << "bar " << bar;
            const float end = t + m_conductor->GetMeterAtTime(MCTime(t))->GetMeasureLength();
            for (int s = 1; s <= kStaves; ++s) {
                ECMeasure* measure = m_conductor->GetMeasure(s, bar);
                ASSERT_EQ(timeOf(measure), t) << "bar " << bar;
                for (ECBase* child : childrenOf(measure)) {
                    if (child->GetEventId() == EventId::Note) {
                        EXPECT_GE(timeOf(child), t) << "bar " << bar;
                        EXPECT_LT(timeOf(child), end) << "bar " << bar;
                    }
                }
            }
            t = end;
        }
        EXPECT_EQ(m_conductor->GetMaxMeasureEndTime().GetSeconds(), t);
    }

    // One random action as an undo step; false when the one drawn had nothing to act on.
    bool step(std::string& what)
    {
        const int s = 1 + pick(kStaves);
        const std::vector<ECBase*> notes = elementsOf(s, EventId::Note);
        const int bars = m_conductor->GetMaxMeasureNumber();
        switch (pick(13)) {
        case 0: {
            const float time = freeNoteSlot(s, bars);
            if (time < 0.0f || !measureAt(s, time))
                return false;
            auto* made = new ECNote(MCTime(time), MCTime(0.5f * (1 + pick(4))));
            made->SetVoiceTrack(0, s);
            what = "add a note at " + std::to_string(time);
            act(new CCAdd(made, measureAt(s, time), FCMidi::MidiNull()));
            return true;
        }
        case 1: {
            ECBase* edited = anyOf(notes);
            if (!edited)
                return false;
            auto* edit = new CCEdit;
            edit->EditEvent(edited)->GetNewEvent()->SetVoice(pick(4));
            what = "change a note's voice";
            act(edit);
            return true;
        }
        case 2: {
            ECBase* edited = anyOf(notes);
            if (!edited)
                return false;
            MCTime duration(0.25f * (1 + pick(8)));
            what = "change a note's duration";
            act(new CCEditDuration(edited, &duration));
            return true;
        }
        case 3: {
            ECBase* moved = anyOf(notes);
            const float time = freeNoteSlot(s, kFurthestBar);
            if (!moved || time < 0.0f)
                return false;
            MCTime t(time);
            what = "move a note to " + std::to_string(time);
            act(new CCEditTime(moved, &t));
            return true;
        }
        case 4: {
            MCEventList selection;
            std::vector<ECBase*> candidates = notes;
            for (int id : {EventId::Key, EventId::Clef}) {
                const std::vector<ECBase*> marks = elementsOf(s, id);
                candidates.insert(candidates.end(), marks.begin(), marks.end());
            }
            for (ECBase* point : childrenOf(m_envelopes[static_cast<size_t>(s) - 1]))
                candidates.push_back(point);
            for (ECBase* point : childrenOf(&tempos()))
                candidates.push_back(point);
            const int count = 1 + pick(3);
            for (int i = 0; i < count; ++i) {
                if (ECBase* chosen = anyOf(candidates))
                    selection.AddTail(chosen);
            }
            MCCommandList commands;
            if (!ConfigureRemove(&selection, commands))
                return false;
            what = "delete " + std::to_string(selection.GetCount()) + " elements";
            MCCommandMgr::BeginUndo(m_performance, "Delete");
            commands.SetSynchronous(1);
            commands.Apply(m_performance);
            MCCommandMgr::EndUndo(m_performance);
            return true;
        }
        case 5:
        case 6: {
            const float time = keySlot(pick(bars), pick(4));
            if (!measureAt(s, time))
                return false;
            auto* key = new ECKey(static_cast<unsigned char>(pick(3)), 0, 0);
            MCTime t(time);
            key->SetTime(&t);
            what = "add a key at " + std::to_string(time);
            act(new CCAddKey(key, measureAt(s, time)));
            return true;
        }
        case 7: {
            const float time = clefSlot(pick(bars), pick(4));
            if (!measureAt(s, time))
                return false;
            auto* clef = new ECClef(static_cast<unsigned char>(pick(3)));
            MCTime t(time);
            clef->SetTime(&t);
            what = "add a clef at " + std::to_string(time);
            act(new CCAddClef(clef, measureAt(s, time)));
            return true;
        }
        case 9: {
            // A meter at a bar line: 2/4, 3/4, 4/4, 5/4 or 6/8.
            static constexpr unsigned char numerators[] = {2, 3, 4, 5, 6};
            const unsigned char numerator = numerators[pick(5)];
            const int bar = 1 + pick(bars);
            const plat::RefPtr<ECMeter> meter(new ECMeter(numerator, numerator == 6 ? 8 : 4, 0));
            meter->SetTime(m_conductor->GetMeasure(0, bar)->GetTime());
            what = "add a meter of " + std::to_string(numerator) + " at bar " + std::to_string(bar);
            act(new CCAddMeter(meter.get()));
            return true;
        }
        case 10: {
            // Deleting a meter after the first, as a selection of it.
            if (meters().GetPointCount() < 2)
                return false;
            auto* meter = static_cast<ECMeter*>(meters().GetPointAtIndex(1 + pick(meters().GetPointCount() - 1)));
            MCEventList selection;
            selection.AddTail(meter);
            MCCommandList commands;
            ConfigureRemove(&selection, commands);
            what = "delete the meter at " + std::to_string(timeOf(meter));
            MCCommandMgr::BeginUndo(m_performance, "Delete");
            commands.SetSynchronous(1);
            commands.Apply(m_performance);
            MCCommandMgr::EndUndo(m_performance);
            return true;
        }
        case 11: {
            const int count = 1 + pick(2);
            const int index = pick(bars + 1);
            what = "insert " + std::to_string(count) + " bars at " + std::to_string(index);
            act(new CCAddMeasure(count, index));
            return true;
        }
        case 12: {
            // A metronome mark, a tempo word, "a tempo", or a gradual change or pause of two
            // beats whose end mark needs a free place too.
            static constexpr unsigned char types[] = {ECTempo::typeMetronome, 14, ECTempo::typeATempo,
                                                      ECTempo::typeAccelerando, 22, ECTempo::typeRitardando, 25};
            const unsigned char type = types[pick(7)];
            const float time = static_cast<float>(1 + pick(4 * bars - 1));
            const float length = ECTempo::HasDuration(type) ? 2.0f : 0.0f;
            if (tempos().GetPointAt(MCTime(time)) || (length > 0.0f && tempos().GetPointAt(MCTime(time + length))))
                return false;
            auto* tempo = new ECTempo(type, MCTime(length));
            MCTime t(time);
            tempo->SetTime(&t);
            MCTime duration(length);
            tempo->SetDuration(&duration);
            tempo->SetValue(static_cast<float>(60 + 10 * pick(10)));
            auto* add = new CCAddTempo;
            add->Add(tempo, &tempos(), FCMidi::MidiNull());
            what = "add a tempo mark of type " + std::to_string(type) + " at " + std::to_string(time);
            act(add);
            return true;
        }
        default: {
            // A pedal of a beat or two whose ends fall where no point of the envelope stands.
            ECControllerEnv* envelope = m_envelopes[static_cast<size_t>(s) - 1];
            const float time = static_cast<float>(pick(4 * bars));
            const float length = static_cast<float>(1 + pick(2));
            for (ECBase* point : childrenOf(envelope)) {
                const float at = timeOf(point);
                if (at >= time - 2.0f && at <= time + length)
                    return false;
            }
            auto* pedal = new ECPedal(0, MCTime(length));
            MCTime t(time);
            pedal->SetTime(&t);
            auto* add = new CCAddPedal;
            add->Add(pedal, envelope, FCMidi::MidiNull());
            what = "add a pedal at " + std::to_string(time);
            act(add);
            return true;
        }
        }
    }

    // The first line where two descriptions of a piece differ, both ways.
    static std::string firstDifferentLine(const std::string& now, const std::string& expected)
    {
        std::istringstream a(now);
        std::istringstream b(expected);
        std::string lineA;
        std::string lineB;
        while (true) {
            const bool moreA = static_cast<bool>(std::getline(a, lineA));
            const bool moreB = static_cast<bool>(std::getline(b, lineB));
            if (!moreA && !moreB)
                return "the shapes agree; a value differs";
            if (!moreA || !moreB || lineA != lineB)
                return "now:      " + (moreA ? lineA : "(end)") + "\nexpected: " + (moreB ? lineB : "(end)");
        }
    }

    void run(unsigned seed)
    {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " (QUAVIX_UNDO_SEED=" << seed << " repeats it)");
        m_random.seed(seed);
        std::vector<std::vector<uint8_t>> states{bytes()};
        std::vector<std::string> shapes{describePiece(m_performance)};
        std::vector<std::string> steps;
        while (static_cast<int>(steps.size()) < kSteps) {
            std::string what;
            if (!step(what))
                continue;
            steps.push_back(what);
            {
                SCOPED_TRACE("after step " + std::to_string(steps.size()) + ": " + what);
                expectBarsInStep();
            }
            states.push_back(bytes());
            shapes.push_back(describePiece(m_performance));
        }
        ASSERT_EQ(m_performance->GetUndoCount(), kSteps);
        for (int i = kSteps; i > 0; --i) {
            ASSERT_EQ(m_performance->Undo(1), 1);
            ASSERT_EQ(firstDifference(bytes(), states[static_cast<size_t>(i) - 1]), -1)
                << "undoing step " << i << ": " << steps[static_cast<size_t>(i) - 1] << "\n"
                << firstDifferentLine(describePiece(m_performance), shapes[static_cast<size_t>(i) - 1]);
        }
        for (int i = 1; i <= kSteps; ++i) {
            ASSERT_EQ(m_performance->Redo(1), 1);
            ASSERT_EQ(firstDifference(bytes(), states[static_cast<size_t>(i)]), -1)
                << "redoing step " << i << ": " << steps[static_cast<size_t>(i) - 1] << "\n"
                << firstDifferentLine(describePiece(m_performance), shapes[static_cast<size_t>(i)]);
        }
    }

    void TearDown() override
    {
        CommandTest::TearDown();
        MCCommandMgr::SetUndoLevels(m_undoLevels);
    }

    int m_undoLevels = 0;
    std::mt19937 m_random;
    std::vector<ECControllerEnv*> m_envelopes;
};

}  // namespace

TEST_F(RandomUndoTest, EveryStepUndoesAndRedoesToTheSamePiece)
{
    if (const char* seed = std::getenv("QUAVIX_UNDO_SEED")) {
        run(static_cast<unsigned>(std::strtoul(seed, nullptr, 10)));
        return;
    }
    for (unsigned seed = 1; seed <= kSeeds && !HasFatalFailure(); ++seed) {
        if (seed > 1) {
            TearDown();
            SetUp();
        }
        run(seed);
    }
}

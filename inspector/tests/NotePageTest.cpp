#include "NotePagesTestSupport.h"

#include "inspector/pages/ACPlayNotes.h"
#include "inspector/pages/PCsqNote.h"

#include "interface/controls/MCNoteEdit.h"
#include "interface/document/SCNotationInfo.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECGraceNote.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/values/MCVoiceMap.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace notepagestest;

class NotePageTest : public NotePagesTest {
public:
    void ShowPage() { Show(m_page); }
    bool Apply() { return m_page.onApply(); }
    PCsqNote::FieldState State(PCsqNote::Field field) const { return m_page.GetFieldState(field); }
    QString Text(int id) { return plat::ui::item<QLineEdit>(&m_page, id)->text(); }
    void PickDuration(int command)
    {
        for (QAction* action : m_page.GetDurationMenu()->actions().value(0)->menu()->actions())
            if (action->data().toInt() == command)
                action->trigger();
    }

    PCsqNote m_page;
    WarningLog m_warnings;
};

TEST_F(NotePageTest, SharedFieldsShowTheirValueAndDifferingOnesShowNothing)
{
    using F = PCsqNote::Field;
    using S = PCsqNote::FieldState;
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> notes;
        std::vector<S> states;  // start, duration, stop, pitch, velocity
    };
    const std::vector<Case> cases = {
        {"one note", {{1, 1}}, {S::stateCommon, S::stateCommon, S::stateCommon, S::stateCommon, S::stateCommon}},
        {"a row of one staff", {{1, 0}, {1, 1}, {1, 2}},
         {S::stateMixed, S::stateCommon, S::stateMixed, S::stateMixed, S::stateCommon}},
        {"a chord of two staves", {{1, 2}, {2, 2}},
         {S::stateCommon, S::stateCommon, S::stateCommon, S::stateMixed, S::stateCommon}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_selection.RemoveAll();
        for (auto [staff, q] : c.notes)
            m_selection.AddTail(Note(staff, q));
        // Something that is not a note is not looked at.
        m_selection.AddTail(Performance()->GetConductor()->GetMeasure(1, MCTime(0.0f), 0, 0));
        ShowPage();
        const int ids[] = {PCsqNote::kStart, PCsqNote::kDuration, PCsqNote::kStop, PCsqNote::kPitch,
                           PCsqNote::kVelocity};
        for (int f = 0; f < PCsqNote::fieldCount; ++f) {
            EXPECT_EQ(State(F(f)), c.states[size_t(f)]) << "field " << f;
            EXPECT_EQ(Text(ids[f]).isEmpty(), c.states[size_t(f)] == S::stateMixed) << "field " << f;
        }
        ECNote* first = Note(c.notes[0].first, c.notes[0].second);
        EXPECT_EQ(m_page.GetVelocity(), 100);
        if (c.states[0] == S::stateCommon) {
            EXPECT_EQ(m_page.GetStart(), *first->GetTime());
        }
        if (c.states[3] == S::stateCommon) {
            EXPECT_EQ(m_page.GetPitch(), Key(first));
        }
        EXPECT_FALSE(m_page.IsModified());
    }
}

// One apply of what the user changed, and one undo taking all of it back.
TEST_F(NotePageTest, ApplyWritesOnlyWhatTheUserChangedAsOneUndoStep)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> notes;
        std::function<void(NotePageTest&)> edit;
        std::function<void(NotePageTest&)> check;
    };
    const std::vector<Case> cases = {
        {"velocity of two notes of different pitch", {{1, 0}, {1, 1}},
         [](NotePageTest& t) { t.TypeText(&t.m_page, PCsqNote::kVelocity, "90"); },
         [](NotePageTest& t) {
             EXPECT_EQ(t.Velocity(t.Note(1, 0)), 90);
             EXPECT_EQ(t.Velocity(t.Note(1, 1)), 90);
             EXPECT_EQ(t.Key(t.Note(1, 0)), 40 + 1);
             EXPECT_EQ(t.Key(t.Note(1, 1)), 40 + 8);
         }},
        {"pitch by name, note-off too", {{1, 0}, {2, 3}},
         [](NotePageTest& t) { t.TypeText(&t.m_page, PCsqNote::kPitch, "E4"); },
         [](NotePageTest& t) {
             for (ECNote* n : {t.Note(1, 0), t.Note(2, 3)}) {
                 EXPECT_EQ(t.Key(n), 64);
                 EXPECT_EQ(t.OffKey(n), 64);
                 EXPECT_EQ(t.Velocity(n), 100);
             }
         }},
        {"a stop before the start gives no length", {{1, 2}},
         [](NotePageTest& t) { t.TypeTime(&t.m_page, PCsqNote::kStop, MCTime(1.0f)); },
         [](NotePageTest& t) {
             EXPECT_EQ(t.Length(t.Note(1, 2)), 0.0f);
             EXPECT_EQ(t.Start(t.Note(1, 2)), 2.0f);
         }},
        {"a later start moves the note alone", {{2, 1}},
         [](NotePageTest& t) { t.TypeTime(&t.m_page, PCsqNote::kStart, MCTime(1.5f)); },
         [](NotePageTest& t) {
             EXPECT_EQ(t.Start(t.Note(2, 1)), 1.5f);
             EXPECT_EQ(t.Start(t.Note(2, 2)), 2.0f);
             EXPECT_EQ(t.Length(t.Note(2, 1)), 1.0f);
         }},
        {"an eighth from the menu shortens without moving anything", {{1, 1}},
         [](NotePageTest& t) { t.PickDuration(36870); },
         [](NotePageTest& t) {
             EXPECT_EQ(t.Length(t.Note(1, 1)), 0.5f);
             EXPECT_EQ(t.Start(t.Note(1, 2)), 2.0f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_selection.RemoveAll();
        for (auto [staff, q] : c.notes)
            m_selection.AddTail(Note(staff, q));
        ShowPage();
        const auto before = Everything();
        c.edit(*this);
        EXPECT_TRUE(m_page.IsModified());
        ASSERT_TRUE(Apply());
        c.check(*this);
        EXPECT_TRUE(m_warnings.asked.empty());
        EXPECT_EQ(UndoName(), "Undo Edit Note");
        EXPECT_TRUE(m_doc.IsModified());
        m_doc.OnEditUndo();
        EXPECT_EQ(Everything(), before);
        m_doc.SetModifiedFlag(0);
    }
}

TEST_F(NotePageTest, TheStopFollowsStartAndDurationAndTheDurationFollowsTheStop)
{
    Select({Note(1, 1)});
    ShowPage();
    TypeTime(&m_page, PCsqNote::kStart, MCTime(1.5f));
    EXPECT_EQ(m_page.GetStop(), MCTime(2.5f));
    EXPECT_EQ(State(PCsqNote::fieldStop), PCsqNote::stateCommon);
    PickDuration(36864);
    EXPECT_EQ(m_page.GetDuration(), MCTime(4.0f));
    EXPECT_EQ(m_page.GetStop(), MCTime(5.5f));
    EXPECT_EQ(State(PCsqNote::fieldStop), PCsqNote::stateChanged);
    TypeTime(&m_page, PCsqNote::kStop, MCTime(1.75f));
    EXPECT_EQ(m_page.GetDuration(), MCTime(0.25f));
    EXPECT_EQ(PCsqNote::DurationBeats(36867), 1.5f);
    EXPECT_EQ(PCsqNote::DurationBeats(36873), 0.0625f);
    EXPECT_EQ(PCsqNote::DurationBeats(36874), 0.0f);
}

TEST_F(NotePageTest, LengtheningIntoTheNextNoteMovesTheLaterNotesOfThatVoiceAfterAsking)
{
    // Beside the quarters of voice 0: a note of voice 1 on the same staff and a chord mate.
    ECNote* otherVoice = AddNote(1, 2.0f, 1.0f, 1, 70);
    ECNote* mate = AddNote(1, 1.0f, 1.0f, 0, 72);
    m_extra = {otherVoice, mate};
    struct Case {
        const char* name;
        std::vector<ECBase*> selected;
        int command;        // duration menu pick, 0 for none
        float start;        // typed start, < 0 for none
        bool answer;
        bool warns;
        std::vector<float> starts;  // then: staff 1 quarters 0..3, other voice, mate, staff 2 quarter 2
    };
    const std::vector<Case> cases = {
        {"dotted quarter reaches the next note", {Note(1, 1)}, 36867, -1, true, true,
         {0, 1, 2.5f, 3.5f, 2, 1, 2}},
        {"the user declines", {Note(1, 1)}, 36867, -1, false, true, {0, 1, 2, 3, 2, 1, 2}},
        {"an eighth still ends before the next note", {Note(1, 1)}, 36870, -1, true, false,
         {0, 1, 2, 3, 2, 1, 2}},
        {"the last note has nothing after it", {Note(1, 3)}, 36866, -1, true, false, {0, 1, 2, 3, 2, 1, 2}},
        {"a chord lengthened together leaves its mate", {Note(1, 1), mate}, 36867, -1, true, true,
         {0, 1, 2.5f, 3.5f, 2, 1, 2}},
        {"moved and lengthened", {Note(1, 0)}, 36867, 0.5f, true, true, {0.5f, 1.5f, 2.5f, 3.5f, 2, 1.5f, 2}},
        {"only the start", {Note(1, 1)}, 0, 1.25f, true, false, {0, 1.25f, 2, 3, 2, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_warnings.asked.clear();
        m_warnings.answers = {c.answer};
        m_selection.RemoveAll();
        for (ECBase* e : c.selected)
            m_selection.AddTail(e);
        ShowPage();
        const auto before = Everything();
        if (c.start >= 0)
            TypeTime(&m_page, PCsqNote::kStart, MCTime(c.start));
        if (c.command)
            PickDuration(c.command);
        EXPECT_EQ(Apply(), c.answer || !c.warns);
        ASSERT_EQ(m_warnings.asked.size(), c.warns ? 1u : 0u);
        if (c.warns) {
            EXPECT_EQ(m_warnings.asked[0],
                      "Change Note Times|In order to accomodate the specified durations and/or start times, some "
                      "notes will be moved.  Are you sure you want to do this?");
        }
        const std::vector<float> starts = {Start(Note(1, 0)), Start(Note(1, 1)), Start(Note(1, 2)),
                                           Start(Note(1, 3)), Start(otherVoice), Start(mate), Start(Note(2, 2))};
        EXPECT_EQ(starts, c.starts);
        if (!c.answer && c.warns) {
            EXPECT_TRUE(m_page.IsModified()) << "the page keeps what the user entered";
            EXPECT_EQ(UndoName(), "");
            EXPECT_EQ(Everything(), before);
            continue;
        }
        EXPECT_EQ(UndoName(), "Undo Edit Note");
        m_doc.OnEditUndo();
        EXPECT_EQ(Everything(), before);
        EXPECT_EQ(UndoName(), "");
    }
}

// The whole piece as stored: every element under the performance, depth first, with its kind,
// time, duration and the key and velocity of a note.
void DumpElement(ECBase* element, int depth, std::vector<std::string>& out)
{
    std::string line = std::to_string(depth) + " " + std::to_string(element->GetEventId());
    if (const MCTime* time = element->GetTime())
        line += " @" + std::to_string(time->GetSeconds());
    if (const MCTime* duration = element->GetDuration())
        line += " +" + std::to_string(duration->GetSeconds());
    if (auto* data = plat::dynamicDowncast<DCsqNote>(element->GetData(0, 0)))
        line += " k" + std::to_string(data->GetNoteOnData().GetDataByte1()) + " v" +
                std::to_string(data->GetNoteOnData().GetDataByte2());
    out.push_back(line);
    if (MCEventList* children = element->GetChildren())
        for (ECBase* child : *children)
            DumpElement(child, depth + 1, out);
}

TEST_F(NotePageTest, ManyNotesGivenOneDurationEndWhereGivingItNoteByNoteLeavesThem)
{
    // Beside the quarters: a second voice and a chord mate on staff 1, an eighth on staff 2 and,
    // in a second voice there, a long note that overlaps the note after it.
    ECNote* otherVoice = AddNote(1, 2.0f, 1.0f, 1, 70);
    ECNote* mate = AddNote(1, 1.0f, 1.0f, 0, 72);
    ECNote* eighth = AddNote(2, 3.5f, 0.5f, 0, 74);
    ECNote* overlapping = AddNote(2, 0.0f, 3.0f, 1, 50);
    ECNote* overlapped = AddNote(2, 0.5f, 1.0f, 1, 52);
    std::vector<ECBase*> quarters;
    for (auto& [where, note] : m_notes)
        quarters.push_back(note);
    std::vector<ECBase*> everything = quarters;
    everything.insert(everything.end(), {otherVoice, mate, eighth});
    std::vector<ECBase*> withOverlap = everything;
    withOverlap.insert(withOverlap.end(), {overlapping, overlapped});
    std::vector<ECBase*> staffOne;
    for (int q = 0; q < kQuarters; ++q)
        staffOne.push_back(Note(1, q));
    staffOne.push_back(mate);
    struct Case {
        const char* name;
        std::vector<ECBase*> selected;
        int command;
        const char* velocity;  // typed too, or null
    };
    const std::vector<Case> cases = {
        {"every note a dotted quarter, past the last bar", everything, 36867, nullptr},
        {"a staff of half notes and a new velocity", staffOne, 36866, "90"},
        {"a whole note each", quarters, 36864, nullptr},
        {"a quarter each, the long note growing shorter", withOverlap, 36868, nullptr},
    };
    const auto piece = [this] {
        std::vector<std::string> all;
        DumpElement(Performance(), 0, all);
        return all;
    };
    const auto edit = [this](std::vector<ECBase*> notes, const Case& c) {
        Select({});
        for (ECBase* note : notes)
            m_selection.AddTail(note);
        ShowPage();
        PickDuration(c.command);
        if (c.velocity)
            TypeText(&m_page, PCsqNote::kVelocity, c.velocity);
        EXPECT_TRUE(Apply());
    };
    // Room to undo every step of the note-by-note edits.
    struct UndoLevels {
        int kept = MCCommandMgr::GetUndoLevels();
        UndoLevels() { MCCommandMgr::SetUndoLevels(100); }
        ~UndoLevels() { MCCommandMgr::SetUndoLevels(kept); }
    } levels;
    const std::vector<std::string> before = piece();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One note after another, in time order.
        std::vector<ECBase*> ordered = c.selected;
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](ECBase* a, ECBase* b) { return Start(a) < Start(b); });
        for (ECBase* note : ordered)
            edit({note}, c);
        const std::vector<std::string> oneByOne = piece();
        ASSERT_NE(oneByOne, before);
        for (size_t step = 0; step < ordered.size(); ++step)
            m_doc.OnEditUndo();
        ASSERT_EQ(piece(), before);

        edit(c.selected, c);
        EXPECT_EQ(piece(), oneByOne);
        EXPECT_EQ(UndoName(), "Undo Edit Note");
        m_doc.OnEditUndo();
        EXPECT_EQ(piece(), before);
        EXPECT_EQ(UndoName(), "");
        m_doc.OnEditRedo();
        EXPECT_EQ(piece(), oneByOne);
        m_doc.OnEditUndo();
        ASSERT_EQ(piece(), before);
    }
}

// With duration functions (a played length nine tenths of the written one) a move of the start
// alone keeps the later notes where they are.
MCTime Played(MCTime* written, void*)
{
    return MCTime(written->GetSeconds() * 0.9f);
}
MCTime Written(MCTime* played, void*)
{
    return MCTime(played->GetSeconds() / 0.9f);
}

TEST_F(NotePageTest, AMoveOfTheStartAloneNeverMovesOtherNotesWhateverTheDurationFunctions)
{
    ECNote::SetDurationFuncs(&Played, &Written, nullptr);
    Select({Note(1, 1)});
    ShowPage();
    TypeTime(&m_page, PCsqNote::kStart, MCTime(1.5f));
    EXPECT_TRUE(Apply());
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
    EXPECT_TRUE(m_warnings.asked.empty());
    EXPECT_EQ(Start(Note(1, 1)), 1.5f);
    EXPECT_EQ(Start(Note(1, 2)), 2.0f);
    EXPECT_EQ(Start(Note(1, 3)), 3.0f);
}

TEST_F(NotePageTest, PitchAndVelocityNeverAskNorMoveAndAGraceNoteMovesNothing)
{
    auto* grace = new ECGraceNote;
    const MCTime at(1.0f);
    grace->SetTime(&at);
    grace->SetVoiceTrack(0, 1);
    ASSERT_TRUE(Note(1, 1)->AddChild(grace, 1));
    ASSERT_NE(grace->GetData(0, 1), nullptr);
    Select({Note(1, 1), grace});
    ShowPage();
    TypeText(&m_page, PCsqNote::kPitch, "61");
    EXPECT_TRUE(Apply());
    EXPECT_EQ(Key(Note(1, 1)), 61);
    EXPECT_EQ(Key(grace), 61);
    Select({grace});
    ShowPage();
    PickDuration(36864);
    EXPECT_TRUE(Apply());
    EXPECT_EQ(Length(grace), 4.0f);
    EXPECT_TRUE(m_warnings.asked.empty());
    EXPECT_EQ(Start(Note(1, 2)), 2.0f);
}

TEST_F(NotePageTest, ABadTypedValueIsRefusedAndNothingIsApplied)
{
    struct Case {
        int id;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {PCsqNote::kVelocity, "300", "Enter a whole number from 0 to 127."},
        {PCsqNote::kPitch, "H9", "Enter a note number from 0 to 127, or a note name such as C4 or F#3."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        m_prompts.Clear();
        Select({Note(1, 0), Note(1, 1)});
        ShowPage();
        const auto before = Everything();
        // A good change beside the bad one is not applied either.
        PickDuration(36870);
        TypeText(&m_page, c.id, c.text);
        EXPECT_FALSE(Apply());
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        EXPECT_EQ(m_prompts.Texts()[0], c.message);
        EXPECT_EQ(Everything(), before);
        EXPECT_TRUE(m_page.IsModified());
        EXPECT_EQ(UndoName(), "");
    }
}

TEST_F(NotePageTest, ThePageAsksTheNotationViewsWhereTheNotesAreWritten)
{
    // A view that writes every note of staff 1 a quarter earlier than it plays (as a swung part
    // might): the second note then reaches into the third sooner.
    struct View {
        static int Answer(ECBase*, int, void* state, void*)
        {
            auto* info = dynamic_cast<SCNotationInfo*>(static_cast<SCBase*>(state));
            if (!info || info->GetCode() != SCNotationInfo::kRequest)
                return 0;
            for (ECBase* e : info->GetEvents())
                if (e->GetTrack() == 1)
                    info->SetInfo(e, 1, MCTime(e->GetTime()->GetSeconds() - 0.25f));
            return 0;
        }
    };
    Performance()->AddStateHandler(&View::Answer, nullptr);
    Select({Note(1, 1)});
    ShowPage();
    // A quarter and a sixteenth from the written 0.75 end at 2.0: the written start of the next
    // note is 1.75, so it is in the way.
    TypeTime(&m_page, PCsqNote::kDuration, MCTime(1.25f));
    EXPECT_TRUE(Apply());
    EXPECT_EQ(m_warnings.asked.size(), 1u);
    EXPECT_EQ(Start(Note(1, 2)), 2.25f);
    EXPECT_EQ(Start(Note(2, 2)), 2.0f);
}

class NotePlayTest : public NotePageTest {
protected:
    std::vector<std::vector<uint8_t>> Sent(int device)
    {
        m_devices.Settle();
        std::vector<std::vector<uint8_t>> all;
        for (const auto& message : m_devices.Out(device).played())
            all.push_back(message.bytes);
        return all;
    }
    MemoryDevices m_devices;
};

TEST_F(NotePlayTest, PlaySoundsEachSelectedNoteOnceOnItsVoicesOutputAndClampsTheKey)
{
    m_devices.Start();
    MCOpusDoc::SetActiveDoc(&m_doc);
    Select({Note(1, 0)});
    ShowPage();
    // Nothing selected in the document: nothing sent.
    m_page.onNotice(PCsqNote::kPlay, 0, nullptr);
    EXPECT_TRUE(Sent(0).empty());
    EXPECT_TRUE(Sent(1).empty());

    DCsqTrack* track = DCsqTrack::GetTrackData(Note(1, 0), 1, m_doc.GetSequence());
    ASSERT_NE(track, nullptr);
    track->GetVoiceMap(0)->SetDevice(1);
    track->GetVoiceMap(0)->SetChannel(3);
    ECNote* twin = AddNote(1, 0.0f, 1.0f, 0, Key(Note(1, 0)));
    for (ECBase* e : {static_cast<ECBase*>(Note(1, 0)), static_cast<ECBase*>(twin)})
        m_doc.GetSelection().AddTail(e);
    m_page.onNotice(PCsqNote::kPlay, 0, nullptr);
    const std::vector<std::vector<uint8_t>> once = {{0x93, uint8_t(Key(twin)), 100}};
    EXPECT_EQ(Sent(1), once) << "two equal notes sound once";
    m_devices.Step(300);
    EXPECT_EQ(Sent(1).size(), 2u);
    // The output ends the note with a note-on of velocity 0.
    const std::vector<uint8_t> end = {0x93, uint8_t(Key(twin)), 0};
    EXPECT_EQ(Sent(1)[1], end);

    // A transposition beyond the keyboard plays its last key.
    ACPlayNotes play;
    play.SetDocument(&m_doc);
    track->SetTrackTransposition(200.0f);
    play.Apply(&m_doc.GetSelection(), 1);
    ASSERT_EQ(play.GetSounds().size(), 1u);
    EXPECT_EQ((play.GetSounds()[0].noteOn >> 8) & 0xFF, 127u);
    track->SetTrackTransposition(-200.0f);
    ACPlayNotes again;
    again.SetDocument(&m_doc);
    again.Apply(&m_doc.GetSelection(), 1);
    ASSERT_EQ(again.GetSounds().size(), 1u);
    EXPECT_EQ((again.GetSounds()[0].noteOn >> 8) & 0xFF, 0u);
}

TEST_F(NotePageTest, Screenshots)
{
    Select({Note(1, 1)});
    ShowPage();
    EXPECT_FALSE(Screenshot(m_page, "inspector-note-page").empty());
    Select({Note(1, 0), Note(1, 1), Note(2, 1)});
    ShowPage();
    EXPECT_FALSE(Screenshot(m_page, "inspector-note-page-mixed").empty());
}

}  // namespace

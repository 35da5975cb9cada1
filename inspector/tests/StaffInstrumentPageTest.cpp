#include "inspector/tests/StaffPagesTestSupport.h"

#include "inspector/pages/CAuditionWnd.h"
#include "inspector/pages/CChanBox.h"
#include "inspector/pages/CPatchListCtrl.h"
#include "inspector/pages/CVoiceInfo.h"
#include "inspector/pages/PCsqStaffInstrument.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/pickers/MCDeviceBox.h"
#include "interface/pickers/MCProgramTree.h"
#include "notabase/model/ECNote.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTuplet.h"
#include "platform/ui/dialog/ItemId.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <climits>
#include <cstdlib>

namespace {

using namespace staffpages;

using Bytes = std::vector<std::vector<uint8_t>>;

// The four messages that let a channel hear a program.
Bytes programBytes(int channel, int bank, int program)
{
    const auto status = static_cast<uint8_t>(0xB0 | channel);
    return {{status, 120, 0},
            {status, 0, static_cast<uint8_t>((bank >> 7) & 127)},
            {status, 32, static_cast<uint8_t>(bank & 127)},
            {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)}};
}

Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class StaffInstrumentPageTest : public StaffPagesTest {
protected:
    void SetUp() override
    {
        StaffPagesTest::SetUp();
        // Staff n plays voice 0 on device 0 and its other voices on device 1, all on channel
        // n, with the piano (program 0) on voices 0 and 1; the other voices share voice 1's
        // output and so its instrument.
        for (int staff = 1; staff <= 3; ++staff)
            for (int voice = 0; voice < 8; ++voice)
                SetVoice(staff, voice, {voice == 0 ? 0 : 1, staff, 0, voice < 2 ? 0 : -1});
        m_page = std::make_unique<PCsqStaffInstrument>();
        m_page->SetDocument(&m_doc);
    }
    void TearDown() override
    {
        m_page.reset();
        StaffPagesTest::TearDown();
    }
    // The page as the inspector shows it for the staves.
    void Show(const std::vector<int>& staves)
    {
        m_page->SetEventList(&Select(staves));
        m_page->UpdatePage();
        if (!m_page->IsInitialized())
            m_page->onSetActive();
        m_page->updateData(false);
        m_page->SetModifiedFlag(false);
        Played(0);
        Played(1);
    }
    template <class T>
    T* Item(int id)
    {
        return plat::ui::item<T>(m_page.get(), id);
    }
    void ChooseCombo(int id, int index)
    {
        auto* box = Item<QComboBox>(id);
        ASSERT_NE(box, nullptr);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    // Picks the instrument named in the tree, as a click would.
    void ChooseInstrument(const QString& name)
    {
        auto* tree = Item<MCProgramTree>(PCsqStaffInstrument::kTree);
        ASSERT_NE(tree, nullptr);
        tree->ExpandAll(true);
        const auto found = tree->findItems(name, Qt::MatchContains | Qt::MatchRecursive);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        tree->setCurrentItem(found.first());
    }
    void Apply()
    {
        ASSERT_TRUE(m_page->onApply());
        EXPECT_FALSE(m_page->IsModified());
        // The commands run as the program's message loop takes them.
        RunCommands();
    }

    std::unique_ptr<PCsqStaffInstrument> m_page;
};

TEST_F(StaffInstrumentPageTest, FieldsShowWhatTheStavesShareAndEmptyWhereTheyDiffer)
{
    SetVoice(2, 0, {1, 2, 0, 19});
    SetVoice(3, 0, {0, 2, 0, 19});
    struct Case {
        std::vector<int> staves;
        int device, deviceState, channel, channelState, program, programState;
    };
    const Case cases[] = {
        {{1}, 0, 1, 1, 1, 0, 1},
        {{2, 3}, -1, 3, 2, 1, 19, 1},
        {{1, 3}, 0, 1, -1, 3, -1, 3},
        // One staff after a mixed selection shows its own values again.
        {{2}, 1, 1, 2, 1, 19, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int>(c.staves)));
        Show(c.staves);
        const CVoiceInfo& info = m_page->GetCurrentInfo();
        EXPECT_EQ(info.GetDevice(), c.device);
        EXPECT_EQ(info.GetState(CVoiceInfo::fieldDevice), c.deviceState);
        EXPECT_EQ(info.GetChannel(), c.channel);
        EXPECT_EQ(info.GetState(CVoiceInfo::fieldChannel), c.channelState);
        EXPECT_EQ(info.GetProgram(), c.program);
        EXPECT_EQ(info.GetState(CVoiceInfo::fieldProgram), c.programState);
        // A channel that differs shows none.
        EXPECT_EQ(Item<CChanBox>(PCsqStaffInstrument::kChannel)->currentIndex(), c.channel);
        EXPECT_EQ(Item<MCDeviceBox>(PCsqStaffInstrument::kDevice)->GetSelectedDevice(), c.device);
        // A known instrument is selected in the tree; a mixed one leaves it without selection.
        auto* tree = Item<MCProgramTree>(PCsqStaffInstrument::kTree);
        if (c.program >= 0)
            EXPECT_TRUE(tree->currentItem() && tree->currentItem()->isSelected());
        else
            EXPECT_TRUE(tree->selectedItems().isEmpty());
    }
    // Showing changed nothing: a voice without instrument got no patch envelope, and nothing
    // was sent.
    SetVoice(1, 7, {1, 14, 0, -1});
    Show({1});
    ChooseCombo(PCsqStaffInstrument::kVoice, 8);
    EXPECT_EQ(m_page->GetCurrentInfo().GetProgram(), 0);
    EXPECT_TRUE(Patches(1, 7).empty());
    EXPECT_TRUE(Played(0).empty());
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(StaffInstrumentPageTest, ApplyWritesWhatTheUserChangedAndOneUndoTakesItBack)
{
    const Voice piano1{0, 1, 0, 0}, piano2{0, 2, 0, 0}, piano3{0, 3, 0, 0};
    const Voice second1{1, 1, 0, 0}, second2{1, 2, 0, 0}, second3{1, 3, 0, 0};
    struct Case {
        const char* name;
        std::vector<int> staves;
        std::function<void()> edit;
        std::vector<Voice> voice0;  // staves 1-3 afterwards
        std::vector<Voice> voice1;
    };
    const std::vector<Case> cases = {
        {"channel of two staves", {1, 2}, [&] { ChooseCombo(PCsqStaffInstrument::kChannel, 6); },
         {{0, 6, 0, 0}, {0, 6, 0, 0}, piano3}, {second1, second2, second3}},
        {"instrument of one staff", {3}, [&] { ChooseInstrument("Church Organ"); },
         {piano1, piano2, {0, 3, 0, 19}}, {second1, second2, second3}},
        {"device of three staves", {1, 2, 3}, [&] { ChooseCombo(PCsqStaffInstrument::kDevice, 1); },
         {{1, 1, 0, 0}, {1, 2, 0, 0}, {1, 3, 0, 0}}, {second1, second2, second3}},
        {"second voice only", {1}, [&] {
             ChooseCombo(PCsqStaffInstrument::kVoice, 2);
             ChooseInstrument("Rock Organ");
         },
         {piano1, piano2, piano3}, {{1, 1, 0, 18}, second2, second3}},
        {"all voices", {1, 2}, [&] {
             ChooseCombo(PCsqStaffInstrument::kVoice, 0);
             ChooseCombo(PCsqStaffInstrument::kChannel, 8);
             ChooseInstrument("Violin");
         },
         {{0, 8, 0, 40}, {0, 8, 0, 40}, piano3}, {{1, 8, 0, 40}, {1, 8, 0, 40}, second3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Show({1});
        ChooseCombo(PCsqStaffInstrument::kVoice, 1);
        Show(c.staves);
        c.edit();
        EXPECT_TRUE(m_page->IsModified());
        Apply();
        for (int staff = 1; staff <= 3; ++staff) {
            EXPECT_EQ(GetVoice(staff, 0), c.voice0[staff - 1]) << "staff " << staff;
            EXPECT_EQ(GetVoice(staff, 1), c.voice1[staff - 1]) << "staff " << staff;
        }
        EXPECT_TRUE(m_doc.IsModified());
        std::string undo;
        ASSERT_TRUE(m_doc.OnUpdateEditUndo(undo));
        EXPECT_EQ(undo.substr(0, undo.find('\t')), "Undo Edit Staff");
        EXPECT_EQ(UndoSteps(), 1);
        EXPECT_EQ(GetVoice(1, 0), piano1);
        EXPECT_EQ(GetVoice(2, 0), piano2);
        EXPECT_EQ(GetVoice(3, 0), piano3);
        EXPECT_EQ(GetVoice(1, 1), second1);
        EXPECT_EQ(GetVoice(2, 1), second2);
        m_doc.SetModifiedFlag(0);
    }
}

TEST_F(StaffInstrumentPageTest, AVoiceMovedToAnotherOutputKeepsTheInstrumentItShows)
{
    // Staff 1: the piano on channel 11 of device 0, the organ on voice 1 (which voices 2-7
    // share) and a nylon guitar on voice 3 alone; staff 2: a steel guitar on voice 1.
    SetVoice(1, 0, {0, 11, 0, 0});
    SetVoice(1, 1, {1, 1, 0, 19});
    SetVoice(1, 3, {1, 13, 0, 24});
    SetVoice(2, 1, {1, 2, 0, 25});
    struct Case {
        const char* name;
        std::vector<int> staves;
        int voice;
        int id;
        int index;
        Voice staff1, staff2;  // the voice afterwards
    };
    const Case cases[] = {
        {"a channel nobody plays on", {1}, 2, PCsqStaffInstrument::kChannel, 5, {1, 5, 0, 19}, {1, 2, 0, 25}},
        {"a device nobody plays on", {1}, 2, PCsqStaffInstrument::kDevice, 0, {0, 1, 0, 19}, {1, 2, 0, 25}},
        {"staves with different instruments", {1, 2}, 2, PCsqStaffInstrument::kChannel, 6, {1, 6, 0, 19},
         {1, 6, 0, 25}},
        // One channel plays one instrument: the voice joins the one a voice before it plays.
        {"the channel of another voice", {1}, 5, PCsqStaffInstrument::kChannel, 13, {1, 13, 0, 24}, {1, 2, 0, 25}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Show(c.staves);
        ChooseCombo(PCsqStaffInstrument::kVoice, c.voice + 1);
        ChooseCombo(c.id, c.index);
        Apply();
        EXPECT_EQ(GetVoice(1, c.voice), c.staff1);
        EXPECT_EQ(GetVoice(2, c.voice), c.staff2);
        // The voices that stayed keep theirs.
        EXPECT_EQ(GetVoice(1, 1), (Voice{1, 1, 0, 19}));
        EXPECT_EQ(GetVoice(1, 3), (Voice{1, 13, 0, 24}));
        EXPECT_EQ(GetVoice(2, 1), (Voice{1, 2, 0, 25}));
        EXPECT_EQ(UndoSteps(), 1);
        EXPECT_EQ(GetVoice(1, c.voice), (Voice{1, 1, 0, 19}));
        EXPECT_EQ(GetVoice(2, c.voice), (Voice{1, 2, 0, 25}));
    }
}

TEST_F(StaffInstrumentPageTest, VoiceAllWritesEveryVoiceOfEveryStaff)
{
    Show({2, 3});
    ChooseCombo(PCsqStaffInstrument::kVoice, 0);
    EXPECT_EQ(m_page->GetVoice(), PCsqStaffInstrument::kAllVoices);
    ChooseCombo(PCsqStaffInstrument::kChannel, 4);
    Apply();
    for (int staff : {2, 3})
        for (int voice = 0; voice < 8; ++voice)
            EXPECT_EQ(GetVoice(staff, voice).channel, 4) << "staff " << staff << " voice " << voice;
    EXPECT_EQ(GetVoice(1, 0).channel, 1);
    // The records keep their own voices.
    for (int voice = 0; voice < 8; ++voice)
        EXPECT_EQ(m_page->GetVoiceInfo(voice).GetVoice(), voice);
}

TEST_F(StaffInstrumentPageTest, AChangeLeftFromOneSelectionIsNotWrittenToTheNext)
{
    Show({1});
    ChooseCombo(PCsqStaffInstrument::kChannel, 12);
    EXPECT_EQ(m_page->GetCurrentInfo().GetState(CVoiceInfo::fieldChannel), CVoiceInfo::stateChanged);
    EXPECT_EQ(m_page->GetCurrentInfo().GetState(CVoiceInfo::fieldDevice), CVoiceInfo::stateOne);
    // The inspector moves on to another staff without Apply: its refresh forgets the change.
    Show({2});
    EXPECT_EQ(m_page->GetCurrentInfo().GetState(CVoiceInfo::fieldChannel), CVoiceInfo::stateOne);
    ChooseInstrument("Church Organ");
    Apply();
    EXPECT_EQ(GetVoice(2, 0), (Voice{0, 2, 0, 19}));
    EXPECT_EQ(GetVoice(1, 0), (Voice{0, 1, 0, 0}));
}

TEST_F(StaffInstrumentPageTest, ChoicesAreHeardAtOnceOnTheVoicesOutput)
{
    // A refresh is silent.
    Show({2});
    m_page->UpdatePage();
    m_page->updateData(false);
    EXPECT_TRUE(Played(0).empty());

    ChooseInstrument("Church Organ");
    EXPECT_EQ(Played(0), programBytes(2, 0, 19));
    EXPECT_TRUE(Played(1).empty());

    // A channel change sends the instrument on the new channel.
    ChooseCombo(PCsqStaffInstrument::kChannel, 9 - 1);
    EXPECT_EQ(Played(0), programBytes(8, 0, 19));

    // Another device: the instrument goes there.
    ChooseCombo(PCsqStaffInstrument::kDevice, 1);
    EXPECT_EQ(Played(1), programBytes(8, 0, 19));
    EXPECT_TRUE(Played(0).empty());
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(StaffInstrumentPageTest, StavesOnDifferentChannelsHearTheChoiceEachOnItsOwnChannel)
{
    SetVoice(3, 0, {1, 3, 0, 0});
    Show({1, 2, 3});
    ASSERT_EQ(m_page->GetCurrentInfo().GetChannel(), -1);
    ASSERT_EQ(m_page->GetCurrentInfo().GetDevice(), -1);
    ChooseInstrument("Rock Organ");
    // Never a status byte of 0xFF (a system reset): each staff's own channel and device.
    EXPECT_EQ(Played(0), concat(programBytes(1, 0, 18), programBytes(2, 0, 18)));
    EXPECT_EQ(Played(1), programBytes(3, 0, 18));
}

TEST_F(StaffInstrumentPageTest, ChannelsAreColouredByWhoPlaysOnThem)
{
    SetVoice(1, 3, {0, 7, 0, -1});
    SetVoice(2, 0, {0, 5, 0, 0});
    Show({1});
    auto* box = Item<CChanBox>(PCsqStaffInstrument::kChannel);
    box->SetVoiceTrack(0, 1);
    box->SetDevChan(0, 1);
    struct Case {
        int channel, code;
    };
    for (const Case& c : {Case{1, CChanBox::codeOwnVoice}, Case{7, CChanBox::codeOwnTrack},
                          Case{5, CChanBox::codeOtherTrack}, Case{3, CChanBox::codeOtherTrack},
                          Case{11, CChanBox::codeFree}}) {
        SCOPED_TRACE(c.channel);
        EXPECT_EQ(box->GetDrawCode(c.channel), c.code);
    }
    // On the other device every channel is free.
    box->SetDevChan(1, 1);
    EXPECT_EQ(box->GetDrawCode(5), CChanBox::codeFree);
    box->SetDevChan(0, 1);
    EXPECT_EQ(box->TextColor(11, QColor(255, 255, 255), false), QColor(0, 127, 0));
    // Exactly two thirds of full scale counts as dark.
    EXPECT_EQ(box->TextColor(11, QColor(170, 171, 170), false), QColor(0, 255, 0));
    EXPECT_EQ(box->TextColor(11, QColor(171, 171, 171), false), QColor(0, 127, 0));
    EXPECT_EQ(box->TextColor(1, Qt::white, false), QColor(0, 0, 255));
    EXPECT_EQ(box->TextColor(5, Qt::white, false), QColor(255, 0, 0));
}

TEST_F(StaffInstrumentPageTest, DrumChannelUsesTheDrumMap)
{
    SetVoice(1, 0, {0, 9, 0, 0});
    Show({1});
    const std::string file = m_page->GetCurrentInfo().GetInstrumentFile();
    EXPECT_NE(file.find("General Midi Drums.INI"), std::string::npos) << file;
    ChooseCombo(PCsqStaffInstrument::kChannel, 0);
    EXPECT_NE(m_page->GetCurrentInfo().GetInstrumentFile().find("General Midi.INI"), std::string::npos);
}

TEST_F(StaffInstrumentPageTest, FindSelectsTheNextMatchAndStartsOverOnce)
{
    Show({1});
    auto* tree = Item<MCProgramTree>(PCsqStaffInstrument::kTree);
    tree->ExpandAll(true);
    auto* find = Item<QLineEdit>(PCsqStaffInstrument::kFind);
    QTest::keyClicks(find, "organ");
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_TRUE(tree->currentItem()->text(0).contains("Organ"));
    const QString first = tree->currentItem()->text(0);
    // Enter finds the next one and does not reach the sheet.
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_NE(tree->currentItem()->text(0), first);
    EXPECT_TRUE(tree->currentItem()->text(0).contains("organ", Qt::CaseInsensitive));
    // Picking by find is a choice of instrument.
    EXPECT_TRUE(m_page->IsModified());
    EXPECT_FALSE(Played(0).empty());
}

// A name typed with the groups closed is found in its closed group, which opens.
TEST_F(StaffInstrumentPageTest, FindReachesTheClosedGroups)
{
    Show({1});
    auto* tree = Item<MCProgramTree>(PCsqStaffInstrument::kTree);
    tree->ExpandAll(false);
    QTest::keyClicks(Item<QLineEdit>(PCsqStaffInstrument::kFind), "violin");
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->text(0), "41) Violin");
    ASSERT_NE(tree->currentItem()->parent(), nullptr);
    EXPECT_TRUE(tree->currentItem()->parent()->isExpanded());
}

TEST_F(StaffInstrumentPageTest, ANewPatchIsPlacedOnceOrEditsTheOneAtItsTime)
{
    Show({1, 2});
    // Two staves on different tracks share no patch list.
    m_page->SetAdvanced(true);
    EXPECT_FALSE(m_page->IsPatchEditAvailable());
    Show({1});
    EXPECT_TRUE(m_page->IsPatchEditAvailable());
    auto* list = Item<CPatchListCtrl>(PCsqStaffInstrument::kPatchList);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Acoustic Grand Piano");

    // A change at beat 1.
    m_page->onNotice(PCsqStaffInstrument::kNewPatch, 0, nullptr);
    EXPECT_TRUE(m_page->GetFlags() & PCsqStaffInstrument::flagNewPatch);
    EXPECT_FALSE(Item<QComboBox>(PCsqStaffInstrument::kChannel)->isEnabled());
    auto* time = Item<MCTimeEdit>(PCsqStaffInstrument::kTime);
    ASSERT_TRUE(time->isEnabled());
    time->SetTimeValue(MCTime(1.0f));
    ChooseInstrument("Church Organ");
    Apply();
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 0}, {1.0f, 19}}));
    EXPECT_FALSE(m_page->GetFlags() & (PCsqStaffInstrument::flagNewPatch | PCsqStaffInstrument::flagPatchSelected));
    EXPECT_FALSE(time->isEnabled());
    EXPECT_EQ(Patches(1, 1), (std::vector<std::pair<float, int>>{{0.0f, 0}}));

    // A new change at time 0 edits the one standing there.
    Show({1});
    ASSERT_EQ(list->topLevelItemCount(), 2);
    m_page->onNotice(PCsqStaffInstrument::kNewPatch, 0, nullptr);
    ChooseInstrument("Violin");
    Apply();
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 40}, {1.0f, 19}}));

    EXPECT_EQ(UndoSteps(), 2);
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 0}}));
}

TEST_F(StaffInstrumentPageTest, AListedPatchMovesAndChangesInOneStepAndCanBeDeleted)
{
    AddPatch(1, 0, MCTime(1.0f), 0, 24);
    Show({1});
    m_page->SetAdvanced(true);
    auto* list = Item<CPatchListCtrl>(PCsqStaffInstrument::kPatchList);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    auto* time = Item<MCTimeEdit>(PCsqStaffInstrument::kTime);
    auto* remove = Item<MCButton>(PCsqStaffInstrument::kDeletePatch);

    // The first patch stays where it is and the first voice keeps it.
    list->topLevelItem(0)->setSelected(true);
    EXPECT_FALSE(time->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    // Showing a listed patch is no change.
    EXPECT_FALSE(m_page->IsModified());
    EXPECT_TRUE(Played(0).empty());

    list->clearSelection();
    list->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(time->isEnabled());
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_EQ(time->GetTimeValue(), MCTime(1.0f));
    time->SetTimeValue(MCTime(1.5f));
    m_page->onNotice(PCsqStaffInstrument::kTime, MCTimeEdit::kNotice, time);
    ChooseInstrument("Church Organ");
    Apply();
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 0}, {1.5f, 19}}));
    EXPECT_TRUE(Undo());
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 0}, {1.0f, 24}}));

    Show({1});
    list->topLevelItem(1)->setSelected(true);
    m_page->onNotice(PCsqStaffInstrument::kDeletePatch, 0, nullptr);
    RunCommands();
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 0}}));
    // The inspector shows the staff again once the commands ran.
    Show({1});
    EXPECT_EQ(list->topLevelItemCount(), 1);
    std::string undo;
    ASSERT_TRUE(m_doc.OnUpdateEditUndo(undo));
    EXPECT_EQ(undo.substr(0, undo.find('\t')), "Undo Delete Patches");
    EXPECT_TRUE(Undo());
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 0}, {1.0f, 24}}));
}

TEST_F(StaffInstrumentPageTest, AVoicesOnlyPatchGoesWithItsEnvelopeAndComesBackWithIt)
{
    Show({1});
    ChooseCombo(PCsqStaffInstrument::kVoice, 2);
    m_page->SetAdvanced(true);
    auto* list = Item<CPatchListCtrl>(PCsqStaffInstrument::kPatchList);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    list->topLevelItem(0)->setSelected(true);
    // The second voice has no notes on the track: its first patch may go.
    ASSERT_TRUE(Item<MCButton>(PCsqStaffInstrument::kDeletePatch)->isEnabled());
    m_page->onNotice(PCsqStaffInstrument::kDeletePatch, 0, nullptr);
    RunCommands();
    EXPECT_TRUE(Patches(1, 1).empty());
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 0}}));
    EXPECT_TRUE(Undo());
    EXPECT_EQ(Patches(1, 1), (std::vector<std::pair<float, int>>{{0.0f, 0}}));
}

TEST_F(StaffInstrumentPageTest, AVoicesFirstPatchStaysWhileANoteOfTheVoiceIsOnTheTrackEvenInATuplet)
{
    ECMeasure* measure = m_doc.GetBaseEvent()->GetConductor()->GetMeasure(1, MCTime(), 0, 0);
    ASSERT_NE(measure, nullptr);
    const auto addTuplet = [measure](int voice) {
        auto* tuplet = new ECTuplet(3, 2, ECTuplet::unitsEighth);
        tuplet->SetTime(&MCTime::TimeZero());
        tuplet->SetVoiceTrack(voice, 1);
        auto* note = new ECNote(MCTime(), MCTime(1.0f / 3));
        note->SetVoiceTrack(voice, 1);
        tuplet->AddChild(note, 1);
        measure->AddChild(tuplet, 1);
    };
    struct Case {
        const char* name;
        int tupletVoice;  // -1: none added
        bool deletable;
    };
    for (const Case& c : {Case{"no note of the voice", -1, true}, Case{"a tuplet of another voice", 0, true},
                          Case{"a tuplet of the voice", 1, false}}) {
        SCOPED_TRACE(c.name);
        if (c.tupletVoice >= 0)
            addTuplet(c.tupletVoice);
        Show({1});
        ChooseCombo(PCsqStaffInstrument::kVoice, 2);
        m_page->SetAdvanced(true);
        auto* list = Item<CPatchListCtrl>(PCsqStaffInstrument::kPatchList);
        ASSERT_EQ(list->topLevelItemCount(), 1);
        list->clearSelection();
        list->topLevelItem(0)->setSelected(true);
        EXPECT_EQ(Item<MCButton>(PCsqStaffInstrument::kDeletePatch)->isEnabled(), c.deletable);
        m_page->SetAdvanced(false);
    }
}

TEST_F(StaffInstrumentPageTest, TheForcedDefaultDeviceIsShownAndCannotBeChosen)
{
    SaveIntPreference("Sequencer\\Midi\\Play", "Play Default Device", 1);
    SaveIntPreference("Sequencer\\Midi\\Play", "Default Device", 1);
    Show({1});
    auto* box = Item<MCDeviceBox>(PCsqStaffInstrument::kDevice);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(box->GetSelectedDevice(), 1);
    SaveIntPreference("Sequencer\\Midi\\Play", "Play Default Device", 0);
    Show({1});
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->GetSelectedDevice(), 0);
}

TEST_F(StaffInstrumentPageTest, CancelLeavesThePatchEditorAndShowsTheStavesAgain)
{
    Show({1});
    m_page->SetAdvanced(true);
    m_page->onNotice(PCsqStaffInstrument::kNewPatch, 0, nullptr);
    ChooseInstrument("Church Organ");
    EXPECT_FALSE(m_page->OnQueryCancel());
    EXPECT_FALSE(m_page->GetFlags() & (PCsqStaffInstrument::flagNewPatch | PCsqStaffInstrument::flagPatchSelected));
    EXPECT_FALSE(m_page->IsModified());
    EXPECT_EQ(m_page->GetCurrentInfo().GetProgram(), 0);
    EXPECT_EQ(m_page->GetCurrentInfo().GetState(CVoiceInfo::fieldProgram), CVoiceInfo::stateOne);
    EXPECT_TRUE(Item<QComboBox>(PCsqStaffInstrument::kChannel)->isEnabled());
}

TEST_F(StaffInstrumentPageTest, TheAuditionWindowKeepsItsPlaceOrGoesAboveTheInspector)
{
    Show({1});
    CAuditionWnd* audition = m_page->GetAuditionWnd();
    ASSERT_NE(audition, nullptr);
    SaveIntPreference("Components\\Inspector", "x", 300);
    SaveIntPreference("Components\\Inspector", "y", 500);
    const QPoint above = audition->InitialPosition();
    EXPECT_EQ(above.x(), 300);
    EXPECT_LT(above.y(), 500);
    // An inspector stored at the far ends of the int range: the window still goes above it,
    // worked out without overflow, and stays on the main window when there is one.
    for (const int hostile : {INT_MIN, INT_MAX, INT_MIN + 1}) {
        SaveIntPreference("Components\\Inspector", "x", hostile);
        SaveIntPreference("Components\\Inspector", "y", hostile);
        const QPoint at = audition->InitialPosition();
        EXPECT_LT(std::abs(at.x()), 2 * kScreenCoordinateLimit) << hostile;
        EXPECT_LT(std::abs(at.y()), 2 * kScreenCoordinateLimit) << hostile;
    }
    SaveIntPreference("Settings\\Audition", "x", INT_MAX);
    SaveIntPreference("Settings\\Audition", "y", INT_MIN);
    EXPECT_EQ(audition->InitialPosition(), QPoint(kScreenCoordinateLimit, -kScreenCoordinateLimit));
    SaveIntPreference("Settings\\Audition", "x", 40);
    SaveIntPreference("Settings\\Audition", "y", 60);
    EXPECT_EQ(audition->InitialPosition(), QPoint(40, 60));
    m_page->onNotice(PCsqStaffInstrument::kAudition, 0, nullptr);
    audition->move(70, 90);
    m_page.reset();
    EXPECT_EQ(LoadIntPreference("Settings\\Audition", "x", -1), 70);
    EXPECT_EQ(LoadIntPreference("Settings\\Audition", "y", -1), 90);
}

TEST_F(StaffInstrumentPageTest, ExpandAllOpensEveryGroupOnceTheInstrumentIsShown)
{
    SaveIntPreference("Components\\Inspector\\Staff\\Instrument", "Expanded", 1);
    Show({1});
    auto* tree = Item<MCProgramTree>(PCsqStaffInstrument::kTree);
    ASSERT_GT(tree->topLevelItemCount(), 1);
    const auto allOpen = [tree] {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (!tree->topLevelItem(i)->isExpanded())
                return false;
        return true;
    };
    QTRY_VERIFY(allOpen());
    EXPECT_FALSE(m_page->GetFlags() & PCsqStaffInstrument::flagExpandPending);
    // The menu's item closes them again.
    m_page->onNotice(PCsqStaffInstrument::kExpandAll, 0, nullptr);
    EXPECT_FALSE(tree->topLevelItem(0)->isExpanded());
    EXPECT_FALSE(m_page->GetFlags() & PCsqStaffInstrument::flagExpandAll);
}

TEST_F(StaffInstrumentPageTest, OptionsAuditionAndListEditorKeepTheirState)
{
    Show({1});
    m_page->onNotice(PCsqStaffInstrument::kAudition, 0, nullptr);
    ASSERT_NE(m_page->GetAuditionWnd(), nullptr);
    EXPECT_TRUE(m_page->GetAuditionWnd()->isVisible());
    // OK and Cancel of the audition window hide it and tell the page.
    m_page->GetAuditionWnd()->reject();
    EXPECT_FALSE(m_page->GetAuditionWnd()->isVisible());
    EXPECT_FALSE(m_page->GetFlags() & PCsqStaffInstrument::flagAudition);

    auto* tree = Item<MCProgramTree>(PCsqStaffInstrument::kTree);
    m_page->onNotice(PCsqStaffInstrument::kShowBank, 0, nullptr);
    m_page->onNotice(PCsqStaffInstrument::kGroupByBank, 0, nullptr);
    EXPECT_TRUE(tree->GetShowBank());
    EXPECT_EQ(tree->GetDisplayStyle(), MCProgramTree::byBanks);
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->text(0), "B00: 01) Acoustic Grand Piano");
    m_page->OnInitMenuPopup();
    for (QAction* action : m_page->GetMenu()->actions()) {
        const int id = action->data().toInt();
        if (id == PCsqStaffInstrument::kShowBank || id == PCsqStaffInstrument::kGroupByBank) {
            EXPECT_TRUE(action->isChecked());
        } else if (id == PCsqStaffInstrument::kGroupByType) {
            EXPECT_FALSE(action->isChecked());
        }
    }

    const QSize basic = m_page->GetSize();
    auto* listButton = Item<QPushButton>(PCsqStaffInstrument::kList);
    listButton->click();
    EXPECT_EQ(listButton->text(), "List  <<");
    EXPECT_GT(m_page->GetSize().height(), basic.height());
    listButton->click();
    EXPECT_EQ(listButton->text(), "List  >>");

    m_page.reset();
    EXPECT_EQ(LoadIntPreference("Components\\Inspector\\Staff\\Instrument", "ShowBank", 0), 1);
    EXPECT_EQ(LoadIntPreference("Components\\Inspector\\Staff\\Instrument", "Style", 0), 1);
    EXPECT_EQ(LoadIntPreference("Components\\Inspector\\Staff\\Instrument", "Audition", 1), 0);
}

TEST_F(StaffInstrumentPageTest, Screenshots)
{
    SetVoice(2, 0, {0, 4, 0, 40});
    Show({1, 2});
    m_page->resize(m_page->GetSize().expandedTo(QSize(320, 360)));
    m_page->show();
    EXPECT_FALSE(widgettest::saveScreenshot(*m_page, "inspector-staff-instrument-mixed").empty());
    Show({1});
    m_page->SetAdvanced(true);
    m_page->resize(m_page->GetSize().expandedTo(QSize(320, 480)));
    EXPECT_FALSE(widgettest::saveScreenshot(*m_page, "inspector-staff-instrument-list").empty());
    m_page->hide();
}

}  // namespace

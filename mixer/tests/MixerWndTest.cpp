// The mixer window: its layout modes and width snapping, following the document through the
// states it hears (command batches that add, remove, order and rename staves among them), the
// meter poll and the MIDI-in lamp on the manual clock, and strips heard at the MIDI output
// while a piece plays, with pictures of the three layouts playing.

#include "mixer/tests/MixerTestSupport.h"

#include "mixer/controls/CLevelMeter.h"
#include "mixer/views/CMasterArea.h"
#include "mixer/views/CMixerWnd.h"
#include "mixer/views/CTrackList.h"
#include "mixer/views/CTrackState.h"
#include "mixer/views/CTrackStrip.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/controls/MCDial.h"
#include "interface/controls/MCSlider.h"
#include "interface/controls/MCStaticEdit.h"
#include "interface/document/MCOpusTemplate.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CCOrderTracks.h"
#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECText.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECTrack.h"
#include "notabase/states/SCPrefs.h"
#include "notabase/states/SCSelection.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/timer/DisplayTick.h"
#include "platform/ui/timer/UiTimers.h"
#include "sequencer/states/SCPerform.h"

#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <thread>

namespace {

using mixertest::MixerTest;

TEST(MixerSnapTest, AFloatingWidthHoldsWholeStripsAndAtLeastTheMasterSection)
{
    constexpr int b = CMixerWnd::kSnapBase;
    struct Case {
        int length;
        int expected;
    };
    // Strips 70 wide, a master section 200 wide.
    for (const Case& c : {Case{b + 700, b + 700}, Case{b + 769, b + 700}, Case{b + 771, b + 770},
                          Case{b + 250, b + 210}, Case{60, b + 200}, Case{b + 10, b + 200}, Case{0, b + 200}})
        EXPECT_EQ(CMixerWnd::SnapWidth(c.length, 70, 200), c.expected) << c.length;
}

class MixerWndTest : public MixerTest {
protected:
    void SetUp() override
    {
        MixerTest::SetUp();
        frame = std::make_unique<QMainWindow>();
        mdi = new QWidget;
        frame->setCentralWidget(mdi);
        frame->resize(900, 600);
        states.forward = [this](long code, SCBase* state) {
            if (mixer)
                mixer->OnUpdate(code, state);
        };
    }
    void TearDown() override
    {
        mixer = nullptr;
        frame.reset();
        MixerTest::TearDown();
    }
    void MakeMixer()
    {
        mixer = new CMixerWnd(frame.get(), mdi, tick);
        frame->show();
        QApplication::processEvents();
    }
    CTrackStrip* Strip(int track) { return mixer->TrackList()->GetStrip(track - 1); }
    int Strips() { return mixer->TrackList()->GetStripCount(); }
    // One undoable step of a command, as an editing dialog makes it; its batch reaches the mixer.
    void Step(CCBase* command)
    {
        command->SetSynchronous(1);
        MCCommandMgr::BeginUndo(doc.GetBaseEvent(), "Edit");
        command->Apply(doc.GetBaseEvent());
        MCCommandMgr::EndUndo(doc.GetBaseEvent());
        states.Take();
    }

    plat::media::ManualTimerService timers{1000};
    plat::ui::UiTimers::ScopedService uiTimers{timers};
    // The display tick the mixer shares with the frame's other displays.
    std::shared_ptr<plat::ui::DisplayTick> tick = std::make_shared<plat::ui::DisplayTick>();
    mixertest::StateRecord states;
    std::unique_ptr<QMainWindow> frame;
    QWidget* mdi = nullptr;
    CMixerWnd* mixer = nullptr;
};

TEST_F(MixerWndTest, ItDocksAtTheBottomOnlyAndShowsTheActiveDocument)
{
    MakePiece(3, 4);
    MakeMixer();
    EXPECT_EQ(mixer->GetDockingAreas(), Qt::BottomDockWidgetArea);
    EXPECT_EQ(mixer->DockedArea(), Qt::BottomDockWidgetArea);
    EXPECT_EQ(mixer->windowTitle(), "Mixer");
    EXPECT_EQ(mixer->GetState() & 1u, 1u);
    EXPECT_EQ(mixer->GetDocument(), &doc);
    ASSERT_EQ(Strips(), 3);
    // A track without a name shows one, and the piece keeps none.
    EXPECT_EQ(Strip(3)->GetTrackName(), "Track 3");
    EXPECT_EQ(TrackData(3)->GetTrackName(), nullptr);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(mixer->MasterArea()->TempoField()->text(), "120.0");
    // Docked, it is as wide as the MDI area and as high as the bar.
    EXPECT_EQ(mixer->CalcDynamicLayout(-1, MCToolWnd::LM_HORZ | MCToolWnd::LM_HORZDOCK),
              QSize(mdi->width(), mixer->GetBarHeight()));
    EXPECT_EQ(mixer->OnHelpHitTest(), CMixerWnd::kHelpContext);
    std::string help;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.help = [&help](const std::string& context) { help = context; };
    const plat::ui::ModalHooks::Scoped scope(hooks);
    EXPECT_EQ(mixer->OnCommandHelp(0), 1);
    EXPECT_EQ(help, "Mixer");

    // Without a document: no strips, and an empty tempo field that cannot be edited.
    MCOpusDoc::SetActiveDoc(nullptr);
    mixer->OnUpdate(1705, nullptr);
    EXPECT_EQ(Strips(), 0);
    EXPECT_TRUE(mixer->MasterArea()->TempoField()->text().isEmpty());
    EXPECT_FALSE(mixer->MasterArea()->TempoField()->IsEditEnabled());
}

TEST_F(MixerWndTest, ADocumentWithoutTracksShowsNoStripsAndNoTempo)
{
    ASSERT_TRUE(doc.OnNewDocument());
    MCOpusDoc::SetActiveDoc(&doc);
    MakeMixer();
    EXPECT_EQ(mixer->GetDocument(), &doc);
    EXPECT_EQ(Strips(), 0);
    EXPECT_TRUE(mixer->MasterArea()->TempoField()->text().isEmpty());
    EXPECT_FALSE(mixer->MasterArea()->TempoField()->IsEditEnabled());
}

TEST_F(MixerWndTest, TheLayoutModesRemakeStripsAndMasterSectionAndTheSameModeDoesNothing)
{
    MakePiece(2, 4);
    SaveIntPreference(CMixerWnd::kSection, "Layout", 2);
    MakeMixer();
    EXPECT_EQ(CMixerWnd::GetMixerMode(), 2);
    EXPECT_EQ(Strip(1)->GetLayoutMode(), 2);
    EXPECT_EQ(mixer->LayoutButton(CMixerWnd::kFullButton)->GetButtonState(), 1);
    EXPECT_EQ(mixer->LayoutButton(CMixerWnd::kMiniButton)->GetButtonState(), 0);
    const int fullHeight = mixer->GetBarHeight();

    CTrackStrip* before = Strip(1);
    CMasterArea* master = mixer->MasterArea();
    mixer->onCommand(CMixerWnd::kFullButton);
    EXPECT_EQ(Strip(1), before);
    EXPECT_EQ(mixer->MasterArea(), master);

    // A press on the mini button.
    QTest::mousePress(mixer->LayoutButton(CMixerWnd::kMiniButton), Qt::LeftButton);
    QTest::mouseRelease(mixer->LayoutButton(CMixerWnd::kMiniButton), Qt::LeftButton);
    EXPECT_EQ(CMixerWnd::GetMixerMode(), 0);
    ASSERT_EQ(Strips(), 2);
    EXPECT_EQ(Strip(1)->GetLayoutMode(), 0);
    EXPECT_EQ(mixer->MasterArea()->GetLayoutMode(), 0);
    EXPECT_EQ(mixer->LayoutButton(CMixerWnd::kMiniButton)->GetButtonState(), 1);
    EXPECT_EQ(mixer->LayoutButton(CMixerWnd::kFullButton)->GetButtonState(), 0);
    EXPECT_LT(mixer->GetBarHeight(), fullHeight);
    EXPECT_EQ(mixer->Body()->height(), mixer->GetBarHeight());

    // Commands 5130-5132 choose too; a strip's layout command reaches the mixer after it.
    mixer->onCommand(5131);
    EXPECT_EQ(CMixerWnd::GetMixerMode(), 1);
    Strip(1)->onCommand(CMixerWnd::kFullButton);
    QApplication::processEvents();
    EXPECT_EQ(CMixerWnd::GetMixerMode(), 2);

    // The mode and the floating width are kept when the mixer goes.
    mixer->onCommand(CMixerWnd::kMiniButton);
    const int width = mixer->GetFloatWidth();
    delete mixer;
    mixer = nullptr;
    EXPECT_EQ(LoadIntPreference(CMixerWnd::kSection, "Layout", -1), 0);
    EXPECT_EQ(LoadIntPreference(CMixerWnd::kSection, "FloatWidth", -1), width);
}

TEST_F(MixerWndTest, AFloatingMixerSnapsToWholeStrips)
{
    MakePiece(4, 4);
    MakeMixer();
    const int strip = CTrackStrip::GetStripSize().width();
    const int master = CMasterArea::GetMasterSize().width();
    EXPECT_EQ(mixer->CalcDynamicLayout(CMixerWnd::kSnapBase + 3 * strip + strip / 2, MCToolWnd::LM_HORZ).width(),
              std::max(CMixerWnd::kSnapBase + 3 * strip, master + CMixerWnd::kSnapBase));
    EXPECT_EQ(mixer->CalcDynamicLayout(strip / 2, MCToolWnd::LM_HORZ).width(), master + CMixerWnd::kSnapBase);
    EXPECT_EQ(mixer->GetFloatWidth(), master + CMixerWnd::kSnapBase);
    // The most recent width, and proposed heights, change nothing.
    EXPECT_EQ(mixer->CalcDynamicLayout(9999, MCToolWnd::LM_HORZ | MCToolWnd::LM_MRUWIDTH).width(),
              master + CMixerWnd::kSnapBase);
    EXPECT_EQ(mixer->CalcDynamicLayout(9999, MCToolWnd::LM_LENGTHY).width(), master + CMixerWnd::kSnapBase);
    EXPECT_EQ(mixer->CalcDynamicLayout(9999, MCToolWnd::LM_HORZ).height(), mixer->GetBarHeight());
}

TEST_F(MixerWndTest, CommandBatchesAddRemoveOrderAndRenameStrips)
{
    MakePiece(3, 4);
    MakeMixer();
    ASSERT_EQ(Strips(), 3);

    // A staff added: the strips are made anew.
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, 1);
    Step(add);
    ASSERT_EQ(Strips(), 4);
    EXPECT_EQ(Strip(4)->GetTrack(), Staff(4));

    // A rename refreshes that strip alone.
    CTrackStrip* first = Strip(1);
    first->SetTrackName("stale");
    auto* name = new ECText(3, "Flute");
    name->SetTime(&MCTime::TimeZero());
    name->SetVoiceTrack(0, 2);
    Step(new CCAdd(name, Staff(2), FCMidi::MidiNull()));
    EXPECT_EQ(Strip(1), first);
    EXPECT_EQ(Strip(2)->GetTrackName(), "Flute");
    EXPECT_EQ(Strip(1)->GetTrackName(), "stale");
    auto* edit = new CCEdit;
    dynamic_cast<ECText*>(edit->EditEvent(name)->GetNewEvent())->SetText("Piccolo");
    Step(edit);
    EXPECT_EQ(Strip(1), first);
    EXPECT_EQ(Strip(2)->GetTrackName(), "Piccolo");
    // An instrument name names a track too, as a MIDI file's may: it is shown and followed.
    auto* instrument = new ECText(4, "Oboe");
    instrument->SetTime(&MCTime::TimeZero());
    instrument->SetVoiceTrack(0, 3);
    Step(new CCAdd(instrument, Staff(3), FCMidi::MidiNull()));
    EXPECT_EQ(Strip(3)->GetTrackName(), "Oboe");
    auto* renamed = new CCEdit;
    dynamic_cast<ECText*>(renamed->EditEvent(instrument)->GetNewEvent())->SetText("Cor Anglais");
    Step(renamed);
    EXPECT_EQ(Strip(3)->GetTrackName(), "Cor Anglais");

    // Staves in a new order.
    ECBase* flute = Staff(2);
    auto* order = new CCOrderTracks;
    order->OrderTrack(static_cast<ECTrack*>(Staff(2)), 1);
    order->OrderTrack(static_cast<ECTrack*>(Staff(1)), 2);
    Step(order);
    ASSERT_EQ(Strips(), 4);
    EXPECT_EQ(Strip(1)->GetTrack(), flute);
    EXPECT_EQ(Strip(1)->GetTrackName(), "Piccolo");

    // A staff removed.
    Step(new CCRemoveTrack(static_cast<ECTrack*>(Staff(3))));
    EXPECT_EQ(Strips(), 3);

    // Batches of another document are none of the mixer's.
    MCOpusDoc other;
    FillPiece(other, 1, 1);
    CTrackStrip* kept = Strip(1);
    auto* elsewhere = new CCAddTrack;
    elsewhere->AddMidiTrack(0, 1);
    elsewhere->SetSynchronous(1);
    MCCommandMgr::BeginUndo(other.GetBaseEvent(), "Add");
    elsewhere->Apply(other.GetBaseEvent());
    MCCommandMgr::EndUndo(other.GetBaseEvent());
    states.Take();
    EXPECT_EQ(Strip(1), kept);
    EXPECT_EQ(Strips(), 3);
}

TEST_F(MixerWndTest, StatesFromOutsideTurnTheStripsAndDynamicSelectionsAreLeftAlone)
{
    MakePiece(3, 4);
    MakeMixer();
    mixer->onCommand(CMixerWnd::kFullButton);
    auto* pan = new SCTrack(3407);
    pan->SetTrack(2);
    pan->SetValue(-32);
    pan->SetSynchronous(1);
    pan->Apply(doc.GetBaseEvent());
    EXPECT_EQ(Strip(2)->GetPan(), -32);
    EXPECT_EQ(Strip(2)->Dial(CTrackStrip::kPan)->GetAngle(), MCDial::kMinAngle + 75);

    auto* dynamic = new SCSelection(1701, Staff(1));
    dynamic->SetDynamic(1);
    dynamic->Apply(doc.GetBaseEvent());
    states.Take();
    EXPECT_FALSE(Strip(1)->IsSelected());
    (new SCSelection(1701, Staff(3)))->Apply(doc.GetBaseEvent());
    states.Take();
    EXPECT_TRUE(Strip(3)->IsSelected());
    EXPECT_FALSE(Strip(1)->IsSelected());

    // Playing and recording disable the mode buttons, a stop enables them again.
    mixer->OnUpdate(3302, nullptr);
    EXPECT_FALSE(Strip(1)->TrackState()->Button(CTrackState::kMode)->isEnabled());
    mixer->OnUpdate(3300, nullptr);
    EXPECT_TRUE(Strip(1)->TrackState()->Button(CTrackState::kMode)->isEnabled());
    mixer->OnUpdate(3304, nullptr);
    EXPECT_FALSE(Strip(3)->TrackState()->Button(CTrackState::kMode)->isEnabled());
    mixer->OnUpdate(3301, nullptr);
    EXPECT_TRUE(Strip(3)->TrackState()->Button(CTrackState::kMode)->isEnabled());
}

TEST_F(MixerWndTest, TheThruSwitchFollowsPreferencesChangedElsewhere)
{
    MemoryDevices devices;
    devices.Wavegate().EnableMidiThru(0);
    MakePiece(1, 4);
    MakeMixer();
    MCButton2* thru = mixer->MasterArea()->ThruSwitch();
    ASSERT_NE(thru, nullptr);
    EXPECT_EQ(thru->GetButtonState(), 0);
    // The device wizard or the MIDI pages switch thru, then announce the change.
    for (const int on : {1, 0, 1}) {
        devices.Wavegate().EnableMidiThru(on);
        SCPrefs changed;
        mixer->OnUpdate(SCPrefs::kPrefsChanged, &changed);
        EXPECT_EQ(thru->GetButtonState(), on);
    }
    // A layout change makes the switch anew: it shows the same.
    mixer->onCommand(CMixerWnd::kFullButton);
    EXPECT_EQ(mixer->MasterArea()->ThruSwitch()->GetButtonState(), 1);
}

TEST_F(MixerWndTest, TheTempoShownFollowsEditsOfTheTempoInForceAndTheirUndo)
{
    MakePiece(2, 8);
    MakeMixer();
    MCStaticEdit* field = mixer->MasterArea()->TempoField();
    ASSERT_EQ(field->text(), "120.0");
    ECTempoEnv* tempos = doc.GetBaseEvent()->GetConductor()->GetConductorStaff()->GetTempoEnv();
    auto* first = plat::dynamicDowncast<ECTempo>(tempos->GetChildren()->GetHead());
    ASSERT_NE(first, nullptr);
    // As the inspector's tempo page edits a mark: a copy with the new tempo.
    auto* edit = new CCEdit;
    CCEditItem* item = edit->EditEvent(first);
    ASSERT_NE(item, nullptr);
    auto* copy = dynamic_cast<ECTempo*>(item->GetNewEvent());
    ASSERT_NE(copy, nullptr);
    copy->SetTempo(90.0f, 1.0f);
    Step(edit);
    EXPECT_EQ(field->text(), "90.0");
    // At half speed the field shows the tempo heard.
    doc.GetSequence()->SetUserSpeed(0.5f);
    states.Take();
    doc.GetBaseEvent()->Undo(1);
    states.Take();
    EXPECT_EQ(field->text(), "60.0");
    doc.GetBaseEvent()->Redo(1);
    states.Take();
    EXPECT_EQ(field->text(), "45.0");
}

TEST_F(MixerWndTest, StatesThatAClosedDocumentsSequenceSentLateChangeNothingShown)
{
    MakePiece(2, 8);
    MakeMixer();
    CMasterArea* master = mixer->MasterArea();
    // The last document closes while it plays; its stopping sequence still tells its tempo,
    // speed and volume after the mixer has let it go.
    MCOpusDoc::SetActiveDoc(nullptr);
    mixer->OnUpdate(1303, nullptr);
    ASSERT_EQ(mixer->GetDocument(), nullptr);
    for (const int code : {SCMaster::codeTempoDisplay, SCMaster::codeSpeed, SCMaster::codeVolume}) {
        auto* state = new SCMaster(code);
        state->SetSynchronous(1);
        state->SetBPM(code == SCMaster::codeSpeed ? 2.0f : 40.0f);
        state->Apply(doc.GetBaseEvent());
    }
    states.Take();
    EXPECT_TRUE(master->TempoField()->text().isEmpty());
    EXPECT_FALSE(master->TempoField()->IsEditEnabled());
    EXPECT_EQ(master->GetTempoPosition(), 50);
    EXPECT_DOUBLE_EQ(master->GetMasterVolume(), 1.0);
}

TEST_F(MixerWndTest, MetersAndResetsStayWithinTheStripsWhenTheLevelManagerCountsMore)
{
    MakePiece(2, 4);
    MakeMixer();
    ASSERT_EQ(Strips(), 2);
    // A staff the mixer has not heard of yet: the level manager has a slot for it.
    states.forward = nullptr;
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, 2);
    add->SetSynchronous(1);
    add->Apply(doc.GetBaseEvent());
    CMeterLevelMgr& levels = doc.GetSequence()->GetMeterLevelMgr();
    levels.UpdateTrackCount();
    ASSERT_EQ(levels.GetSlotCount(), 5);
    for (unsigned track = 1; track <= 4; ++track)
        levels.SetMeterLevel(track, 127, 0);
    mixer->OnMeterTimer();
    EXPECT_GT(Strip(2)->Meter()->GetLevel(), 0.0f);
    EXPECT_GT(mixer->MasterArea()->Meter()->GetLevel(), 0.0f);
    mixer->ResetMeters();
    EXPECT_EQ(Strip(2)->Meter()->GetLevel(), 0.0f);
    EXPECT_EQ(mixer->MasterArea()->Meter()->GetLevel(), 0.0f);
}

TEST_F(MixerWndTest, MetersAtRestAreDarkAndLightOnlyWithALevel)
{
    MakePiece(2, 4);
    MakeMixer();
    // Pixels of the meter's own colour: green for a strip that plays, and the master's.
    const auto lit = [](CLevelMeter* meter) {
        const QImage shot = meter->grab().toImage();
        const QColor colour = plat::ui::toQColor(meter->GetLitColor());
        int count = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                count += shot.pixelColor(x, y) == colour;
        return count;
    };
    CLevelMeter* meters[] = {Strip(1)->Meter(), Strip(2)->Meter(), mixer->MasterArea()->Meter()};
    for (CLevelMeter* meter : meters)
        EXPECT_EQ(lit(meter), 0) << "in silence";
    CMeterLevelMgr& levels = doc.GetSequence()->GetMeterLevelMgr();
    levels.UpdateTrackCount();
    levels.SetMeterLevel(1, 127, 0);
    mixer->OnMeterTimer();
    EXPECT_GT(lit(Strip(1)->Meter()), 0);
    EXPECT_EQ(lit(Strip(2)->Meter()), 0);
    EXPECT_GT(lit(mixer->MasterArea()->Meter()), 0);
    mixer->OnUpdate(3300, nullptr);
    for (CLevelMeter* meter : meters)
        EXPECT_EQ(lit(meter), 0) << "once stopped";
}

// The level manager keeps the tracks' gains between polls: a gain moved at the fader, or by
// an edit of the staff, is what the meter scales by from the next poll on.
TEST_F(MixerWndTest, TheMetersScaleByAGainChangedAtTheFader)
{
    MakePiece(2, 4);
    MakeMixer();
    mixer->onCommand(CMixerWnd::kFullButton);
    CMeterLevelMgr& levels = doc.GetSequence()->GetMeterLevelMgr();
    const auto metered = [&](int track) {
        levels.SetMeterLevel(unsigned(track), 64, 0);
        return levels.GetCurrentLevels(0)[size_t(track)];
    };
    const float before = TrackData(1)->GetTrackGain();
    EXPECT_FLOAT_EQ(metered(1), 0.5f * before);

    MCSlider* volume = Strip(1)->VolumeSlider();
    QTest::mouseClick(volume, Qt::LeftButton, Qt::NoModifier, volume->Value2XY(0.2, false));
    states.Take();
    const float after = TrackData(1)->GetTrackGain();
    ASSERT_NE(after, before) << "the fader moved the gain";
    EXPECT_FLOAT_EQ(metered(1), 0.5f * after);
    EXPECT_FLOAT_EQ(metered(2), 0.5f * TrackData(2)->GetTrackGain()) << "the other track keeps its own";

    // A gain state from elsewhere (the inspector, a script) reaches the meters the same way.
    auto* gain = new SCTrack(SCTrack::codeGain);
    gain->SetTrack(2);
    gain->SetTrackType(1);
    gain->SetValue(25);
    gain->Apply(doc.GetBaseEvent());
    states.Take();
    ASSERT_FLOAT_EQ(TrackData(2)->GetTrackGain(), 0.25f);
    EXPECT_FLOAT_EQ(metered(2), 0.5f * 0.25f);
}

TEST_F(MixerWndTest, ADocumentThatWentIsLetGoBeforeTheMeterTimerTouchesIt)
{
    MakePiece(2, 4);
    MakeMixer();
    {
        auto gone = std::make_unique<MCOpusDoc>();
        FillPiece(*gone, 1, 1);
        MCOpusDoc::SetActiveDoc(gone.get());
        mixer->OnUpdate(1705, nullptr);
        ASSERT_EQ(mixer->GetDocument(), gone.get());
        MCOpusDoc::SetActiveDoc(&doc);
    }
    timers.advance(CMixerWnd::kMeterMs);
    EXPECT_EQ(mixer->GetDocument(), &doc);
    EXPECT_EQ(Strips(), 2);
}

TEST_F(MixerWndTest, TheLampLightsFromTheInputThreadAndGoesOutOnTheSecondTick)
{
    MemoryDevices devices(2, 1);
    devices.Wavegate().Initialize(CWavegate::WG_INIT_MIDI);
    devices.Start();
    MakePiece(1, 4);
    MakeMixer();
    ASSERT_NE(mixer->GetMidiMonitorTag(), 0);
    ASSERT_FALSE(mixer->MasterArea()->IsMidiInLit());
    std::thread input([&devices] { EXPECT_TRUE(devices.In(0).feed(0x403C90)); });
    input.join();
    QTRY_VERIFY(mixer->MasterArea()->IsMidiInLit());
    timers.advance(CMixerWnd::kMeterMs);
    EXPECT_TRUE(mixer->MasterArea()->IsMidiInLit());
    timers.advance(CMixerWnd::kMeterMs);
    EXPECT_FALSE(mixer->MasterArea()->IsMidiInLit());
    // While hidden there is no timer; shown again it runs.
    mixer->hide();
    EXPECT_FALSE(mixer->TrackTimerRunning());
    mixer->show();
    EXPECT_TRUE(mixer->TrackTimerRunning());
    // The monitor goes with the mixer: input afterwards reaches nothing.
    delete mixer;
    mixer = nullptr;
    std::thread after([&devices] { devices.In(0).feed(0x403C90); });
    after.join();
    QApplication::processEvents();
}

TEST_F(MixerWndTest, TheContextMenuSendsStructureCommandsToTheMainWindowOnlyWithADocument)
{
    std::vector<uint32_t> routed;
    const MCOpusTemplate::CommandRouter previous =
        MCOpusTemplate::SetCommandRouter([&routed](uint32_t id) { routed.push_back(id); });
    int shown = 0;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.popupMenu = [&shown](QMenu& menu, const QPoint&) -> QAction* {
        ++shown;
        for (QAction* action : menu.actions()) {
            if (action->data().toUInt() == 38662)
                return action;
        }
        return nullptr;
    };
    const plat::ui::ModalHooks::Scoped scope(hooks);
    MakeMixer();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(mixer, &event);
    EXPECT_EQ(shown, 0);
    MakePiece(1, 1);
    mixer->OnUpdate(1705, nullptr);
    QApplication::sendEvent(mixer, &event);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(routed, std::vector<uint32_t>{38662});
    MCOpusTemplate::SetCommandRouter(previous);
}

// ---- A piece playing ----------------------------------------------------------------------

class MixerPlayTest : public MixerWndTest {
protected:
    // The control changes of a controller that output 0 received, as (channel, value).
    static std::vector<std::pair<int, int>> Controls(MemoryDevices& devices, int controller)
    {
        std::vector<std::pair<int, int>> found;
        for (const auto& played : devices.Out(0).takePlayed()) {
            if (played.bytes.size() == 3 && (played.bytes[0] & 0xF0) == 0xB0 && played.bytes[1] == controller)
                found.emplace_back(played.bytes[0] & 0x0F, played.bytes[2]);
        }
        return found;
    }
    static int NoteOns(const std::vector<plat::media::MemoryMidiOut::Played>& played, int channel)
    {
        int count = 0;
        for (const auto& each : played) {
            if (each.bytes.size() == 3 && each.bytes[0] == (0x90 | channel) && each.bytes[2] != 0)
                ++count;
        }
        return count;
    }
    void Play()
    {
        CSequence& sequence = *doc.GetSequence();
        sequence.EnableAutoStop(1);
        sequence.EnableAutoRewind(0);
        sequence.SetLocation(MCTime(0.0f));
        devices.Start();
        devices.Step(300);
        auto* play = new SCPerform(3302);
        play->SetSynchronous(1);
        play->Apply(doc.GetBaseEvent());
        states.Take();
        ASSERT_TRUE(sequence.TestState(CSequence::statePlaying));
    }
    // Plays on and polls the meters as the timer would.
    void PlayOn(uint32_t ms)
    {
        for (uint32_t t = 0; t < ms; t += CMixerWnd::kMeterMs) {
            devices.Step(CMixerWnd::kMeterMs);
            timers.advance(CMixerWnd::kMeterMs);
        }
        QApplication::processEvents();
    }

    MemoryDevices devices{2, 1};
};

TEST_F(MixerPlayTest, AStripsVolumePanAndMuteAreHeardAtTheOutputWhileThePiecePlays)
{
    MakePiece(2, 32);
    MakeMixer();
    mixer->onCommand(CMixerWnd::kFullButton);
    Play();
    PlayOn(1000);
    devices.Out(0).takePlayed();

    MCSlider* volume = Strip(1)->VolumeSlider();
    QTest::mouseClick(volume, Qt::LeftButton, Qt::NoModifier, volume->Value2XY(0.5, false));
    devices.Step(20);
    // Volume 7 on the staff's channel, at once, as the fader shows it.
    EXPECT_NEAR(Strip(1)->GetVolume(), 50, 1);
    const int level = int(std::lround(127.0 * Strip(1)->GetVolume() / 100.0));
    EXPECT_EQ(Controls(devices, 7), (std::vector<std::pair<int, int>>{{0, level}}));

    MCDial* pan = Strip(2)->Dial(CTrackStrip::kPan);
    pan->setFocus();
    QTest::keyClick(pan, Qt::Key_End);
    QApplication::processEvents();
    devices.Step(20);
    const auto panned = Controls(devices, 10);
    ASSERT_FALSE(panned.empty());
    EXPECT_GE(Strip(2)->GetPan(), 60);
    EXPECT_EQ(panned.back(), (std::pair<int, int>{1, 64 + Strip(2)->GetPan()}));

    QTest::mouseClick(Strip(2)->TrackState()->Button(CTrackState::kMute), Qt::LeftButton);
    devices.Out(0).takePlayed();
    PlayOn(2000);
    const auto played = devices.Out(0).takePlayed();
    EXPECT_EQ(NoteOns(played, 1), 0);
    EXPECT_GT(NoteOns(played, 0), 0);
    EXPECT_EQ(Strip(2)->IsActive(), 0);
}

TEST_F(MixerPlayTest, EveryStripControlTurnedByTheUserIsHeardAsItsOwnControllerAtTheOutput)
{
    MakePiece(2, 32);
    MakeMixer();
    mixer->onCommand(CMixerWnd::kFullButton);
    Play();
    PlayOn(500);
    CTrackStrip* strip = Strip(2);
    // Each control with how the user turns it, the controller it must reach on the staff's
    // channel (1) and the value the strip shows for it.
    const auto wheel = [](QWidget* control, int notches) {
        const QPoint at = control->rect().center();
        QWheelEvent event(at, control->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(control, &event);
    };
    const auto drag = [](QWidget* control, int up) {
        const QPoint from = control->rect().center();
        QTest::mousePress(control, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(control, from - QPoint(0, up / 2));
        QTest::mouseMove(control, from - QPoint(0, up));
        QTest::mouseRelease(control, Qt::LeftButton, Qt::NoModifier, from - QPoint(0, up));
    };
    const auto key = [](QWidget* control, Qt::Key pressed) {
        control->setFocus();
        QTest::keyClick(control, pressed);
    };
    struct Case {
        const char* name;
        int controller;
        std::function<void()> turn;
        std::function<int()> shown;
    };
    const Case cases[] = {
        {"volume by the mouse", 7,
         [&] {
             MCSlider* volume = strip->VolumeSlider();
             QTest::mouseClick(volume, Qt::LeftButton, Qt::NoModifier, volume->Value2XY(0.3, false));
         },
         [&] { return int(std::lround(127.0 * strip->GetVolume() / 100.0)); }},
        {"pan by the keys", 10, [&] { key(strip->Dial(CTrackStrip::kPan), Qt::Key_End); },
         [&] { return 64 + strip->GetPan(); }},
        {"chorus by the wheel", 93, [&] { wheel(strip->Dial(CTrackStrip::kChorus), 5); },
         [&] { return strip->GetChorus(); }},
        {"reverb by the mouse", 91, [&] { drag(strip->Dial(CTrackStrip::kReverb), 60); },
         [&] { return strip->GetReverb(); }},
        {"modulation by the keys", 1, [&] { key(strip->Dial(CTrackStrip::kModulation), Qt::Key_PageUp); },
         [&] { return strip->GetModulation(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        devices.Out(0).takePlayed();
        c.turn();
        QApplication::processEvents();
        devices.Step(20);
        std::vector<std::pair<int, int>> sent;
        for (const auto& played : devices.Out(0).takePlayed()) {
            if (played.bytes.size() == 3 && played.bytes[0] == 0xB1)
                sent.emplace_back(played.bytes[1], played.bytes[2]);
        }
        ASSERT_FALSE(sent.empty());
        for (const auto& [controller, value] : sent)
            EXPECT_EQ(controller, c.controller) << "value " << value;
        EXPECT_EQ(sent.back().second, c.shown());
        EXPECT_GT(c.shown(), 0);
    }
    // Staff 1, on channel 0, heard none of it.
    EXPECT_EQ(TrackData(1)->GetTrackChorus(), 0.0f);
    EXPECT_EQ(TrackData(1)->GetTrackReverb(), 0.0f);
}

// The meter timer ticks only while the meters or the lamp can change: it rests once the
// transport stops and the meters have fallen, and play and MIDI input wake it.
TEST_F(MixerPlayTest, TheMeterTimerRunsOnlyWhileTheMetersOrTheLampCanChange)
{
    MakePiece(2, 32);
    MakeMixer();
    devices.Wavegate().Initialize(CWavegate::WG_INIT_MIDI);
    mixer->OnUpdate(1705, nullptr);
    ASSERT_TRUE(mixer->TrackTimerRunning()) << "shown, it looks once";
    timers.advance(CMixerWnd::kMeterMs);
    EXPECT_FALSE(mixer->TrackTimerRunning()) << "nothing plays and every meter is dark";
    // A document that comes to the front may be playing: the timer looks again.
    mixer->OnUpdate(1705, nullptr);
    EXPECT_TRUE(mixer->TrackTimerRunning());
    timers.advance(CMixerWnd::kMeterMs);
    EXPECT_FALSE(mixer->TrackTimerRunning());

    EXPECT_FALSE(tick->IsRunning()) << "the shared tick rests with the meters";
    Play();
    EXPECT_TRUE(mixer->TrackTimerRunning()) << "the play woke it";
    EXPECT_TRUE(tick->IsRunning()) << "the meters step on the shared tick";
    PlayOn(600);
    EXPECT_TRUE(mixer->TrackTimerRunning());
    EXPECT_GT(Strip(1)->Meter()->GetLitHeight(), 0);

    auto* stop = new SCPerform(SCPerform::codeStop);
    stop->SetSynchronous(1);
    stop->Apply(doc.GetBaseEvent());
    states.Take();
    int ticks = 0;
    while (mixer->TrackTimerRunning() && ticks < 100) {
        devices.Step(CMixerWnd::kMeterMs);
        timers.advance(CMixerWnd::kMeterMs);
        ++ticks;
    }
    EXPECT_FALSE(mixer->TrackTimerRunning()) << "the transport rests and the meters have fallen";
    EXPECT_FALSE(tick->IsRunning());
    EXPECT_EQ(Strip(1)->Meter()->GetLitHeight(), 0);
    EXPECT_EQ(mixer->MasterArea()->Meter()->GetLitHeight(), 0);

    // MIDI input lights the lamp, which the timer puts out two ticks later before it rests.
    std::thread input([this] { EXPECT_TRUE(devices.In(0).feed(0x403C90)); });
    input.join();
    QTRY_VERIFY(mixer->MasterArea()->IsMidiInLit());
    EXPECT_TRUE(mixer->TrackTimerRunning());
    timers.advance(CMixerWnd::kMeterMs);
    timers.advance(CMixerWnd::kMeterMs);
    EXPECT_FALSE(mixer->MasterArea()->IsMidiInLit());
    EXPECT_FALSE(mixer->TrackTimerRunning());
}

TEST_F(MixerPlayTest, TheMetersLightWhileThePiecePlaysInEveryLayout)
{
    MakePiece(6, 64);
    MakeMixer();
    frame->resize(760, frame->height());
    mixer->resize(760, mixer->height());
    for (const int mode : {CMixerWnd::full, CMixerWnd::normal, CMixerWnd::mini}) {
        mixer->onCommand(uint32_t(CMixerWnd::kMiniButton + mode));
        if (mode == CMixerWnd::full) {
            Play();
            // One track muted shows a grey meter.
            QTest::mouseClick(Strip(4)->TrackState()->Button(CTrackState::kMute), Qt::LeftButton);
        }
        PlayOn(600);
        if (mode != CMixerWnd::mini) {
            EXPECT_GT(Strip(1)->Meter()->GetLitHeight(), 0) << mode;
            EXPECT_GT(mixer->MasterArea()->Meter()->GetLitHeight(), 0) << mode;
        }
        QApplication::processEvents();
        static const char* const names[] = {"mixer-mini", "mixer-normal", "mixer-full"};
        EXPECT_FALSE(widgettest::saveScreenshot(*mixer, names[mode]).empty());
    }
}

}  // namespace

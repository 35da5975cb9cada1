// The track strips and their list: value mapping, the controls of each layout, the track states
// that come back, selection by click with MIDI thru, renaming and clearing a track with their
// undo, the state buttons, and the scroll arithmetic of the list.

#include "mixer/tests/MixerTestSupport.h"

#include "mixer/controls/CLevelMeter.h"
#include "mixer/views/CTrackList.h"
#include "mixer/views/CTrackState.h"
#include "mixer/views/CTrackStrip.h"

#include "interface/controls/MCButton2.h"
#include "interface/controls/MCDial.h"
#include "interface/controls/MCSlider.h"
#include "interface/controls/MCStaticEdit.h"
#include "interface/views/ToolTipProtocol.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "wavegate/CWavegate.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using mixertest::MixerTest;
using mixertest::SeenState;

// ---- Mapping, without windows ------------------------------------------------------------

TEST(TrackStripMappingTest, ValuesAndControlPositionsMapBothWays)
{
    struct Volume {
        double slider;
        int volume;
    };
    for (const Volume& v : {Volume{0.0, 100}, Volume{1.0, 0}, Volume{0.5, 50}, Volume{0.254, 75}, Volume{0.256, 74},
                            Volume{-0.5, 100}, Volume{1.5, 0}})
        EXPECT_EQ(CTrackStrip::VolumeFromSlider(v.slider), v.volume) << v.slider;
    for (int volume : {0, 1, 37, 99, 100})
        EXPECT_EQ(CTrackStrip::VolumeFromSlider(CTrackStrip::SliderFromVolume(volume)), volume);
    EXPECT_DOUBLE_EQ(CTrackStrip::SliderFromVolume(150), 0.0);
    EXPECT_DOUBLE_EQ(CTrackStrip::SliderFromVolume(-3), 1.0);

    struct Pan {
        double dial;
        int pan;
    };
    // Truncated toward zero, held to -64..63.
    for (const Pan& p : {Pan{0.0, 0}, Pan{1.0, 63}, Pan{-1.0, -64}, Pan{0.99, 63}, Pan{-0.99, -63}, Pan{0.015, 0},
                         Pan{-0.015, 0}, Pan{0.5, 32}})
        EXPECT_EQ(CTrackStrip::PanFromDial(p.dial), p.pan) << p.dial;
    EXPECT_DOUBLE_EQ(CTrackStrip::DialFromPan(64), 63.0 / 64.0);
    EXPECT_DOUBLE_EQ(CTrackStrip::DialFromPan(-65), -1.0);

    struct Level {
        double dial;
        int level;
    };
    for (const Level& l : {Level{0.0, 0}, Level{1.0, 127}, Level{0.5, 64}, Level{0.003, 0}, Level{0.004, 1}})
        EXPECT_EQ(CTrackStrip::LevelFromDial(l.dial), l.level) << l.dial;
    for (int level : {0, 1, 64, 126, 127})
        EXPECT_EQ(CTrackStrip::LevelFromDial(CTrackStrip::DialFromLevel(level)), level);
    EXPECT_DOUBLE_EQ(CTrackStrip::DialFromLevel(200), 1.0);
}

TEST(TrackStripMappingTest, TheMeterColourFollowsModeAndActivity)
{
    EXPECT_EQ(CTrackStrip::MeterColor(0, true), 0x00FF00u);
    EXPECT_EQ(CTrackStrip::MeterColor(1, true), 0x0000FFu);
    EXPECT_EQ(CTrackStrip::MeterColor(0, false), 0x7D7D7Du);
    EXPECT_EQ(CTrackStrip::MeterColor(1, false), 0x7D7D7Du);
    EXPECT_EQ(CTrackStrip::MeterColor(2, true), 0u);
    EXPECT_EQ(CTrackStrip::MeterColor(3, false), 0u);
}

TEST(TrackListScrollTest, ThePageAndPositionCountOverTheWholeWidthOfTheStrips)
{
    struct Case {
        int x;
        int extent;
        int client;
        int page;
        int position;
    };
    const Case cases[] = {
        {0, 740, 370, 16384, 0},     // half shows
        {185, 740, 370, 16384, 8192},
        {0, 740, 740, 32767, 0},     // everything shows
        {0, 740, 1000, 32768, 0},    // more room than strips
        {74, 7400, 740, 3277, 328},
        {0, 0, 500, 0, 0},           // no strips
    };
    for (const Case& c : cases) {
        const CTrackList::ScrollInfo info = CTrackList::ScrollInfoFor(c.x, c.extent, c.client);
        EXPECT_EQ(info.page, c.page) << c.x << " of " << c.extent << " in " << c.client;
        EXPECT_EQ(info.position, c.position) << c.x << " of " << c.extent << " in " << c.client;
    }
    EXPECT_EQ(CTrackList::ThumbToX(16384, 740), 370);
    EXPECT_EQ(CTrackList::ThumbToX(32767, 740), 740);
    EXPECT_EQ(CTrackList::ThumbToX(0, 740), 0);
}

// ---- Strips in a list ---------------------------------------------------------------------

class TrackStripTest : public MixerTest {
protected:
    void SetUp() override
    {
        MixerTest::SetUp();
        MakePiece(3, 4);
        list = std::make_unique<CTrackList>();
        list->SetStripMode(2);
        list->SetTrackCount(3);
        for (int track = 1; track <= 3; ++track) {
            CTrackStrip* strip = list->GetStrip(track - 1);
            strip->SetTrackNumber(track);
            strip->SetTrack(Staff(track));
        }
        list->resize(CTrackStrip::GetStripSize().width() * 2 + 10, CTrackStrip::GetStripSize().height() + 30);
        list->show();
        // As the mixer does with the states the frame hands it.
        states.forward = [this](long code, SCBase* state) {
            if (code >= 3400 && code <= 3411)
                list->OnTrackUpdate(code, dynamic_cast<SCTrack*>(state));
            else if (code >= 1700 && code <= 1704)
                list->UpdateSelection(&doc);
        };
    }
    void TearDown() override
    {
        list.reset();
        MixerTest::TearDown();
    }
    CTrackStrip* Strip(int track) { return list->GetStrip(track - 1); }
    void Click(CTrackStrip* strip, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(strip, Qt::LeftButton, modifiers, QPoint(1, 1));
    }
    std::vector<int> SelectedTracks()
    {
        std::vector<int> tracks;
        for (ECBase* element : doc.GetSelection())
            tracks.push_back(element->GetTrack());
        return tracks;
    }
    int Notes(int track)
    {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(Staff(track));
        return find.GetEventCount();
    }

    mixertest::StateRecord states;
    std::unique_ptr<CTrackList> list;
};

TEST_F(TrackStripTest, EachLayoutHasItsControlsAndSettersOfMissingControlsDoNothing)
{
    CTrackStrip mini(nullptr, 0, nullptr);
    EXPECT_EQ(mini.VolumeSlider(), nullptr);
    EXPECT_EQ(mini.Meter(), nullptr);
    EXPECT_EQ(mini.Dial(CTrackStrip::kPan), nullptr);
    mini.SetVolume(20);
    mini.SetPan(-30);
    mini.SetMeterLevel(1.0f, true);
    EXPECT_EQ(mini.GetVolume(), 100);
    EXPECT_EQ(mini.GetPan(), 0);
    const QSize miniSize = mini.size();

    CTrackStrip normal(nullptr, 1, nullptr);
    ASSERT_NE(normal.VolumeSlider(), nullptr);
    ASSERT_NE(normal.Meter(), nullptr);
    EXPECT_EQ(normal.Dial(CTrackStrip::kReverb), nullptr);
    normal.SetReverb(90);
    EXPECT_EQ(normal.GetReverb(), 0);
    normal.SetVolume(20);
    EXPECT_DOUBLE_EQ(normal.VolumeSlider()->GetValue(), 0.8);

    CTrackStrip full(nullptr, 2, nullptr);
    for (int id : {CTrackStrip::kPan, CTrackStrip::kChorus, CTrackStrip::kReverb, CTrackStrip::kModulation})
        EXPECT_NE(full.Dial(id), nullptr) << id;
    EXPECT_EQ(full.Dial(CTrackStrip::kPan)->GetMode(), 1);
    EXPECT_EQ(full.Dial(CTrackStrip::kChorus)->GetMode(), 0);
    // The strip size is that of the last strip made; the layouts grow in height only.
    EXPECT_EQ(CTrackStrip::GetStripSize(), full.size());
    EXPECT_EQ(miniSize.width(), full.width());
    EXPECT_LT(miniSize.height(), normal.height());
    EXPECT_LT(normal.height(), full.height());
}

TEST_F(TrackStripTest, TrackStatesThatComeBackSetTheStripsOfTheirTracks)
{
    auto apply = [this](SCTrack* state) {
        state->SetSynchronous(1);
        state->Apply(doc.GetBaseEvent());
    };
    auto state = [](int code, int track, int value, int type = 1) {
        auto* made = new SCTrack(code);
        made->SetTrack(track);
        made->SetValue(value);
        made->SetTrackType(type);
        return made;
    };
    apply(state(3407, 2, 64));
    apply(state(3407, 3, -65));
    EXPECT_EQ(Strip(2)->GetPan(), 63);
    EXPECT_EQ(Strip(3)->GetPan(), -64);
    EXPECT_GT(Strip(2)->Dial(CTrackStrip::kPan)->GetAngle(), 320);
    EXPECT_EQ(Strip(3)->Dial(CTrackStrip::kPan)->GetAngle(), MCDial::kMinAngle);
    apply(state(3406, 1, 150));
    apply(state(3409, 1, 40));
    apply(state(3410, 1, 300));
    apply(state(3411, 1, 5));
    EXPECT_EQ(Strip(1)->GetVolume(), 100);
    EXPECT_EQ(Strip(1)->GetChorus(), 40);
    EXPECT_EQ(Strip(1)->GetReverb(), 127);
    EXPECT_EQ(Strip(1)->GetModulation(), 5);
    // A wave track's state is none of the strips'.
    apply(state(3406, 1, 10, 2));
    EXPECT_EQ(Strip(1)->GetVolume(), 100);

    // Mode: record on one track, play on every other.
    Strip(1)->SetMode(1);
    apply(state(3402, 3, 1));
    EXPECT_EQ(Strip(1)->GetMode(), 0);
    EXPECT_EQ(Strip(3)->GetMode(), 1);
    EXPECT_EQ(Strip(3)->Meter()->GetLitColor(), CTrackStrip::kRecordColor);

    // Lists may name tracks without a strip (a staff just added, a stale state): those are
    // passed over.
    auto* active = state(3403, 0, 0);
    for (int track : {1, 9, -2})
        active->AddOffTrack(track);
    active->AddOnTrack(2);
    apply(active);
    EXPECT_EQ(Strip(1)->IsActive(), 0);
    EXPECT_EQ(Strip(2)->IsActive(), 1);
    EXPECT_EQ(Strip(1)->Meter()->GetLitColor(), CTrackStrip::kSilentColor);
    auto* modes = state(3404, 0, 0);
    modes->AddOffTrack(3);
    modes->AddOnTrack(2);
    modes->AddOnTrack(40);
    apply(modes);
    EXPECT_EQ(Strip(2)->GetMode(), 1);
    EXPECT_EQ(Strip(3)->GetMode(), 0);
    auto* mutes = state(3405, 0, 0);
    for (int track : {3, 100, 0})
        mutes->AddMuteTrack(track);
    apply(mutes);
    EXPECT_EQ(Strip(3)->IsMute(), 1);
    EXPECT_EQ(Strip(1)->IsMute(), 0);
}

TEST_F(TrackStripTest, AClickSelectsTheTrackAndRoutesMidiThruToIt)
{
    MemoryDevices devices;
    devices.Wavegate().ConnectMidiThru(1, 15);
    Click(Strip(1));
    EXPECT_EQ(SelectedTracks(), std::vector<int>{1});
    EXPECT_TRUE(Strip(1)->IsSelected());
    EXPECT_EQ(devices.Wavegate().GetMidiThruDevice(), 0);
    EXPECT_EQ(devices.Wavegate().GetMidiThruChannel(), 0);

    Click(Strip(3), Qt::ControlModifier);
    EXPECT_EQ(SelectedTracks(), (std::vector<int>{1, 3}));
    EXPECT_EQ(devices.Wavegate().GetMidiThruChannel(), 2);

    // Ctrl on a selected strip takes its track out and leaves the routing alone.
    devices.Wavegate().ConnectMidiThru(1, 9);
    Click(Strip(1), Qt::ControlModifier);
    EXPECT_EQ(SelectedTracks(), std::vector<int>{3});
    EXPECT_FALSE(Strip(1)->IsSelected());
    EXPECT_EQ(devices.Wavegate().GetMidiThruDevice(), 1);
    EXPECT_EQ(devices.Wavegate().GetMidiThruChannel(), 9);

    // With the automatic routing off a click only selects.
    SaveIntPreference("Sequencer\\Midi\\Thru", "AutoSetSelect", 0);
    Click(Strip(2));
    EXPECT_EQ(SelectedTracks(), std::vector<int>{2});
    EXPECT_EQ(devices.Wavegate().GetMidiThruChannel(), 9);

    // A click beside the strips clears the selection.
    const int besideX = CTrackStrip::GetStripSize().width() * 3 + 5;
    list->resize(besideX + 40, list->height());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(besideX, 5));
    EXPECT_TRUE(SelectedTracks().empty());
    EXPECT_FALSE(Strip(2)->IsSelected());
}

TEST_F(TrackStripTest, ARenameIsOneUndoableStepThatAddsTheNameWhereThereIsNone)
{
    ASSERT_EQ(TrackData(2)->GetTrackName(), nullptr);
    MCStaticEdit* name = Strip(2)->NameEdit();
    // Only a selected strip's name can be edited.
    QTest::mouseClick(name, Qt::LeftButton);
    EXPECT_FALSE(name->IsEditing());
    Click(Strip(2));
    QTest::mouseClick(name, Qt::LeftButton);
    ASSERT_TRUE(name->IsEditing());
    QTest::keyClicks(name, "Cello");
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_NE(TrackData(2)->GetTrackName(), nullptr);
    EXPECT_EQ(TrackData(2)->GetTrackName()->GetText(), "Cello");
    EXPECT_EQ(TrackData(2)->GetTrackName()->GetTextType(), 3);
    EXPECT_TRUE(doc.IsModified());
    const int steps = doc.GetBaseEvent()->GetUndoCount();
    std::string undo;
    doc.GetBaseEvent()->GetUndoString(undo, 0);
    EXPECT_EQ(undo, "Change Track Name");

    QTest::mouseClick(name, Qt::LeftButton);
    name->selectAll();
    QTest::keyClicks(name, "Viola");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(TrackData(2)->GetTrackName()->GetText(), "Viola");
    EXPECT_EQ(doc.GetBaseEvent()->GetUndoCount(), steps + 1);

    doc.GetBaseEvent()->Undo(1);
    EXPECT_EQ(TrackData(2)->GetTrackName()->GetText(), "Cello");
    doc.GetBaseEvent()->Undo(1);
    EXPECT_EQ(TrackData(2)->GetTrackName(), nullptr);

    // Leaving the name unchanged makes no step.
    doc.GetBaseEvent()->Redo(1);
    Strip(2)->SetTrackName("Cello");
    const int count = doc.GetBaseEvent()->GetUndoCount();
    const int index = doc.GetBaseEvent()->GetUndoIndex();
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(doc.GetBaseEvent()->GetUndoCount(), count);
    EXPECT_EQ(doc.GetBaseEvent()->GetUndoIndex(), index);
}

TEST_F(TrackStripTest, ANameWiderThanTheStripShowsItsBeginning)
{
    const QString wide = "Second violins of the chamber orchestra";
    MCStaticEdit* name = Strip(1)->NameEdit();
    ASSERT_GT(name->fontMetrics().horizontalAdvance(wide), name->width());
    Strip(1)->SetTrackName(wide.toStdString());
    name->grab();
    EXPECT_EQ(name->cursorPositionAt(QPoint(4, name->height() / 2)), 0);
}

TEST_F(TrackStripTest, ClearTrackRemovesTheTracksNotesInOneStepAndNothingLeftMakesNoStep)
{
    ASSERT_EQ(Notes(1), 4);
    const int before = doc.GetBaseEvent()->GetUndoCount();
    plat::ui::ModalHooks::Hooks hooks;
    hooks.popupMenu = [](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* action : menu.actions()) {
            if (action->data().toUInt() == CTrackStrip::kClearCommand)
                return action;
        }
        return nullptr;
    };
    const plat::ui::ModalHooks::Scoped scope(hooks);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1), Strip(1)->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(Strip(1), &menu);
    EXPECT_EQ(Notes(1), 0);
    EXPECT_EQ(Notes(2), 4);
    EXPECT_EQ(doc.GetBaseEvent()->GetUndoCount(), before + 1);
    std::string undo;
    doc.GetBaseEvent()->GetUndoString(undo, 0);
    EXPECT_EQ(undo, "Clear Track");
    EXPECT_TRUE(doc.IsModified());

    Strip(1)->onCommand(CTrackStrip::kClearCommand);
    EXPECT_EQ(doc.GetBaseEvent()->GetUndoCount(), before + 1);
    doc.GetBaseEvent()->Undo(1);
    EXPECT_EQ(Notes(1), 4);
}

TEST_F(TrackStripTest, TheStateButtonsSendMuteSoloAndModeAndShowWhatComesBack)
{
    CTrackState* buttons = Strip(2)->TrackState();
    states.Take();
    QTest::mouseClick(buttons->Button(CTrackState::kMute), Qt::LeftButton);
    EXPECT_EQ(TrackData(2)->IsMuted(), 1);
    EXPECT_TRUE(doc.IsModified());
    const std::vector<SeenState> sent = states.Take(3400, 3400);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().track, 2);
    EXPECT_EQ(sent.front().value, 1);
    // The sequence's own states come back: the muted track is silent.
    EXPECT_EQ(Strip(2)->IsMute(), 1);
    EXPECT_EQ(Strip(2)->IsActive(), 0);
    EXPECT_EQ(Strip(2)->Meter()->GetLitColor(), CTrackStrip::kSilentColor);

    // Solo on another track; Reset All from its menu takes both off.
    QTest::mouseClick(Strip(3)->TrackState()->Button(CTrackState::kSolo), Qt::LeftButton);
    EXPECT_EQ(TrackData(3)->IsSoloed(), 1);
    Strip(1)->onCommand(CTrackStrip::kResetAllCommand);
    EXPECT_EQ(TrackData(2)->IsMuted(), 0);
    EXPECT_EQ(TrackData(3)->IsSoloed(), 0);
    EXPECT_EQ(Strip(2)->IsMute(), 0);
    EXPECT_EQ(Strip(3)->IsSolo(), 0);

    // The mode shows only what comes back.
    states.Take();
    QTest::mouseClick(buttons->Button(CTrackState::kMode), Qt::LeftButton);
    const std::vector<SeenState> mode = states.Take(3402, 3402);
    ASSERT_EQ(mode.size(), 1u);
    EXPECT_EQ(mode.front().track, 2);
    EXPECT_EQ(mode.front().value, 1);
    EXPECT_EQ(Strip(2)->GetMode(), 1);
    EXPECT_EQ(buttons->Button(CTrackState::kMode)->GetButtonState(), 1);

    // While the sequence records, the mode button sends nothing and stays as it was.
    doc.GetSequence()->AddState(CSequence::stateRecording);
    QTest::mouseClick(buttons->Button(CTrackState::kMode), Qt::LeftButton);
    EXPECT_TRUE(states.Take(3402, 3402).empty());
    EXPECT_EQ(buttons->Button(CTrackState::kMode)->GetButtonState(), 1);
    doc.GetSequence()->ClearState(CSequence::stateRecording);

    // Setting what is shown changes nothing.
    buttons->SetMute(0);
    EXPECT_EQ(buttons->Button(CTrackState::kMute)->GetButtonState(), 0);
    buttons->SetMute(1);
    EXPECT_EQ(buttons->IsMute(), 1);
}

TEST_F(TrackStripTest, TheMenuShowsMuteAndSoloAsTheStripDoesAndSelectAllTakesEveryTrack)
{
    Strip(1)->SetMute(1);
    std::vector<std::pair<uint32_t, bool>> shown;
    uint32_t pick = CTrackStrip::kSelectAllCommand;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.popupMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
        QAction* picked = nullptr;
        for (QAction* action : menu.actions()) {
            if (action->isSeparator())
                continue;
            shown.emplace_back(action->data().toUInt(), action->isChecked());
            if (action->data().toUInt() == pick)
                picked = action;
        }
        return picked;
    };
    const plat::ui::ModalHooks::Scoped scope(hooks);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(Strip(1), &menu);
    const std::vector<std::pair<uint32_t, bool>> expected = {
        {37120, true}, {37121, false}, {37122, false}, {37125, false}, {37126, false}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(SelectedTracks(), (std::vector<int>{1, 2, 3}));
    for (int track = 1; track <= 3; ++track)
        EXPECT_TRUE(Strip(track)->IsSelected()) << track;

    // Mute from the menu sends the opposite of what shows.
    pick = CTrackStrip::kMuteCommand;
    states.Take();
    QApplication::sendEvent(Strip(1), &menu);
    const std::vector<SeenState> sent = states.Take(3400, 3400);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().value, 0);
}

TEST_F(TrackStripTest, ControlsOfTheStripSendTheirTrackStatesAndTipsComeFromTheMixer)
{
    states.Take();
    MCSlider* volume = Strip(1)->VolumeSlider();
    const QPoint top = volume->Value2XY(0.25, false);
    QTest::mouseClick(volume, Qt::LeftButton, Qt::NoModifier, top);
    std::vector<SeenState> sent = states.Take(3406, 3406);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().value, 75);
    EXPECT_FLOAT_EQ(TrackData(1)->GetTrackGain(), 0.75f);

    MCDial* pan = Strip(3)->Dial(CTrackStrip::kPan);
    pan->setFocus();
    QTest::keyClick(pan, Qt::Key_Home);
    QApplication::processEvents();
    sent = states.Take(3407, 3407);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().track, 3);
    EXPECT_EQ(sent.back().value, -64);
    EXPECT_FLOAT_EQ(TrackData(3)->GetTrackPan(), -1.0f);

    const plat::Resources::ModuleSwitch own("Mixer");
    EXPECT_EQ(tooltips::ToolTipText(5152).value_or(""), "Mute");
    EXPECT_EQ(tooltips::ToolTipText(5154).value_or(""), "Toggle play/record");
    EXPECT_EQ(tooltips::ToolTipText(5157).value_or(""), "Pan");
}

TEST_F(TrackStripTest, EveryChangeTheUserMakesToATracksMixLeavesThePieceToBeSaved)
{
    auto key = [this](int track, int dial, Qt::Key pressed) {
        MCDial* control = Strip(track)->Dial(dial);
        control->setFocus();
        QTest::keyClick(control, pressed);
        QApplication::processEvents();
    };
    const struct {
        const char* change;
        std::function<void()> make;
        std::function<bool()> kept;
    } cases[] = {
        {"volume fader",
         [this] {
             MCSlider* volume = Strip(1)->VolumeSlider();
             QTest::mouseClick(volume, Qt::LeftButton, Qt::NoModifier, volume->Value2XY(0.25, false));
         },
         [this] { return TrackData(1)->GetTrackGain() == 0.75f; }},
        {"pan knob", [&] { key(2, CTrackStrip::kPan, Qt::Key_Home); },
         [this] { return TrackData(2)->GetTrackPan() == -1.0f; }},
        {"chorus knob", [&] { key(2, CTrackStrip::kChorus, Qt::Key_End); },
         [this] { return TrackData(2)->GetTrackChorus() == 1.0f; }},
        {"reverb knob", [&] { key(3, CTrackStrip::kReverb, Qt::Key_End); },
         [this] { return TrackData(3)->GetTrackReverb() == 1.0f; }},
        {"modulation knob", [&] { key(3, CTrackStrip::kModulation, Qt::Key_End); },
         [this] { return TrackData(3)->GetTrackModulation() == 1.0f; }},
        {"mute from the menu", [this] { Strip(1)->onCommand(CTrackStrip::kMuteCommand); },
         [this] { return TrackData(1)->IsMuted() == 1; }},
        {"solo from the menu", [this] { Strip(2)->onCommand(CTrackStrip::kSoloCommand); },
         [this] { return TrackData(2)->IsSoloed() == 1; }},
        {"Reset All", [this] { Strip(3)->onCommand(CTrackStrip::kResetAllCommand); },
         [this] { return TrackData(1)->IsMuted() == 0 && TrackData(2)->IsSoloed() == 0; }},
    };
    for (const auto& c : cases) {
        doc.SetModifiedFlag(0);
        c.make();
        EXPECT_TRUE(c.kept()) << c.change;
        EXPECT_TRUE(doc.IsModified()) << c.change;
    }

    // Reset All with nothing muted or soloed changes nothing to save.
    doc.SetModifiedFlag(0);
    Strip(1)->onCommand(CTrackStrip::kResetAllCommand);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(TrackStripTest, TheListScrollsByStripsAndPagesOfFiveAndKeepsItsBarWhenAllShows)
{
    const int width = CTrackStrip::GetStripSize().width();
    list->SetTrackCount(12);
    EXPECT_EQ(list->GetExtent().width(), 12 * width);
    EXPECT_EQ(list->GetLineStep(), width);
    EXPECT_EQ(list->GetPageStep(), 5 * width);
    list->UpdateScrollRange();
    QScrollBar* bar = list->horizontalScrollBar();
    EXPECT_TRUE(bar->isEnabled());
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(list->GetScrollPosition().x(), width);
    EXPECT_EQ(list->GetStrip(1)->x(), 0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(list->GetScrollPosition().x(), 6 * width);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    const int last = 12 * width - list->viewport()->width();
    EXPECT_EQ(list->GetScrollPosition().x(), last);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(list->GetScrollPosition().x(), last - 5 * width);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(list->GetScrollPosition().x(), 0);

    // Fewer strips than room: the list goes back to the origin and the bar stays, disabled.
    list->SetTrackCount(1);
    list->UpdateScrollRange();
    EXPECT_EQ(list->GetScrollPosition().x(), 0);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->isEnabled());
    list->RemoveAllStrips();
    EXPECT_EQ(list->GetStripCount(), 0);
    EXPECT_FALSE(bar->isEnabled());
}

}  // namespace

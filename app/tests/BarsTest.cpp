#include "app/tests/AppTestSupport.h"

#include "app/frame/CMainStatusBar.h"
#include "app/frame/CTransportBar.h"
#include "interface/controls/MCButton2.h"
#include "interface/controls/MCStaticEdit.h"
#include "notabase/states/SCStatus.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequence.h"

#include <QAction>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

namespace {

using apptest::FrameTest;

class BarsTest : public FrameTest {
protected:
    CTransportBar& Bar() { return *m_frame->TransportBar(); }
    CMainStatusBar& Status() { return *m_frame->StatusBar(); }
    int Pressed(int id) { return Bar().Button(id)->GetButtonState(); }
    bool Shown(int id) { return !Bar().Button(id)->isHidden(); }

    // A transport state delivered to the document as the sequencer sends it.
    void Deliver(MCOpusDoc* doc, int code)
    {
        auto* state = new SCPerform(code);
        state->SetSynchronous(1);
        state->Apply(doc->GetBaseEvent());
    }
};

TEST_F(BarsTest, TransportButtonsFollowTheStateCodes)
{
    struct Case {
        int code;
        bool loopMark;
        bool stepMark;
        int record, pause, play;
        bool running; // rewind and fast forward shown in place of the markers
        int loopDisabled;
    };
    const Case cases[] = {
        {3302, false, false, 0, 0, 1, true, 2},
        {3302, true, false, 0, 0, 1, true, 3},
        {3302, false, true, 0, 0, 1, false, 2}, // stepping keeps the markers
        {3304, true, false, 1, 0, 0, true, 3},
        {3300, true, false, 0, 0, 0, false, 2},
        {3309, false, false, 0, 0, 0, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Bar().Update(3300, nullptr);
        Bar().SetLoopMark(c.loopMark);
        Bar().SetStepMark(c.stepMark);
        Bar().Button(775)->SetButtonState(1);
        Bar().Button(776)->SetButtonState(1);
        Bar().Update(c.code, nullptr);
        EXPECT_EQ(Pressed(775), c.record);
        EXPECT_EQ(Pressed(776), c.pause);
        EXPECT_EQ(Pressed(778), c.play);
        EXPECT_EQ(Shown(781), c.running);
        EXPECT_EQ(Shown(782), c.running);
        EXPECT_EQ(Shown(779), !c.running);
        EXPECT_EQ(Shown(780), !c.running);
        EXPECT_EQ(Bar().Button(773)->GetDisabledState(), c.loopDisabled);
        EXPECT_EQ(Pressed(773), c.loopMark ? 1 : 0) << "the loop mark is the loop button's pressed state";
        EXPECT_EQ(Bar().Flags() & 1, int(c.code == 3302 || c.code == 3304)) << "the last request, step or not";
    }
}

TEST_F(BarsTest, PauseShowsThePairByItsOwnButtonAndStepPressesStep)
{
    Bar().Update(3302, nullptr);
    Bar().Button(776)->SetButtonState(1);
    Bar().Update(3301, nullptr);
    EXPECT_TRUE(Shown(779)) << "paused: the markers come back";
    Bar().Button(776)->SetButtonState(0);
    Bar().Update(3301, nullptr);
    EXPECT_TRUE(Shown(781)) << "resumed: rewind and fast forward";
    Bar().Update(3303, nullptr);
    EXPECT_EQ(Pressed(774), 1);
    EXPECT_EQ(Bar().Button(773)->GetDisabledState(), 2);
}

TEST_F(BarsTest, StateWordsMapToTheCodesTheBarCatchesUpWith)
{
    struct Case {
        uint32_t word;
        int code;
    };
    const Case cases[] = {
        {CSequence::stateStopped, 3300},   {CSequence::statePlaying, 3302},
        {CSequence::statePlayLeadIn, 3302}, {CSequence::statePaused | CSequence::statePlaying, 3301},
        {CSequence::stateRecording, 3304},  {CSequence::stateRecordPaused | CSequence::stateRecording, 3304},
        {CSequence::stateStepRecording, 3304},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CTransportBar::CodeOfStateWord(c.word), c.code) << std::hex << c.word;
}

TEST_F(BarsTest, ActivatingADocumentCatchesUpWithItsTransport)
{
    Bar().Update(3302, nullptr);
    Bar().Update(1300, nullptr);
    EXPECT_EQ(Pressed(778), 0) << "no document: as stopped";
    EXPECT_TRUE(Shown(779));
    NewDocument();
    EXPECT_EQ(Pressed(778), 0) << "a new document is stopped";
    EXPECT_TRUE(Shown(779));
}

TEST_F(BarsTest, ButtonsSendTheirCommandsAndFollowTheDocument)
{
    MCOpusDoc* doc = NewDocument();
    m_actions->updateAll();
    EXPECT_TRUE(Bar().Button(778)->isEnabled()) << "the buttons follow the commands' enabled state";
    QSignalSpy play(m_actions->find(778), &QAction::triggered);
    QTest::mouseClick(Bar().Button(778), Qt::LeftButton);
    EXPECT_EQ(play.count(), 1);

    // The sequencer's answer, as the document hears it, reaches the bar through the frame.
    Deliver(doc, 3302);
    EXPECT_EQ(Pressed(778), 1);
    EXPECT_TRUE(Shown(781));
    EXPECT_FALSE(Shown(779));
    Deliver(doc, 3300);
    EXPECT_EQ(Pressed(778), 0);
    EXPECT_TRUE(Shown(779));
}

TEST_F(BarsTest, TransportTextsFromTheStateWord)
{
    struct Case {
        uint32_t word;
        const char* text;
        std::optional<uint32_t> background;
    };
    const Case cases[] = {
        {0x1, "", std::nullopt},
        {CSequence::statePlaying, "Play ", 0x007F00},
        {CSequence::statePlaying | CSequence::statePaused, "Play (Paused)", 0x007F00},
        {CSequence::stateStepRecording, "Step Record ", 0x00007F},
        {CSequence::stateRecordPaused, "Record (Paused)", 0x00007F},
        {CSequence::stateStepPlaying, "Step Play ", 0x007F00},
    };
    for (const Case& c : cases) {
        const CMainStatusBar::TransportLook look = CMainStatusBar::TransportLookOf(c.word);
        EXPECT_EQ(look.text.toStdString(), c.text) << std::hex << c.word;
        EXPECT_EQ(look.colors ? std::optional<uint32_t>(look.colors->second) : std::nullopt, c.background);
    }
    // No document: the text stays as it was.
    Status().SetTransportText("kept");
    Status().OnUpdate(3302, nullptr);
    EXPECT_EQ(Status().TransportField()->text(), "kept");
    NewDocument();
    Status().OnUpdate(3300, nullptr);
    EXPECT_EQ(Status().TransportField()->text(), "");
}

TEST_F(BarsTest, MetronomeCycle)
{
    const char* section = CMainStatusBar::kMetronomeSection;
    struct Step {
        int play, record;
        bool pressed;
    };
    auto check = [&](const Step& s) {
        EXPECT_EQ(LoadIntPreference(section, "Play Enable", 0), s.play);
        EXPECT_EQ(LoadIntPreference(section, "Record Enable", 1), s.record);
        EXPECT_EQ(Status().MetroButton()->GetButtonState(), s.pressed ? 1 : 0);
    };
    // A fresh installation: record clicks only.
    check({0, 1, true});
    int rereads = 0;
    MCOpusDoc* doc = NewDocument();
    const plat::Connection view = doc->AddView([&](long hint, SCBase*) { rereads += hint == 1600; });
    Status().OnMetronome();
    check({0, 0, false});
    EXPECT_EQ(rereads, 1) << "every window rereads the settings";
    Status().OnMetronome();
    check({0, 1, true});

    // Play and record on: off, then both come back.
    SaveIntPreference(section, "Play Enable", 1);
    Status().OnMetronome();
    check({0, 0, false});
    QTest::mouseClick(Status().MetroButton(), Qt::LeftButton);
    check({1, 1, true});
}

TEST_F(BarsTest, QuantizeFollowsModeAndPercent)
{
    const char* section = CMainStatusBar::kRecordSection;
    struct Case {
        int mode, percent;
        bool pressed;
    };
    const Case cases[] = {{0, 100, false}, {1, 100, true}, {1, 0, false}, {2, 50, true}, {0, 0, false}};
    for (const Case& c : cases) {
        SaveIntPreference(section, "Quantization Mode", c.mode);
        SaveIntPreference(section, "Quantization Percent", c.percent);
        Status().OnUpdate(1600, nullptr);
        EXPECT_EQ(Status().QuantizeButton()->GetButtonState(), c.pressed ? 1 : 0) << c.mode << " " << c.percent;
    }
}

TEST_F(BarsTest, ModeMessageAndProgress)
{
    Status().OnUpdate(1500, nullptr);
    EXPECT_EQ(Status().ModeField()->text(), "Select Mode");
    EXPECT_EQ(Status().ModeField()->GetTextColor(), 0x7F0000u);
    Status().OnUpdate(1502, nullptr);
    EXPECT_TRUE(Status().ModeField()->text().startsWith("Insert "));
    EXPECT_EQ(Status().ModeField()->GetTextColor(), 0x00007Fu);

    SCStatus message(1800, std::string("Saved"));
    Status().OnUpdate(1800, &message);
    EXPECT_EQ(Status().MessageField()->text(), "Saved");

    SCStatus begin(1801, std::string("Reading"));
    begin.SetProgressRange(10, 20);
    begin.SetProgressStep(4);
    Status().OnUpdate(1801, &begin);
    EXPECT_FALSE(Status().Progress()->isHidden());
    EXPECT_EQ(Status().Progress()->value(), 10);
    Status().OnUpdate(1803, nullptr);
    EXPECT_EQ(Status().Progress()->value(), 14);
    Status().OnUpdate(1803, nullptr);
    Status().OnUpdate(1803, nullptr);
    EXPECT_EQ(Status().Progress()->value(), 20) << "a step never runs past the end";
    Status().OnUpdate(1804, nullptr);
    EXPECT_TRUE(Status().Progress()->isHidden());
}

TEST_F(BarsTest, ScreenshotWhilePlaying)
{
    MCOpusDoc* doc = NewDocument();
    m_actions->updateAll();
    Status().OnUpdate(1500, nullptr);
    Status().SetMessageText("Playing");
    Deliver(doc, 3302);
    plat::ui::test::deliverPosted();
    apptest::saveScreenshot(*m_frame, "main-frame-bars-playing.png");
    Deliver(doc, 3300);
    EXPECT_EQ(Pressed(778), 0);
    EXPECT_TRUE(Shown(779));
    apptest::saveScreenshot(*m_frame, "main-frame-bars-stopped.png");
}

}  // namespace

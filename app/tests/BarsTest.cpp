#include "app/tests/AppTestSupport.h"

#include "app/core/AppCommandTable.h"
#include "app/dialogs/CFontColorDlg.h"
#include "app/frame/CEditBar.h"
#include "app/frame/CFileBar.h"
#include "app/frame/CMainStatusBar.h"
#include "app/frame/CTimeBar.h"
#include "app/frame/CTimeDisplay.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/states/SCTime.h"
#include "notabase/performance/ECPerformance.h"
#include "app/frame/CTransportBar.h"
#include "interface/controls/MCButton2.h"
#include "interface/controls/MCStaticEdit.h"
#include "interface/views/MCDialogBar.h"
#include "platform/ui/dialog/ItemId.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/SCStatus.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequence.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontDialog>
#include <QFontInfo>
#include <QMenu>
#include <QPushButton>
#include <QFontMetrics>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <utility>

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

namespace {

// Counts the paints a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class TimeBarTest : public BarsTest {
protected:
    void SetUp() override
    {
        BarsTest::SetUp();
        // Wide enough that no toolbar folds into an extension menu.
        m_frame->resize(1400, 600);
        plat::ui::test::deliverPosted();
    }

    CTimeBar& Time() { return *m_frame->TimeBar(); }
    CTimeDisplay& Display() { return *Time().Display(); }

    // A position as the document's performance sends it.
    void Position(MCOpusDoc* doc, const MCTime& time)
    {
        SCTime state(1900, time);
        state.SetTarget(doc ? static_cast<ECPerformanceBase*>(doc->GetBaseEvent()) : nullptr);
        Time().Update(1900, &state);
    }
};

TEST_F(TimeBarTest, PositionsOfTheActiveDocumentShowOnTheTimer)
{
    MCOpusDoc* other = NewDocument();
    MCOpusDoc* doc = NewDocument();
    ASSERT_EQ(CMainFrame::ActiveDocument(), doc);
    const MCTime start = Display().GetTime();
    // A burst of positions: the bar keeps the latest and draws once when the timer fires.
    for (int bar = 1; bar <= 50; ++bar)
        Position(doc, MCTime(bar, 0, 0, int(MCTime::GlobalPPQ)));
    EXPECT_TRUE(Display().GetTime() == start) << "nothing drawn before the timer";
    EXPECT_TRUE(Time().GetTime() == MCTime(50, 0, 0, int(MCTime::GlobalPPQ))) << "the go-to command sees the latest";
    m_timers.advance(CTimeBar::kRefreshMs);
    EXPECT_TRUE(Display().GetTime() == MCTime(50, 0, 0, int(MCTime::GlobalPPQ)));

    // Another document's positions change nothing.
    Position(other, MCTime(7, 0, 0, int(MCTime::GlobalPPQ)));
    m_timers.advance(CTimeBar::kRefreshMs);
    EXPECT_TRUE(Display().GetTime() == MCTime(50, 0, 0, int(MCTime::GlobalPPQ)));

    // The lead-in counts bar and beat.
    SCTime leadIn(1902, 2, 3);
    leadIn.SetTarget(static_cast<ECPerformanceBase*>(doc->GetBaseEvent()));
    Time().Update(1902, &leadIn);
    m_timers.advance(CTimeBar::kRefreshMs);
    EXPECT_TRUE(Display().GetTime() == MCTime(3, 2, 0, int(MCTime::GlobalPPQ)));

    // Closing shows the null time, opening zero; both at once.
    Time().Update(1303, nullptr);
    EXPECT_TRUE(Display().GetTime() == MCTime::TimeNull());
    Time().Update(1300, nullptr);
    EXPECT_TRUE(Display().GetTime() == MCTime::TimeZero());
}

TEST_F(TimeBarTest, PositionsShowOnTheTickTheFrameSharesWithTheMeters)
{
    MCOpusDoc* doc = NewDocument();
    // The mixer's meters listen to the frame's display tick while a piece plays.
    std::vector<MCTime> seenByMeters;
    const auto& tick = m_frame->GetDisplayTick();
    const uint32_t meters = tick->Add([&] { seenByMeters.push_back(Display().GetTime()); });
    m_timers.advance(CTimeBar::kRefreshMs / 2);
    const MCTime bar7(7, 0, 0, int(MCTime::GlobalPPQ));
    const size_t timers = m_timers.activeTimers();
    Position(doc, bar7);
    EXPECT_EQ(m_timers.activeTimers(), timers) << "the position waits on the running tick, no timer of its own";
    m_timers.advance(CTimeBar::kRefreshMs / 2);
    ASSERT_EQ(seenByMeters.size(), 1u);
    EXPECT_TRUE(Display().GetTime() == bar7) << "shown in the same turn as the meters' step";
    tick->Remove(meters);
    EXPECT_FALSE(tick->IsRunning()) << "the bar left the tick once it showed the position";

    // Alone, the bar starts the tick and lets it rest again once the position is shown.
    const MCTime bar8(8, 0, 0, int(MCTime::GlobalPPQ));
    Position(doc, bar8);
    EXPECT_TRUE(tick->IsRunning());
    m_timers.advance(CTimeBar::kRefreshMs);
    EXPECT_TRUE(Display().GetTime() == bar8);
    EXPECT_FALSE(tick->IsRunning());
}

TEST_F(TimeBarTest, AStartThatReadsDifferentlyOnceADocumentIsActiveIsDrawnAgain)
{
    m_frame->show();
    // With no document the start reads as the blank text; with one, as its first bar.
    Time().Update(1300, nullptr);
    QApplication::processEvents();
    const QImage blank = Display().grab().toImage();
    MCOpusDoc* doc = NewDocument();
    Time().Update(1300, nullptr);
    Position(doc, MCTime::TimeZero());
    m_timers.advance(CTimeBar::kRefreshMs);
    QApplication::processEvents();
    EXPECT_NE(Display().grab().toImage(), blank);
}

TEST_F(TimeBarTest, ThePositionIsDrawnAgainOnlyWhenItsTextChanges)
{
    MCOpusDoc* doc = NewDocument();
    m_frame->show();
    Display().SetFormat(1);
    PaintCounter counter(&Display());
    int& paints = counter.paints;
    const auto shown = [&](const MCTime& time) {
        Position(doc, time);
        m_timers.advance(CTimeBar::kRefreshMs);
        QApplication::processEvents();
        return std::exchange(paints, 0);
    };
    const int ppq = int(MCTime::GlobalPPQ);
    shown(MCTime(5, 1, 0, ppq));
    EXPECT_FALSE(Display().NeedsDrawing());
    // The same bar, beat and tick again: nothing to draw. The next tick: drawn.
    EXPECT_EQ(shown(MCTime(5, 1, 0, ppq)), 0);
    EXPECT_GE(shown(MCTime(5, 1, 1, ppq)), 1);
    EXPECT_EQ(Display().TimeText().toStdString(), [&] {
        std::string text;
        MCTimeEdit::FormatTimeString(text, MCTime(5, 1, 1, ppq), 1, 0, 0);
        return text;
    }());
    // Another format shows the same time differently: drawn.
    Display().SetFormat(0);
    QApplication::processEvents();
    EXPECT_GE(std::exchange(paints, 0), 1);

    // A format changed after a position was taken but before it was drawn: the picture reads
    // in the new format, as one drawn afresh does.
    Position(doc, MCTime(6, 2, 0, ppq));
    m_timers.advance(CTimeBar::kRefreshMs);
    Display().SetFormat(1);
    QApplication::processEvents();
    const QImage picture = Display().grab().toImage();
    Display().SetFormat(1);
    QApplication::processEvents();
    EXPECT_EQ(picture, Display().grab().toImage());
}

TEST_F(TimeBarTest, FormatsAndUnitsShapeTheDisplay)
{
    NewDocument();
    struct Case {
        int format;
        const char* sample;
        std::array<const char*, 3> labels;
    };
    const Case cases[] = {
        {0, "000:00", {"Bar", nullptr, "Beat"}},
        {1, "000:00:000", {"Bar", "Beat", "Tick"}},
        {2, "000:00:0.00", {"Bar", "Beat", "Tick"}},
        {4, "0:00:00.00", {"Hr", "Min", "Sec"}},
        {3, "000000", {nullptr, nullptr, nullptr}},
    };
    Display().SetUnitsVisible(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_STREQ(CTimeDisplay::SampleText(c.format), c.sample);
        const auto labels = CTimeDisplay::UnitLabels(c.format);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(labels[i] ? std::string(labels[i]) : "", c.labels[i] ? std::string(c.labels[i]) : "");
        Display().SetFormat(c.format);
        Time().ResizeBar();
        const QFontMetrics metrics(*Display().TimeFont());
        EXPECT_EQ(Display().TimeRect().width(), metrics.horizontalAdvance(c.sample));
        EXPECT_EQ(Display().width(), Display().TimeRect().width() + 12);
        std::string expected;
        MCTimeEdit::FormatTimeString(expected, Display().GetTime(), c.format, 0, 0);
        EXPECT_EQ(Display().TimeText().toStdString(), expected);
    }
    Display().SetFormat(1);
    Time().ResizeBar();
    const int plain = Time().sizeHint().height();
    Time().ToggleUnits();
    EXPECT_TRUE(Display().UnitsVisible());
    EXPECT_GT(Time().sizeHint().height(), plain) << "units make the bar taller";
    EXPECT_GT(Display().UnitsRect().top(), Display().TimeRect().bottom());
}

TEST_F(TimeBarTest, SettingsSurviveARestart)
{
    {
        CTimeDisplay display;
        display.SetBackgroundColor(0x203040);
        display.SetTimeColor(0x00FF00);
        display.SetFormat(4);
        display.SetUnitsVisible(true);
        QFont font("DejaVu Sans");
        font.setPixelSize(30);
        display.SetTimeFont(font);
    }
    CTimeDisplay display;
    EXPECT_EQ(display.BackgroundColor(), 0x203040u);
    EXPECT_EQ(display.TimeColor(), 0x00FF00u);
    EXPECT_EQ(display.UnitsColor(), 0xFFFFu);
    EXPECT_EQ(display.GetFormat(), 4);
    EXPECT_TRUE(display.UnitsVisible());
    EXPECT_EQ(display.TimeFont()->pixelSize(), 30);
}

// The font dialog sizes fonts in points; a time font chosen there, and chosen again unchanged
// after each restart, keeps the size of its characters.
TEST_F(TimeBarTest, AFontChosenInPointsKeepsItsSizeThroughRestarts)
{
    QFont chosen("DejaVu Sans");
    chosen.setPointSize(16);
    const int pixels = QFontInfo(chosen).pixelSize();
    {
        CTimeDisplay display;
        display.SetTimeFont(chosen);
    }
    for (int restart = 1; restart <= 3; ++restart) {
        SCOPED_TRACE(restart);
        CTimeDisplay display;
        ASSERT_TRUE(display.TimeFont());
        EXPECT_EQ(QFontInfo(*display.TimeFont()).pixelSize(), pixels);
        const CFontColorDlg dialog(*display.TimeFont(), display.TimeColor());
        display.SetTimeFont(dialog.SelectedFont());
    }
}

// Every effect the font dialog offers is still the font's after a restart: one the stored
// font has no room for is not offered.
TEST_F(TimeBarTest, TheFontDialogOffersOnlyEffectsThatSurviveARestart)
{
    QFont plain("DejaVu Sans");
    plain.setPixelSize(20);
    const CFontColorDlg probe(plain, 255);
    const QList<QCheckBox*> boxes = probe.FontChooser()->findChildren<QCheckBox*>();
    ASSERT_FALSE(boxes.isEmpty());
    int offered = 0;
    for (int index = 0; index < boxes.size(); ++index) {
        CFontColorDlg dialog(plain, 255);
        dialog.show();
        QCheckBox* effect = dialog.FontChooser()->findChildren<QCheckBox*>().at(index);
        if (!effect->isVisible())
            continue;
        ++offered;
        SCOPED_TRACE(effect->text().toStdString());
        effect->click();
        const QFont chosen = dialog.SelectedFont();
        ASSERT_NE(chosen, plain) << "the box changes the font";
        {
            CTimeDisplay display;
            display.SetTimeFont(chosen);
        }
        CTimeDisplay display;
        ASSERT_TRUE(display.TimeFont());
        EXPECT_EQ(display.TimeFont()->underline(), chosen.underline());
        EXPECT_EQ(display.TimeFont()->strikeOut(), chosen.strikeOut());
    }
    EXPECT_GT(offered, 0) << "underline is offered";
}

TEST_F(TimeBarTest, ClickAsksForGoToOnlyWithADocument)
{
    bool document = false;
    std::vector<uint32_t> sent;
    CTimeBar bar([](SCBase*) { return true; }, [&] { return document; }, [&](uint32_t id) { sent.push_back(id); });
    bar.InitBar();
    bar.show();
    QTest::mouseClick(bar.Display(), Qt::LeftButton);
    EXPECT_TRUE(sent.empty());
    document = true;
    QTest::mouseClick(bar.Display(), Qt::LeftButton);
    EXPECT_EQ(sent, std::vector<uint32_t>{CTimeBar::kGotoCommand});
}

TEST_F(TimeBarTest, TheFontChoicesTakeAColourThatIsKeptAndDrawn)
{
    NewDocument();
    if (!Display().UnitsVisible())
        Time().ToggleUnits();
    // The context menu's font items, each chosen as a user does: a font, the colour button,
    // a colour, then OK or Cancel.
    const struct {
        const char* item;
        plat::ui::ColorRef chosen;
        bool accept;
        plat::ui::ColorRef time, units;
    } cases[] = {
        {"Time Font...", 0x00FF00, true, 0x00FF00, 0xFFFF},
        {"Units Font...", 0xFF00FF, true, 0x00FF00, 0xFF00FF},
        {"Time Font...", 0xFFFFFF, false, 0x00FF00, 0xFF00FF},
    };
    Display().SetTimeColor(255);
    Display().SetUnitsColor(0xFFFF);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        const plat::ui::ColorRef before = QString(c.item).startsWith("Time") ? Display().TimeColor() : Display().UnitsColor();
        std::vector<plat::ui::ColorRef> offered;
        plat::ui::ModalHooks::Hooks hooks;
        hooks.popupMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* action : menu.actions()) {
                if (action->text() == c.item)
                    return action;
            }
            return nullptr;
        };
        hooks.chooseColor = [&](plat::ui::ColorRef initial, QWidget*) -> std::optional<plat::ui::ColorRef> {
            offered.push_back(initial);
            return c.chosen;
        };
        hooks.runDialog = [&](QDialog& dialog) {
            auto* fonts = dynamic_cast<CFontColorDlg*>(&dialog);
            EXPECT_NE(fonts, nullptr);
            if (!fonts)
                return int(QDialog::Rejected);
            EXPECT_EQ(fonts->SelectedColor(), before) << "the dialog starts with the colour in use";
            QFont font("DejaVu Sans");
            font.setPixelSize(24);
            fonts->FontChooser()->setCurrentFont(font);
            QTest::mouseClick(fonts->ColorButton(), Qt::LeftButton);
            return int(c.accept ? QDialog::Accepted : QDialog::Rejected);
        };
        plat::ui::ModalHooks::Scoped scope(hooks);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), Time().mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&Time(), &menu);
        EXPECT_EQ(offered, std::vector<plat::ui::ColorRef>{before});
        EXPECT_EQ(Display().TimeColor(), c.time);
        EXPECT_EQ(Display().UnitsColor(), c.units);
    }
    // Both colours are drawn.
    const QImage shown = Display().grab().toImage();
    const auto drawnIn = [&](plat::ui::ColorRef color) {
        const QRgb wanted = plat::ui::toQColor(color).rgb();
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (shown.pixel(x, y) == wanted)
                    return true;
        return false;
    };
    EXPECT_TRUE(drawnIn(0x00FF00)) << "the time";
    EXPECT_TRUE(drawnIn(0xFF00FF)) << "the units";
}

TEST_F(BarsTest, EachToolbarIsADialogBarCaptionedFromItsString)
{
    const struct {
        QToolBar* bar;
        int id;
        const char* caption;
    } bars[] = {
        {m_frame->FileBar(), CFileBar::kTemplateId, "File"},
        {m_frame->EditBar(), CEditBar::kTemplateId, "Music Edit"},
        {m_frame->TransportBar(), CTransportBar::kTemplateId, "Transport Controls"},
        {m_frame->TimeBar(), CTimeBar::kTemplateId, "Time"},
    };
    std::vector<std::string> shown;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.help = [&](const std::string& context) { shown.push_back(context); };
    plat::ui::ModalHooks::Scoped scope(hooks);
    for (const auto& b : bars) {
        SCOPED_TRACE(b.caption);
        auto* panel = plat::ui::item<MCDialogBar>(b.bar, b.id);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->windowTitle(), b.caption);
        EXPECT_EQ(panel->CalcFixedLayout(false, true), panel->size()) << "the size it keeps is its size";
        EXPECT_EQ(panel->OnCommandHelp(0), 1);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), b.caption);
    }
}

TEST_F(TimeBarTest, ScreenshotWithUnitsWhilePlaying)
{
    MCOpusDoc* doc = NewDocument();
    if (!Display().UnitsVisible())
        Time().ToggleUnits();
    Deliver(doc, 3302);
    Status().SetMessageText("Playing");
    Position(doc, MCTime(12, 2, 240, int(MCTime::GlobalPPQ)));
    m_timers.advance(CTimeBar::kRefreshMs);
    plat::ui::test::deliverPosted();
    apptest::saveScreenshot(*m_frame, "main-frame-time-bar.png");
    apptest::saveScreenshot(*Time().Display(), "time-display.png");
    // The time is drawn inside its room and across most of it, the units line below it.
    using plat::ui::test::LayoutCheck;
    const QImage shown = Display().grab().toImage();
    const QRgb background = plat::ui::toQColor(Display().BackgroundColor()).rgb();
    const QRect drawn = LayoutCheck::inkBounds(shown, Display().rect().adjusted(3, 3, -3, -3), background);
    EXPECT_TRUE(Display().TimeRect().united(Display().UnitsRect()).adjusted(-1, -1, 1, 1).contains(drawn))
        << drawn.x() << "," << drawn.y() << " " << drawn.width() << "x" << drawn.height();
    EXPECT_GE(LayoutCheck::inkBounds(shown, Display().TimeRect(), background).width(), Display().TimeRect().width() * 3 / 5);
    EXPECT_FALSE(LayoutCheck::inkBounds(shown, Display().UnitsRect(), background).isEmpty());
}

}  // namespace

namespace {

TEST_F(BarsTest, EditBarFollowsModeAndHotKeyStates)
{
    CEditBar& bar = *m_frame->EditBar();
    NewDocument();
    struct Case {
        int code;
        int select, insert, hotKeys;
    };
    bar.Update(5001, nullptr);
    const Case cases[] = {{1500, 1, 0, 0}, {1502, 0, 1, 0}, {5000, 0, 1, 1}, {1500, 1, 0, 1}, {5001, 1, 0, 0}};
    for (const Case& c : cases) {
        bar.Update(c.code, nullptr);
        EXPECT_EQ(bar.GetModeButton(0), c.select) << c.code;
        EXPECT_EQ(bar.GetModeButton(1), c.insert) << c.code;
        EXPECT_EQ(bar.GetModeButton(2), c.hotKeys) << c.code;
    }
    EXPECT_EQ(bar.SetToolButton(1, 1), 0) << "the setter answers the previous state";
    EXPECT_EQ(bar.GetToolButton(1), 1);

    // Insert mode chosen elsewhere (as a view does) presses insert without a click here.
    ASSERT_TRUE(m_router.execute(33211));
    EXPECT_EQ(bar.GetModeButton(1), 1);
    EXPECT_EQ(bar.CurrentMode(), 1502);
    // A press on select asks for the select command; the state that follows shows it.
    m_actions->updateAll();
    QTest::mouseClick(bar.Button(901), Qt::LeftButton);
    plat::ui::test::deliverPosted();
    EXPECT_EQ(SCMode::GetMode(), 1500);
    EXPECT_EQ(bar.GetModeButton(0), 1);
    EXPECT_EQ(bar.GetModeButton(1), 0);
}

TEST_F(BarsTest, ButtonsSitSideBySideInTheirRows)
{
    // The visible buttons of a bar from left to right: each where the last one ended (or a
    // gap further), 5 pixels inside the bar, the bar 7 pixels wider than the last button.
    const auto check = [](QToolBar& bar, std::vector<int> expected, int gapBefore) {
        SCOPED_TRACE(bar.objectName().toStdString());
        std::vector<MCButton2*> buttons;
        for (MCButton2* button : bar.findChildren<MCButton2*>()) {
            if (!button->isHidden())
                buttons.push_back(button);
        }
        std::sort(buttons.begin(), buttons.end(), [](MCButton2* a, MCButton2* b) { return a->x() < b->x(); });
        ASSERT_EQ(buttons.size(), expected.size());
        QWidget* panel = buttons.front()->parentWidget();
        int x = 5;
        for (size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(plat::ui::itemId(buttons[i]), expected[i]);
            EXPECT_FALSE(buttons[i]->toolTip().isEmpty()) << expected[i];
            if (expected[i] == gapBefore)
                x += 10;
            EXPECT_EQ(buttons[i]->geometry(), QRect(QPoint(x, 5), buttons[i]->sizeHint())) << expected[i];
            x += buttons[i]->sizeHint().width();
        }
        EXPECT_EQ(panel->width(), x + 7);
        EXPECT_EQ(panel->height(), buttons.back()->height() + 10);
    };
    check(*m_frame->FileBar(), {57600, 57601, 57603, 57607}, 0);
    check(*m_frame->EditBar(), {901, 902, 903, 912, 913, 914}, 912);
    check(Bar(), {773, 774, 775, 776, 777, 778, 779, 780}, 0);
    const int width = Bar().sizeHint().width();
    // Running: rewind and fast forward in the markers' places, and the bar keeps its size.
    Bar().Update(3302, nullptr);
    QCoreApplication::processEvents();
    check(Bar(), {773, 774, 775, 776, 777, 778, 781, 782}, 0);
    EXPECT_EQ(Bar().sizeHint().width(), width);
    Bar().Update(3300, nullptr);
}

TEST_F(BarsTest, FileBarSendsItsCommands)
{
    CFileBar& bar = *m_frame->FileBar();
    m_actions->updateAll();
    for (const uint32_t command : AppCommandTable::kFileBar) {
        QAction* action = m_actions->find(command);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(bar.Button(command)->isEnabled(), action->isEnabled()) << command;
    }
    // The frame alone handles no file command: enabled here, each would reach its action.
    QAction* newFile = m_actions->find(57600);
    newFile->setEnabled(true);
    EXPECT_TRUE(bar.Button(57600)->isEnabled());
    QSignalSpy sent(newFile, &QAction::triggered);
    QTest::mouseClick(bar.Button(57600), Qt::LeftButton);
    EXPECT_EQ(sent.count(), 1);
    EXPECT_EQ(bar.Button(57600)->GetDisabledState(), 2);
}

}  // namespace

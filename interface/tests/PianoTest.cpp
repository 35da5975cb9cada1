#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCNoteEdit.h"
#include "interface/dialogs/MCAuditionWnd.h"
#include "interface/pickers/MCPianoCtrl.h"
#include "interface/pickers/MCPianoCtrlMedia.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"
#include "wavegate/tests/WavegateTestSupport.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// A keyboard that writes down the notes it would send.
class RecordingPiano : public MCPianoCtrl {
public:
    std::vector<std::string> sent;
    void NoteOn(unsigned int device, unsigned char note, unsigned char velocity, unsigned char channel) override
    {
        sent.push_back("on " + std::to_string(note) + " v" + std::to_string(velocity) + " c" + std::to_string(channel) +
                       " d" + std::to_string(device));
    }
    void NoteOff(unsigned int, unsigned char note, unsigned char velocity, unsigned char) override
    {
        sent.push_back("off " + std::to_string(note) + " v" + std::to_string(velocity));
    }
};

void mouse(QWidget* widget, QEvent::Type type, QPoint at)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST(PianoGeometryTest, RangesKeysAndHitTests)
{
    RecordingPiano piano;
    piano.resize(530, 80);
    EXPECT_EQ(piano.WhiteKeyCount(), 52);
    EXPECT_EQ(piano.WhiteKeyWidth(), 10);
    EXPECT_EQ(piano.KeyboardRect(), QRect(5, 0, 520, 79));  // centred: (530 - 520) / 2
    // A0 (21) is the leftmost white key; A#0 straddles its right edge.
    EXPECT_EQ(piano.HitTest(QPoint(6, 70)), 21);
    EXPECT_EQ(piano.BlackKeyRect(22), QRect(15 - 2, 0, 5, 45));
    EXPECT_EQ(piano.HitTest(QPoint(14, 10)), 22);
    EXPECT_EQ(piano.HitTest(QPoint(14, 60)), 21);
    EXPECT_EQ(piano.HitTest(QPoint(524, 70)), 108);
    EXPECT_EQ(piano.HitTest(QPoint(2, 40)), -1);  // in the margin
    EXPECT_EQ(piano.HitTest(QPoint(527, 40)), -1);

    struct Range {
        int low, high, wantLow, wantHigh;
    };
    for (const Range& r : {Range{70, 60, 60, 72}, Range{60, 65, 60, 72}, Range{0, 127, 0, 127}}) {
        piano.SetRange(r.low, r.high);
        EXPECT_EQ(piano.GetLowNote(), r.wantLow);
        EXPECT_EQ(piano.GetHighNote(), r.wantHigh);
        EXPECT_EQ(piano.GetKeyCount(), r.wantHigh - r.wantLow + 1);
    }
    // A range that starts on a black key puts its left half outside the keyboard; one that
    // ends on a black key keeps only its left half.
    piano.SetRange(61, 78);
    EXPECT_LT(piano.BlackKeyRect(61).left(), piano.KeyboardRect().left());
    const QRect last = piano.BlackKeyRect(78);
    EXPECT_EQ(last.width(), int(piano.WhiteKeyWidth() * 0.55f) / 2);
    // Labels take 12 pixels off the keys.
    piano.SetRange(21, 108);
    const int tall = piano.KeyboardRect().height();
    piano.SetLabels(1);
    EXPECT_EQ(piano.KeyboardRect().height(), tall - 12);
    EXPECT_TRUE(MCPianoCtrl::IsBlack(61));
    EXPECT_FALSE(MCPianoCtrl::IsBlack(60));
}

TEST(PianoGeometryTest, EveryLabelOfACStaysInsideTheControl)
{
    // A C at either end of the range has half a key beside it: its label is moved inside.
    struct Case {
        int width, low, high;
    };
    for (const Case& c : {Case{530, 21, 108}, Case{540, 24, 108}, Case{540, 36, 108}, Case{300, 48, 72}, Case{80, 60, 72}}) {
        SCOPED_TRACE(testing::Message() << c.width << " " << c.low << "-" << c.high);
        RecordingPiano piano;
        piano.resize(c.width, 80);
        piano.SetLabels(1);
        piano.SetRange(c.low, c.high);
        int labels = 0;
        for (int note = piano.GetLowNote(); note <= piano.GetHighNote(); ++note) {
            const QRect label = piano.LabelRect(note);
            if (note % 12 != 0) {
                EXPECT_TRUE(label.isEmpty()) << note;
                continue;
            }
            ++labels;
            EXPECT_TRUE(piano.rect().contains(label)) << note;
            EXPECT_GE(label.bottom(), piano.KeyboardRect().bottom()) << "under the keys";
        }
        EXPECT_GT(labels, 0);
    }
}

TEST(PianoMouseTest, PressDragAndReleaseSendNotesAndMarkKeys)
{
    RecordingPiano piano;
    piano.resize(530, 80);
    piano.SetChannel(2);
    piano.SetDevice(1);
    piano.SetNoteOffVolume(5);
    mouse(&piano, QEvent::MouseButtonPress, QPoint(6, 70));
    EXPECT_EQ(piano.GetCurrentKey(), 21);
    mouse(&piano, QEvent::MouseMove, QPoint(17, 70));  // to B0 (23)
    mouse(&piano, QEvent::MouseMove, QPoint(17, 75));  // the same key: nothing
    mouse(&piano, QEvent::MouseMove, QPoint(600, 70));  // off the keyboard: the note ends
    EXPECT_EQ(piano.GetCurrentKey(), -1);
    mouse(&piano, QEvent::MouseButtonRelease, QPoint(600, 70));
    EXPECT_EQ(piano.sent, (std::vector<std::string>{"on 21 v100 c2 d1", "off 21 v5", "on 23 v100 c2 d1", "off 23 v5"}));

    // Hold: the key stays marked after release; a drag off the keyboard is ignored.
    piano.sent.clear();
    piano.SetMode(1);
    mouse(&piano, QEvent::MouseButtonPress, QPoint(6, 70));
    mouse(&piano, QEvent::MouseMove, QPoint(600, 70));
    EXPECT_EQ(piano.GetCurrentKey(), 21);
    mouse(&piano, QEvent::MouseButtonRelease, QPoint(600, 70));
    EXPECT_EQ(piano.GetCurrentKey(), 21);
    mouse(&piano, QEvent::MouseButtonPress, QPoint(17, 70));
    mouse(&piano, QEvent::MouseButtonRelease, QPoint(17, 70));
    EXPECT_EQ(piano.GetCurrentKey(), 23);
    EXPECT_EQ(piano.sent, (std::vector<std::string>{"on 21 v100 c2 d1", "off 21 v5", "on 23 v100 c2 d1", "off 23 v5"}));

    // Without sound the keys still mark.
    piano.sent.clear();
    piano.SetMode(0);
    piano.EnableSoundNote(false);
    mouse(&piano, QEvent::MouseButtonPress, QPoint(6, 70));
    EXPECT_EQ(piano.GetCurrentKey(), 21);
    mouse(&piano, QEvent::MouseButtonRelease, QPoint(6, 70));
    EXPECT_TRUE(piano.sent.empty());

    // The keys: arrows move, space plays.
    piano.EnableSoundNote(true);
    piano.setFocus();
    QTest::keyClick(&piano, Qt::Key_Left);  // already the lowest
    QTest::keyClick(&piano, Qt::Key_Right);
    QTest::keyClick(&piano, Qt::Key_Right);
    QTest::keyClick(&piano, Qt::Key_Space);
    EXPECT_EQ(piano.sent, (std::vector<std::string>{"on 23 v100 c2 d1", "off 23 v5"}));
}

class PianoMediaTest : public WavegateTest {
protected:
    widgettest::ProfileFolder folder;
    void SetUp() override
    {
        InstallBackend(2, 1);
        Init(CWavegate::WG_INIT_MIDI).OpenDevices();
    }
};

TEST_F(PianoMediaTest, NotesReachTheMidiOutput)
{
    EXPECT_EQ(MCPianoCtrlMedia::Message(0x90, 0x13, 0xBC, 0xFF), 0x7F3C93u);
    MCPianoCtrlMedia piano;
    piano.resize(530, 80);
    piano.SetDevice(1);
    piano.SetChannel(9);
    mouse(&piano, QEvent::MouseButtonPress, QPoint(6, 70));
    mouse(&piano, QEvent::MouseButtonRelease, QPoint(6, 70));
    const auto played = m_memory->midiOut(1).played();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].bytes, (std::vector<uint8_t>{0x99, 21, 100}));
    EXPECT_EQ(played[1].bytes, (std::vector<uint8_t>{0x89, 21, 0}));
    EXPECT_TRUE(m_memory->midiOut(0).played().empty());
}

TEST_F(PianoMediaTest, TheAuditionWindowKeepsItsChoices)
{
    {
        MCAuditionWnd audition;
        audition.SetDevChan(1, 3);
        audition.SetInfo("Memory MIDI Out 2, channel 4");
        EXPECT_FALSE(audition.IsAdvanced());
        EXPECT_FALSE(plat::ui::item<QSlider>(&audition, MCAuditionWnd::kVelocity)->isEnabled());
        plat::ui::item<QPushButton>(&audition, MCAuditionWnd::kAdvanced)->click();
        EXPECT_TRUE(audition.IsAdvanced());
        EXPECT_EQ(plat::ui::item<QPushButton>(&audition, MCAuditionWnd::kAdvanced)->text(), "&Advanced <<");
        plat::ui::item<QSlider>(&audition, MCAuditionWnd::kVelocity)->setValue(90);
        EXPECT_EQ(audition.Keyboard().GetNoteOnVolume(), 90);
        auto* low = plat::ui::item<MCNoteEdit>(&audition, MCAuditionWnd::kLow);
        ASSERT_NE(low, nullptr);
        low->setText("C3");
        low->OnChange();
        plat::ui::item<QPushButton>(&audition, MCAuditionWnd::kUpdate)->click();
        EXPECT_EQ(audition.Keyboard().GetLowNote(), 48);
        audition.updateData(false);
        audition.show();
        EXPECT_FALSE(widgettest::saveScreenshot(audition, "audition-window").empty());
        const QPoint c4(audition.Keyboard().KeyboardRect().left() + 7 * audition.Keyboard().WhiteKeyWidth() + 2,
                        audition.Keyboard().height() - 20);
        mouse(&audition.Keyboard(), QEvent::MouseButtonPress, c4);
        mouse(&audition.Keyboard(), QEvent::MouseButtonRelease, c4);
        const auto played = m_memory->midiOut(1).played();
        ASSERT_EQ(played.size(), 2u);
        EXPECT_EQ(played[0].bytes, (std::vector<uint8_t>{0x93, 60, 90}));
        EXPECT_EQ(played[1].bytes, (std::vector<uint8_t>{0x83, 60, 90}));
    }
    EXPECT_EQ(LoadIntPreference("Settings\\Keyboard", "LowNote", 0), 48);
    EXPECT_EQ(LoadIntPreference("Settings\\Keyboard", "Velocity", 0), 90);
    EXPECT_EQ(LoadIntPreference("Settings\\Keyboard", "Advanced", 0), 1);
    MCAuditionWnd again;
    EXPECT_TRUE(again.IsAdvanced());
    EXPECT_EQ(again.Keyboard().GetLowNote(), 48);
}

TEST_F(PianoMediaTest, StoredKeyboardChoicesAreHeldToTheMidiRange)
{
    const struct {
        int low, high, velocity;
        int shownLow, shownHigh, shownVelocity;
    } cases[] = {
        {INT_MIN, INT_MAX, INT_MAX, 0, 127, 127},
        {INT_MAX, INT_MIN, INT_MIN, 0, 127, 0},
        {-5, 200, 300, 0, 127, 127},
        {36, 96, 64, 36, 96, 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.low);
        SaveIntPreference("Settings\\Keyboard", "LowNote", c.low);
        SaveIntPreference("Settings\\Keyboard", "HighNote", c.high);
        SaveIntPreference("Settings\\Keyboard", "Velocity", c.velocity);
        MCAuditionWnd audition;
        EXPECT_EQ(audition.Keyboard().GetLowNote(), c.shownLow);
        EXPECT_EQ(audition.Keyboard().GetHighNote(), c.shownHigh);
        EXPECT_EQ(audition.Keyboard().GetNoteOnVolume(), c.shownVelocity);
    }
}

}  // namespace

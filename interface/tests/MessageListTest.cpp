#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"

#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCTimeEdit.h"
#include "interface/controls/MCTimeSource.h"
#include "interface/pickers/MCChanModeList.h"
#include "interface/pickers/MCSysExList.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "wavegate/tests/WavegateTestSupport.h"

#include <QStyle>

#include <gtest/gtest.h>

namespace {

class MessageListTest : public documenttest::DocumentTest {
protected:
    widgettest::ProfileFolder folder;
    MCOpusDoc doc;
    std::unique_ptr<MCSequenceTimeSource> times;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, 1, 8);
        times = std::make_unique<MCSequenceTimeSource>(*doc.GetSequence());
        MCTimeSource::SetActiveProvider([this] { return times.get(); });
    }
    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        DocumentTest::TearDown();
    }

    ECConductorStaff* staff() { return doc.GetBaseEvent()->GetConductor()->GetConductorStaff(); }

    ECChannelMode* addMode(float time, int type, int device, int channel)
    {
        auto* mode = new ECChannelMode;
        mode->SetChannelModeType(static_cast<unsigned char>(type));
        const MCTime at(time);
        mode->SetTime(&at);
        EXPECT_TRUE(staff()->AddChild(mode, 1));
        if (auto* data = dynamic_cast<DCsqChannelMode*>(mode->GetData(0, 1))) {
            data->SetDevice(static_cast<uint8_t>(device));
            data->SetBasicChannel(static_cast<uint8_t>(channel));
        }
        return mode;
    }
    ECSystemMessage* addSysEx(float time, const std::string& name)
    {
        auto* message = new ECSystemMessage;
        message->SetMessageName(name);
        const MCTime at(time);
        message->SetTime(&at);
        EXPECT_TRUE(staff()->AddChild(message, 1));
        return message;
    }
};

TEST_F(MessageListTest, ChannelModeMessagesInTimeOrderWithDeviceAndChannel)
{
    MCChanModeList list;
    list.Initialize();
    list.SetDocument(&doc);
    MCEventList found;
    EXPECT_FALSE(list.GetMessages(found));
    EXPECT_EQ(list.topLevelItemCount(), 0);

    addMode(4.0f, 4, 0, 9);
    ECChannelMode* first = addMode(1.0f, 1, 5, 0);
    addMode(6.0f, 8, 0, 0);
    list.RefreshMessages();
    ASSERT_EQ(list.topLevelItemCount(), 3);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "Reset All Controllers");
    EXPECT_EQ(list.topLevelItem(0)->text(1), "001:02:000");
    EXPECT_EQ(list.topLevelItem(0)->text(2), "");  // no device 5 here
    EXPECT_EQ(list.topLevelItem(1)->text(0), "All Notes Off");
    EXPECT_EQ(list.topLevelItem(1)->text(3), "10");
    EXPECT_EQ(list.topLevelItem(2)->text(0), "Mode 4");
    EXPECT_EQ(MCChanModeList::MessageName(9), "");
    EXPECT_EQ(list.FindEvent(first), 0);
    EXPECT_EQ(list.SelectEvent(first), 0);
    MCEventList selected;
    EXPECT_EQ(list.GetSelectedEvents(selected), 1);
    EXPECT_EQ(selected.GetHead(), first);
    EXPECT_TRUE(list.GetMessages(found));
    EXPECT_EQ(found.GetCount(), 3);
    ECChannelMode stray;
    EXPECT_EQ(list.FindEvent(&stray), -1);
    EXPECT_EQ(list.SelectEvent(&stray), -1);
    found.RemoveAll();
    selected.RemoveAll();
}

// A time past bar 999 shows whole: the time column grows to the widest time and the message
// column gives up what it takes; the device and channel columns keep their widths.
TEST_F(MessageListTest, TheTimeColumnFitsTheLongestTime)
{
    MCChanModeList list;
    list.resize(600, 200);
    list.Initialize();
    list.SetDocument(&doc);
    addMode(1.0f, 1, 0, 0);
    list.RefreshMessages();
    EXPECT_EQ(list.columnWidth(1), 80);

    addMode(1499 * 4 + 2, 4, 0, 0);
    list.RefreshMessages();
    ASSERT_EQ(list.topLevelItemCount(), 2);
    const QString longest = list.topLevelItem(1)->text(1);
    EXPECT_EQ(longest, "1500:03:000");
    const int margins = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1);
    EXPECT_GE(list.columnWidth(1), list.fontMetrics().horizontalAdvance(longest) + margins);
    EXPECT_EQ(list.columnWidth(2), 160);
    EXPECT_EQ(list.columnWidth(3), 40);
    EXPECT_EQ(list.columnWidth(0) + list.columnWidth(1) + 200, list.viewport()->width());
}

class MessageDeviceTest : public WavegateTest {};

TEST_F(MessageDeviceTest, DevicesAreNamedByNumberFromOne)
{
    std::string text = "old";
    EXPECT_FALSE(MCChanModeList::GetDeviceString(0, text));
    EXPECT_EQ(text, "");
    InstallBackend(2, 0);
    Init(CWavegate::WG_INIT_MIDI);
    EXPECT_TRUE(MCChanModeList::GetDeviceString(0, text));
    EXPECT_EQ(text, "1) Memory MIDI Out 1");
    EXPECT_FALSE(MCChanModeList::GetDeviceString(2, text));
}

TEST_F(MessageListTest, SystemExclusiveMessagesBeforeAndFromTimeZero)
{
    addSysEx(2.0f, "Reverb Hall");
    ECSystemMessage* unnamed = addSysEx(0.0f, "");
    addSysEx(-1.0f, "Reset");
    MCSysExList list;
    list.Initialize();
    list.resize(300, 120);
    list.SetDocument(&doc);
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "SysEx Message");
    EXPECT_EQ(list.GetEvent(0), unnamed);
    EXPECT_EQ(list.topLevelItem(0)->text(1), "001:01:000");
    EXPECT_EQ(list.topLevelItem(1)->text(0), "Reverb Hall");
    list.show();
    EXPECT_FALSE(widgettest::saveScreenshot(list, "sysex-list").empty());

    MCSysExList prestart;
    prestart.Initialize();
    prestart.SetPrestartList(true);
    prestart.SetDocument(&doc);
    ASSERT_EQ(prestart.topLevelItemCount(), 1);
    EXPECT_EQ(prestart.topLevelItem(0)->text(0), "Reset");
    EXPECT_EQ(prestart.topLevelItem(0)->text(1), "");
}

TEST_F(MessageListTest, TheSequencesTimesFollowItsMeters)
{
    // 3/4 from the start, 2/4 from quarter 6 (bar 3).
    const auto meter = [this](float time, unsigned char beats) {
        auto* added = new ECMeter(beats, 4, 0);
        const MCTime at(time);
        added->SetTime(&at);
        staff()->GetMeterEnv()->AddChild(added, 1);
    };
    meter(0.0f, 3);
    meter(6.0f, 2);
    std::string text;
    const auto shown = [&](float quarters) {
        MCTimeEdit::FormatTimeString(text, MCTime(quarters), 1, 0, 0);
        return text;
    };
    EXPECT_EQ(shown(0.0f), "001:01:000");
    EXPECT_EQ(shown(4.5f), "002:02:240");
    EXPECT_EQ(shown(7.0f), "003:02:000");
    EXPECT_EQ(times->MeterNumerator(MCTime(1.0f)), 3);
    EXPECT_EQ(times->MeterNumerator(MCTime(6.5f)), 2);
    EXPECT_FLOAT_EQ(MCTimeEdit::GetTimeFromString("003:02:000", times.get(), 1, 0).GetSeconds(), 7.0f);
}

}  // namespace

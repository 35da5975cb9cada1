// The templates beside the program, as the build writes them: each opens, and each staff has
// the type, clefs, keys, name, program and channel of its instrument.

#include "AppTestSupport.h"

#include "app/core/CTemplateListCtrl.h"
#include "app/program/CNewMusicDlg.h"
#include "app/program/MCDocManager.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECStaff.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/values/MCVoiceMap.h"

#include <set>

namespace {

struct ExpectedStaff {
    std::string name;
    int staffType;
    // Clef of each hand; a plain staff has one hand.
    std::vector<int> clefs;
    int program;
    unsigned int channel;
};

struct ExpectedTemplate {
    std::string name;
    std::vector<ExpectedStaff> staves;
};

const std::vector<ExpectedTemplate> kShipped = {
    {"Single Staff", {{"Track 1", 0, {0}, 0, 0}}},
    {"Piano", {{"Piano", 1, {0, 3}, 0, 0}}},
    {"String Quartet",
     {{"Violin I", 0, {0}, 40, 0},
      {"Violin II", 0, {0}, 40, 1},
      {"Viola", 0, {7}, 41, 2},
      {"Cello", 0, {3}, 42, 3}}},
    {"Rock Band",
     {{"Organ", 1, {0, 3}, 16, 0},
      {"Guitar", 0, {0}, 29, 1},
      {"Bass", 0, {3}, 33, 2},
      {"Drums", 3, {8}, 0, 9}}},
};

std::string TemplatePath(const std::string& name)
{
    return std::string(QUAVIX_BIN) + "/Templates/" + name + ".kvt";
}

std::string NameOf(ECStaff* staff)
{
    std::string name;
    if (MCEventList* children = staff->GetChildren()) {
        for (ECBase* child : *children) {
            if (auto* text = dynamic_cast<ECText*>(child); text && text->GetTextType() == 3)
                name += text->GetText();
        }
    }
    return name;
}

class ShippedTemplatesTest : public apptest::FrameTest {};

// Each template, made into a new document as File New makes it, against the table: 8 bars of
// 4/4, then per staff its type, the clef and a C major key on every hand, its name, the
// program at the start of every voice's patch envelope (voice 0 must have one), and every
// voice on the staff's channel, which no other staff of the template shares.
TEST_F(ShippedTemplatesTest, EachTemplateHoldsItsInstruments)
{
    MCDocManager manager(*m_template);
    manager.SetMainWindow(m_frame.get());
    const MCTime zero(0.0f);
    for (const ExpectedTemplate& expected : kShipped) {
        SCOPED_TRACE(expected.name);
        MCOpusDoc* doc = manager.OpenTemplate(TemplatePath(expected.name).c_str());
        ASSERT_NE(doc, nullptr);
        plat::ui::test::deliverPosted();
        ECConductor* conductor = doc->GetBaseEvent()->GetConductor();
        EXPECT_EQ(conductor->GetMaxMeasureNumber(), 8);
        ECMeter* meter = conductor->GetMeterAtTime(zero);
        ASSERT_NE(meter, nullptr);
        EXPECT_EQ(meter->GetNumerator(), 4);
        EXPECT_EQ(meter->GetDenominator(), 4);
        ASSERT_EQ(conductor->GetMaxTrackNumber(1), static_cast<int>(expected.staves.size()));
        std::set<unsigned int> channels;
        for (size_t number = 1; number <= expected.staves.size(); ++number) {
            const ExpectedStaff& want = expected.staves[number - 1];
            SCOPED_TRACE(want.name);
            auto* staff = dynamic_cast<ECStaff*>(conductor->GetTrack(1, static_cast<int>(number), 0));
            ASSERT_NE(staff, nullptr);
            EXPECT_EQ(staff->GetStaffType(), want.staffType);
            EXPECT_EQ(NameOf(staff), want.name);
            EXPECT_NE(conductor->GetMeasure(staff->GetTrack(), 8), nullptr);
            for (size_t hand = 0; hand < want.clefs.size(); ++hand) {
                ECClef* clef = staff->GetClefAtTime(zero, static_cast<unsigned char>(hand));
                ASSERT_NE(clef, nullptr) << "hand " << hand;
                EXPECT_EQ(clef->GetClefType(), want.clefs[hand]) << "hand " << hand;
                ECKey* key = staff->GetKeyAtTime(zero, static_cast<unsigned char>(hand));
                ASSERT_NE(key, nullptr) << "hand " << hand;
                EXPECT_EQ(key->GetNumSharps(), 0);
                EXPECT_EQ(key->GetNumFlats(), 0);
                EXPECT_EQ(key->GetMode(), 0);
            }
            auto* data = dynamic_cast<DCsqStaff*>(staff->GetData(0, 0));
            ASSERT_NE(data, nullptr);
            for (int voice = 0; voice < DCsqStaff::voiceCount; ++voice) {
                EXPECT_EQ(data->GetVoiceMap(voice)->GetChannel(), want.channel) << "voice " << voice;
                CMidiEnvelopeMgr* envelopes = data->GetMidiEnvelopeMgr(voice, 0);
                ECPatchEnv* patches = envelopes ? envelopes->GetPatchEnv(0) : nullptr;
                ECEnvPoint* start = patches ? patches->GetPointAt(zero) : nullptr;
                if (voice == 0) {
                    ASSERT_NE(start, nullptr);
                }
                if (start) {
                    EXPECT_EQ(ECPatchEnv::GetProgram(start->GetValue()), want.program) << "voice " << voice;
                }
            }
            const unsigned int channel = data->GetVoiceMap(0)->GetChannel();
            EXPECT_TRUE(channels.insert(channel).second) << "channel " << channel << " shared";
        }
        EXPECT_FALSE(doc->IsModified());
        doc->OnCloseDocument();
        plat::ui::test::deliverPosted();
    }
}

class ShippedTemplatesDialogTest : public apptest::FrameTest {};

// The New Music Document dialog lists every shipped template.
TEST_F(ShippedTemplatesDialogTest, TheNewMusicDialogListsThem)
{
    SaveStringPreference("Settings\\New", "Template", "Rock Band");
    CNewMusicDlg dialog;
    auto* list = plat::ui::item<CTemplateListCtrl>(&dialog, CNewMusicDlg::kListId);
    ASSERT_NE(list, nullptr);
    for (const ExpectedTemplate& expected : kShipped)
        EXPECT_TRUE(list->SelectTemplate(expected.name)) << expected.name;
    ASSERT_TRUE(list->SelectTemplate("Rock Band"));
    dialog.show();
    apptest::saveScreenshot(dialog, "new-music-templates.png");
    dialog.reject();
}

}  // namespace

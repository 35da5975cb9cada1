#include "interface/tests/WidgetTestSupport.h"

#include "interface/dialogs/MCQuantizationDlg.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCBase.h"
#include "platform/core/MessageLoop.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr const char* kSection = "Sequencer\\Midi\\Record";

TEST(QuantizationDlgTest, DefaultsShowAndOkSavesAndAnnounces)
{
    const widgettest::ProfileFolder folder;
    auto* performance = new ECPerformance;
    performance->Ref();
    std::vector<int> codes;
    const auto previous = MCStateMgr::SetMainWindowHandler([&](SCBase* state) { codes.push_back(state->GetCode()); });
    {
        MCQuantizationDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), "Input Quantization Settings");
        EXPECT_EQ(plat::ui::item<QComboBox>(&dialog, MCQuantizationDlg::kPrimary)->currentText(), "(4) 16th Note");
        EXPECT_EQ(plat::ui::item<QComboBox>(&dialog, MCQuantizationDlg::kSecondary)->currentText(),
                  "(3) 8th Note Triplet");
        EXPECT_FALSE(plat::ui::item<QCheckBox>(&dialog, MCQuantizationDlg::kStarts)->isChecked());
        EXPECT_EQ(plat::ui::item<QSlider>(&dialog, MCQuantizationDlg::kPercent)->value(), 100);
        dialog.show();
        EXPECT_FALSE(widgettest::saveScreenshot(dialog, "quantization-dialog").empty());
        dialog.accept();
        EXPECT_FALSE(dialog.QuantizationEnabled());
        EXPECT_EQ(dialog.GetPrimaryDiv(), 4);
    }
    plat::MessageLoop::current().pump();
    EXPECT_EQ(codes, std::vector<int>{1600});
    EXPECT_EQ(LoadIntPreference(kSection, "Quantization Division 1", -1), 4);

    // Every box and no strength: mode 7, not enabled; "(0) None" stores 0.
    {
        MCQuantizationDlg dialog;
        for (const int id : {MCQuantizationDlg::kStarts, MCQuantizationDlg::kDurations, MCQuantizationDlg::kOther})
            plat::ui::item<QCheckBox>(&dialog, id)->setChecked(true);
        plat::ui::item<QSlider>(&dialog, MCQuantizationDlg::kPercent)->setValue(0);
        plat::ui::item<QComboBox>(&dialog, MCQuantizationDlg::kSecondary)->setCurrentIndex(0);
        plat::ui::item<QComboBox>(&dialog, MCQuantizationDlg::kPrimary)->setCurrentIndex(7);
        dialog.accept();
        EXPECT_EQ(dialog.GetQuantMode(), 7);
        EXPECT_FALSE(dialog.QuantizationEnabled());
        EXPECT_EQ(LoadIntPreference(kSection, "Quantization Division 2", -1), 0);
        EXPECT_EQ(LoadIntPreference(kSection, "Quantization Division 1", -1), 8);
    }
    // Cancel saves nothing; what was saved shows next time.
    {
        MCQuantizationDlg dialog;
        EXPECT_TRUE(plat::ui::item<QCheckBox>(&dialog, MCQuantizationDlg::kDurations)->isChecked());
        plat::ui::item<QSlider>(&dialog, MCQuantizationDlg::kPercent)->setValue(50);
        dialog.reject();
    }
    EXPECT_EQ(LoadIntPreference(kSection, "Quantization Percent", -1), 0);
    {
        MCQuantizationDlg dialog;
        plat::ui::item<QSlider>(&dialog, MCQuantizationDlg::kPercent)->setValue(60);
        dialog.accept();
        EXPECT_TRUE(dialog.QuantizationEnabled());
        EXPECT_EQ(dialog.GetQuantPercent(), 60);
    }
    plat::MessageLoop::current().pump();
    MCStateMgr::SetMainWindowHandler(previous);
    performance->Unref(1);
}

}  // namespace

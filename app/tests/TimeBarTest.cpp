#include "app/tests/AppTestSupport.h"

#include "app/dialogs/CFontColorDlg.h"
#include "app/frame/CTimeBar.h"
#include "app/frame/CTimeDisplay.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>

#include <gtest/gtest.h>

#include <string>

namespace {

// A time bar on its own, its settings starting from nothing.
class TimeFontTest : public ::testing::Test {
protected:
    void SetUp() override { plat::Profile::instance().removeSection(CTimeDisplay::kSection); }
    void TearDown() override { plat::Profile::instance().removeSection(CTimeDisplay::kSection); }

    // The bar's font dialog as the user first sees it: the family and pixel size it offers,
    // then what OK (without a change) leaves in the display.
    struct Offered {
        QString family;
        int pixels = 0;
        std::optional<QFont> kept;
    };
    Offered offer(bool timeFont, const plat::FontDescription* stored)
    {
        if (stored)
            SaveFontPreference(CTimeDisplay::kSection, timeFont ? "Time Font" : "Units Font", *stored);
        CTimeBar bar([](SCBase*) { return true; }, [] { return true; }, [](uint32_t) {});
        bar.InitBar();
        Offered offered;
        plat::ui::ModalHooks::Hooks hooks;
        hooks.runDialog = [&](QDialog& dialog) {
            auto* fonts = dynamic_cast<CFontColorDlg*>(&dialog);
            EXPECT_NE(fonts, nullptr);
            if (!fonts)
                return int(QDialog::Rejected);
            offered.family = fonts->FontChooser()->currentFont().family();
            offered.pixels = QFontInfo(fonts->SelectedFont()).pixelSize();
            return int(QDialog::Accepted);
        };
        plat::ui::ModalHooks::Scoped scope(hooks);
        if (timeFont)
            bar.ChooseTimeFont();
        else
            bar.ChooseUnitsFont();
        offered.kept = timeFont ? bar.Display()->TimeFont() : bar.Display()->UnitsFont();
        return offered;
    }
};

// The font dialogs open on the face the display draws with, whether the stored name is a
// family of this machine or one that fontconfig answers with another (the default "Arial"),
// and OK without a change keeps the stored name.
TEST_F(TimeFontTest, TheFontDialogsOpenOnTheStoredFont)
{
    plat::FontDescription dejaVu;
    dejaVu.faceName = "DejaVu Serif";
    dejaVu.height = -30;
    plat::FontDescription arial;
    arial.faceName = "Arial";
    arial.height = -21;
    const struct {
        bool timeFont;
        const plat::FontDescription* stored;
        const char* face;
        int pixels;
    } cases[] = {
        {true, nullptr, "Arial", 21},
        {false, nullptr, "Arial", 8},
        {true, &dejaVu, "DejaVu Serif", 30},
        {false, &arial, "Arial", 21},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.timeFont ? "time " : "units ") + c.face);
        plat::Profile::instance().removeSection(CTimeDisplay::kSection);
        const Offered offered = offer(c.timeFont, c.stored);
        const QString drawn = QFontInfo(QFont(QString::fromLatin1(c.face))).family();
        EXPECT_EQ(offered.family.toStdString(), drawn.toStdString());
        EXPECT_TRUE(QFontDatabase::families().contains(offered.family)) << "the dialog lists it";
        EXPECT_NEAR(offered.pixels, c.pixels, 1);
        ASSERT_TRUE(offered.kept);
        EXPECT_EQ(offered.kept->family().toStdString(), c.face);
    }
}

}  // namespace

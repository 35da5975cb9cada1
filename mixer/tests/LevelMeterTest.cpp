// The level meter: its ballistics, the lit height they give, which part a change repaints, and
// the images strips of one colour, size and resolution share.

#include "mixer/controls/CLevelMeter.h"

#include "interface/tests/WidgetTestSupport.h"
#include "notabase/prefs/Preferences.h"

#include <QApplication>
#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Counts the paints of a meter and keeps the region of the last.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;
    QRegion last;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            last = static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

// A meter of 100 bars in a window on the screen, its first paints done.
struct ShownMeter {
    ShownMeter()
    {
        meter->setGeometry(0, 0, 12, 109);
        window.resize(40, 120);
        window.show();
    }
    bool Exposed()
    {
        const bool exposed = QTest::qWaitForWindowExposed(&window);
        QApplication::processEvents();
        return exposed;
    }
    QWidget window;
    CLevelMeter* meter = new CLevelMeter(&window);
};

TEST(LevelMeterTest, BallisticsStepByTheAttackAndDecayAndHoldToTheRange)
{
    struct Case {
        float level;
        float input;
        float expected;
    };
    const float a = 0.75f;
    const Case cases[] = {
        // A steady half-level input, step by step from silence (saturates at three times the input).
        {0.0f, 0.5f, 0.375f},
        {0.375f, 0.5f, 0.65625f},
        {0.65625f, 0.5f, 0.8671875f},
        {0.8671875f, 0.5f, 1.0f},
        // A level left tiny by the decay is silence before the step.
        {1e-8f, 0.0f, 0.0f},
        {1e-8f, 0.4f, 0.3f},
        // Just above the threshold it decays as any other level.
        {1e-6f, 0.0f, 0.75e-6f},
        // Negative and non-numeric inputs give silence, never a level outside 0..1.
        {0.5f, -4.0f, 0.0f},
        {0.5f, std::numeric_limits<float>::quiet_NaN(), 0.0f},
        {0.2f, 100.0f, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(CLevelMeter::Ballistics(c.level, c.input, a, a), c.expected) << c.level << " + " << c.input;
}

TEST(LevelMeterTest, AttackAndDecayComeFromTheMixerSettings)
{
    widgettest::ProfileFolder profile;
    CLevelMeter defaults;
    EXPECT_FLOAT_EQ(defaults.GetAttack(), 0.75f);
    EXPECT_FLOAT_EQ(defaults.GetDecay(), 0.75f);
    SaveFloatPreference("Components\\Mixer", "Attack", 0.5f);
    SaveFloatPreference("Components\\Mixer", "Decay", 0.25f);
    CLevelMeter meter;
    meter.resize(12, 109);
    meter.SetLevel(1.0f, false);
    EXPECT_FLOAT_EQ(meter.GetLevel(), 0.5f);
    meter.SetLevel(0.0f, false);
    EXPECT_FLOAT_EQ(meter.GetLevel(), 0.125f);
}

// The bar is the meter less its bottom 9 rows: 100 rows here, lit to the nearest row.
TEST(LevelMeterTest, TheLitHeightFollowsTheLevelOverTheBar)
{
    CLevelMeter meter;
    meter.resize(12, 109);
    EXPECT_EQ(meter.BarRect(), QRect(0, 0, 12, 100));
    meter.SetLevel(0.5f, false);
    EXPECT_EQ(meter.GetLitHeight(), 38);  // 0.375 x 100 + 0.5
    meter.SetLevel(0.5f, false);
    EXPECT_EQ(meter.GetLitHeight(), 66);
    meter.Reset(false);
    EXPECT_EQ(meter.GetLitHeight(), 0);
    EXPECT_EQ(meter.GetLevel(), 0.0f);
}

TEST(LevelMeterTest, OnlyAChangedLitHeightRepaintsAndThenOnlyTheBandThatChanged)
{
    ShownMeter shown;
    ASSERT_TRUE(shown.Exposed());
    CLevelMeter* meter = shown.meter;
    PaintCounter counter(meter);

    meter->SetLevel(0.4f, true);  // 0.3: 30 rows lit, rows 70 to 99, and the block below
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    EXPECT_EQ(counter.last.boundingRect(), QRect(0, 70, 12, 39));

    // Silence decays the level from 0.3 to 0.225 (23 rows): rows 70 to 76 go dark.
    meter->SetLevel(0.0f, true);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 2);
    EXPECT_EQ(counter.last.boundingRect(), QRect(0, 70, 12, 7));

    // Decaying to nothing darkens the last row and the block with it.
    for (int step = 0; step < 40 && meter->GetLitHeight() > 1; ++step)
        meter->SetLevel(0.0f, false);
    ASSERT_EQ(meter->GetLitHeight(), 1);
    for (int step = 0; step < 10 && meter->GetLitHeight() > 0; ++step)
        meter->SetLevel(0.0f, true);
    QApplication::processEvents();
    EXPECT_EQ(meter->GetLitHeight(), 0);
    EXPECT_EQ(counter.paints, 3);
    EXPECT_EQ(counter.last.boundingRect(), QRect(0, 99, 12, 10));

    // A step that leaves the lit height as it was paints nothing.
    meter->Reset(false);
    meter->SetLevel(0.001f, true);
    QApplication::processEvents();
    EXPECT_EQ(meter->GetLitHeight(), 0);
    EXPECT_EQ(counter.paints, 3);
}

// Lit heights 29 and 30 light the same bars (rows 99, 97, ... 71): the row between is dark
// either way, so the move paints nothing; 27 darkens bar 71 and paints the two rows.
TEST(LevelMeterTest, AMoveAcrossTheDarkRowBetweenBarsPaintsNothing)
{
    const float toThirty = 0.4f, toTwentyNine = 0.0826667f, toTwentySeven = 0.073f;
    CLevelMeter picture;
    picture.resize(12, 109);
    picture.SetLevel(toThirty, false);
    ASSERT_EQ(picture.GetLitHeight(), 30);
    const QImage thirty = picture.grab().toImage();
    picture.SetLevel(toTwentyNine, false);
    ASSERT_EQ(picture.GetLitHeight(), 29);
    EXPECT_EQ(picture.grab().toImage(), thirty) << "both show the same bars";
    picture.SetLevel(toTwentySeven, false);
    ASSERT_EQ(picture.GetLitHeight(), 27);
    EXPECT_NE(picture.grab().toImage(), thirty);

    ShownMeter shown;
    ASSERT_TRUE(shown.Exposed());
    CLevelMeter* meter = shown.meter;
    PaintCounter counter(meter);
    meter->SetLevel(toThirty, true);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    meter->SetLevel(toTwentyNine, true);
    QApplication::processEvents();
    EXPECT_EQ(meter->GetLitHeight(), 29);
    EXPECT_EQ(counter.paints, 1);
    meter->SetLevel(toTwentySeven, true);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 2);
    EXPECT_EQ(counter.last.boundingRect(), QRect(0, 71, 12, 2));
}

TEST(LevelMeterTest, PaintsTheLitColourBelowTheLevelAndBlackAboveAndNothingAtRest)
{
    QWidget window;
    auto* meter = new CLevelMeter(&window);
    meter->setGeometry(0, 0, 12, 109);
    meter->SetLitColor(0x0000FF);  // red
    // Logical pixels, whatever the screen's ratio.
    const auto pixel = [](const QImage& shot, int x, int y) {
        const qreal ratio = shot.devicePixelRatio();
        return shot.pixelColor(int(x * ratio), int(y * ratio));
    };
    const auto lit = [&pixel](const QImage& shot) {
        int count = 0;
        for (int y = 2; y < 106; ++y)
            count += pixel(shot, 5, y) == QColor(255, 0, 0);
        return count;
    };
    // At rest, before any level and after a reset, no row is lit, the block below the bar neither.
    EXPECT_EQ(lit(meter->grab().toImage()), 0);
    for (int i = 0; i < 4; ++i)
        meter->SetLevel(0.5f, false);  // full
    meter->Reset(false);
    EXPECT_EQ(lit(meter->grab().toImage()), 0);

    meter->SetLevel(0.8f, false);  // 0.6: rows 40 to 99 lit
    const QImage shot = meter->grab().toImage();
    // Lit rows alternate with dark ones from the bar's bottom row up.
    EXPECT_EQ(pixel(shot, 5, 99), QColor(255, 0, 0));
    EXPECT_EQ(pixel(shot, 5, 98), QColor(0, 0, 0));
    EXPECT_EQ(pixel(shot, 5, 41), QColor(255, 0, 0));
    EXPECT_EQ(pixel(shot, 5, 37), QColor(0, 0, 0));
    // The block under the bar shows the colour while the bar is lit.
    EXPECT_EQ(pixel(shot, 5, 104), QColor(255, 0, 0));

    // Silence decays the level to nothing: dark again.
    for (int i = 0; i < 80; ++i)
        meter->SetLevel(0.0f, false);
    EXPECT_EQ(meter->GetLitHeight(), 0);
    EXPECT_EQ(lit(meter->grab().toImage()), 0);
}

TEST(LevelMeterTest, StripMetersShareImagesByColourSizeAndResolutionUntilTheLastGoes)
{
    ASSERT_EQ(CLevelMeter::LiveMeters(), 0);
    auto paint = [](CLevelMeter& meter) { (void)meter.grab(); };
    {
        auto first = std::make_unique<CLevelMeter>();
        auto second = std::make_unique<CLevelMeter>();
        auto larger = std::make_unique<CLevelMeter>();
        first->resize(12, 64);
        second->resize(12, 64);
        larger->resize(12, 90);
        paint(*first);
        EXPECT_EQ(CLevelMeter::SharedImageCount(), 2u);  // unlit and green
        paint(*second);
        EXPECT_EQ(CLevelMeter::SharedImageCount(), 2u);
        // Another size has images of its own, never the smaller ones stretched.
        paint(*larger);
        EXPECT_EQ(CLevelMeter::SharedImageCount(), 4u);
        second->SetLitColor(0x7D7D7D);
        second->FreeImages(false);
        paint(*second);
        EXPECT_EQ(CLevelMeter::SharedImageCount(), 5u);
        // The master's meter keeps its own.
        CLevelMeter master;
        master.SetSharedImages(false);
        master.resize(12, 70);
        paint(master);
        EXPECT_EQ(CLevelMeter::SharedImageCount(), 5u);
        first.reset();
        EXPECT_EQ(CLevelMeter::SharedImageCount(), 5u);
    }
    EXPECT_EQ(CLevelMeter::LiveMeters(), 0);
    EXPECT_EQ(CLevelMeter::SharedImageCount(), 0u);
}

}  // namespace

#include "platform/ui/window/DisplayLoss.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// A save that says it ran, on the error stream the test reads.
void saySaved()
{
    std::fputs("recovery copies saved\n", stderr);
}

// Each case ends a process of its own: the program's end is what is tested.
class DisplayLossTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// An exit() during the run keeps the documents and ends with the status it was given; a failure
// is not reported as success.
TEST_F(DisplayLossTest, AnExitDuringTheRunSavesAndEndsWithItsStatus)
{
    EXPECT_EXIT(
        {
            const plat::ui::DisplayLoss loss(saySaved);
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "recovery copies saved");
    EXPECT_EXIT(
        {
            const plat::ui::DisplayLoss loss(saySaved);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "recovery copies saved");
}

// The display's going away ends the session, not the program's work: the documents are kept
// and the program ends with 0 before the platform plug-in's own exit(1).
TEST_F(DisplayLossTest, TheLostDisplaySavesAndEndsWithoutFailure)
{
    EXPECT_EXIT(
        {
            const plat::ui::DisplayLoss loss(saySaved);
            qWarning("The X11 connection broke (error 1). Did the X11 server die?");
            std::exit(1);
        },
        ::testing::ExitedWithCode(0), "recovery copies saved");
}

}  // namespace

#include "app/program/CTerminateSignal.h"
#include "app/tests/AppTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace {

// What the program's close saw: whether any modal window was still open, and how deep the
// event loops were, when it ran.
struct CloseLog {
    int closes = 0;
    bool modalOpen = false;
    int loopLevel = -1;
};

class TerminateSignalTest : public ::testing::Test {
protected:
    CloseLog log;
    // The test pumps events itself: its own level is 0.
    CTerminateSignal signal{[this] {
                                ++log.closes;
                                log.modalOpen = QApplication::activeModalWidget() != nullptr;
                                log.loopLevel = QThread::currentThread()->loopLevel();
                            },
                            0};

    void SetUp() override { ASSERT_TRUE(signal.IsInstalled()); }

    // A box of the kind the program asks with, run modally.
    static QMessageBox::StandardButton ask(const QString& text, QMessageBox::StandardButtons buttons)
    {
        QMessageBox box(QMessageBox::Question, "Quavix", text, buttons);
        return QMessageBox::StandardButton(box.exec());
    }
    // Raises sig once the next modal loop runs.
    static void raiseSoon(int sig)
    {
        QTimer::singleShot(0, [sig] { ::raise(sig); });
    }
};

// Without a window open the program closes at once, for either signal.
TEST_F(TerminateSignalTest, WithNothingOpenTheProgramCloses)
{
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        const int before = log.closes;
        ::raise(sig);
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.closes == before + 1; }));
        EXPECT_FALSE(log.modalOpen);
    }
}

// A message box open when the request comes is answered as Escape would (No where there is
// no Cancel), its loop returns, and only then does the program close, once.
TEST_F(TerminateSignalTest, AnOpenMessageBoxIsAnsweredAndTheProgramCloses)
{
    struct Case {
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton answer;
    };
    const Case cases[] = {
        {QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
        {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel},
        {QMessageBox::Ok, QMessageBox::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.buttons));
        const int before = log.closes;
        raiseSoon(SIGTERM);
        EXPECT_EQ(ask("Remove the staves?", c.buttons), c.answer);
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.closes == before + 1; }));
        EXPECT_FALSE(log.modalOpen);
        EXPECT_EQ(log.loopLevel, 0) << "closed only after the box's loop returned";
    }
}

// A box inside a dialog: both loops end; a box the unwinding code opens after them is
// answered too before the program closes.
TEST_F(TerminateSignalTest, NestedLoopsAndBoxesOpenedWhileUnwindingAllEnd)
{
    std::vector<std::string> steps;
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        raiseSoon(SIGTERM);
        steps.push_back(ask("Inner", QMessageBox::Yes | QMessageBox::No) == QMessageBox::No ? "inner no" : "inner ?");
        steps.push_back(ask("After", QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Cancel ? "after cancel"
                                                                                                  : "after ?");
    });
    steps.push_back(dialog.exec() == QDialog::Rejected ? "dialog rejected" : "dialog accepted");
    EXPECT_EQ(steps, (std::vector<std::string>{"inner no", "after cancel", "dialog rejected"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.closes == 1; }));
    EXPECT_FALSE(log.modalOpen);
    EXPECT_EQ(log.loopLevel, 0);
}

// Gone, it leaves the signals to the handlers that were there before it.
TEST(TerminateSignalHandlersTest, ThePreviousHandlersComeBack)
{
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    {
        CTerminateSignal signal([] {}, 0);
        struct sigaction during {};
        ::sigaction(SIGTERM, nullptr, &during);
        EXPECT_NE(during.sa_handler, before.sa_handler);
        CTerminateSignal second([] {}, 0);
        EXPECT_FALSE(second.IsInstalled()) << "one object at a time owns the handlers";
    }
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace

// A process that ends without destroying its application object (exit() called by a library,
// a display that went away) ends cleanly: the inspector's page registrations go after their
// registry has seen the end, and leave the page windows to the end of the process.

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#ifndef QUAVIX_END_WITHOUT_APPLICATION
#define QUAVIX_END_WITHOUT_APPLICATION "EndWithoutApplication"
#endif

namespace {

TEST(ExitOrderTest, RegistrationsEndCleanlyWhenTheApplicationIsNeverDestroyed)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // In a sanitizer build: what a process ending this way leaves unfreed is by design.
    env.insert("LSAN_OPTIONS", "detect_leaks=0");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QUAVIX_END_WITHOUT_APPLICATION, {});
    ASSERT_TRUE(process.waitForStarted(10000));
    ASSERT_TRUE(process.waitForFinished(60000));
    const QByteArray said = process.readAll();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << said.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << said.toStdString();
}

}  // namespace

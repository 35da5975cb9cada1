#include "app/core/CBugReport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <chrono>
#include <thread>

#ifndef QUAVIX_BUGREPORT_CRASH
#define QUAVIX_BUGREPORT_CRASH "BugReportCrash"
#endif

namespace {

class BugReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "the sanitizers take the fatal signals for their own reports";
#endif
        char folder[] = "/tmp/quavix-bugreport-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_dir = folder;
        m_path = m_dir + "/BugReport";
    }
    void TearDown() override
    {
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir);
    }

    // Runs crash in a child that installed the report; answers the signal that ended it.
    template <class Crash>
    int RunChild(Crash crash)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            CBugReport::Install(m_path);
            CBugReport::SetDocuments({"/home/user/My Songs/Etude.kvd", "Untitled2"});
            crash();
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    std::string Report() const
    {
        std::ifstream in(m_path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static size_t Count(const std::string& text, const std::string& what)
    {
        size_t count = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++count;
        return count;
    }

    std::string m_dir;
    std::string m_path;
};

void writeThroughNull()
{
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

TEST_F(BugReportTest, AFaultWritesTheReportAndStillEndsTheProgram)
{
    EXPECT_EQ(RunChild(writeThroughNull), SIGSEGV) << "the previous handling follows the report";
    const std::string report = Report();
    EXPECT_EQ(report.rfind("\n\n" + std::string(68, '=') + "\nOmbrelune Bug Report\nQuavix (ver 6.06)\n", 0), 0u);
    EXPECT_NE(report.find("Exception code: 000b0001 ACCESS_VIOLATION"), std::string::npos) << report;
    EXPECT_NE(report.find("Fault address:  "), std::string::npos);
    EXPECT_NE(report.find("App_tests"), std::string::npos) << "the faulting module is named";
    EXPECT_NE(report.find("RIP:"), std::string::npos);
    EXPECT_NE(report.find("\nStack:\n"), std::string::npos) << "written although the stack lies in no module";
    EXPECT_NE(report.find("\nCall stack:\n"), std::string::npos);
    // Each return address with its module and offset, which addr2line turns into a line of
    // the source.
    EXPECT_NE(report.find("\nSymbols:\n"), std::string::npos);
    EXPECT_NE(report.find("App_tests(+0x"), std::string::npos) << report;
    EXPECT_NE(report.find("CS:EIP:  "), std::string::npos);
    EXPECT_NE(report.find("  /home/user/My Songs/Etude.kvd\n  Untitled2\n"), std::string::npos);
}

TEST_F(BugReportTest, TwoCrashesAppendTwoReports)
{
    EXPECT_EQ(RunChild(writeThroughNull), SIGSEGV);
    EXPECT_EQ(RunChild([] { std::raise(SIGFPE); }), SIGFPE);
    const std::string report = Report();
    EXPECT_EQ(Count(report, "\n\n" + std::string(68, '=') + "\n"), 2u);
    EXPECT_EQ(Count(report, "Ombrelune Bug Report"), 2u);
}

TEST_F(BugReportTest, TerminateWritesOneReportWithTheException)
{
    EXPECT_EQ(RunChild([] {
                  try {
                      throw std::runtime_error("the sequence lost its place");
                  } catch (...) {
                      std::terminate();
                  }
              }),
              SIGABRT);
    const std::string report = Report();
    EXPECT_NE(report.find("std::terminate: the sequence lost its place"), std::string::npos) << report;
    EXPECT_EQ(Count(report, "Ombrelune Bug Report"), 1u) << "the abort that follows writes no second report";
}

// A crash inside the allocator, with its lock held by the crashing thread: the report is
// written all the same (a handler that allocated, or built its texts with the C library's
// formatting, would wait for that lock for ever). The crashing program is started fresh
// without the allocator's per-thread cache, so that no allocation can pass the lock.
TEST_F(BugReportTest, ACrashHoldingTheAllocatorsLockStillWritesItsReport)
{
    const pid_t child = ::fork();
    if (child == 0) {
        char tunables[] = "GLIBC_TUNABLES=glibc.malloc.tcache_count=0";
        char* const environment[] = {tunables, nullptr};
        char* const args[] = {const_cast<char*>(QUAVIX_BUGREPORT_CRASH), m_path.data(), nullptr};
        ::execve(QUAVIX_BUGREPORT_CRASH, args, environment);
        ::_exit(127);
    }
    // Waits for the child's end; one that hangs in its handler is ended after 20 s.
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "the crash report hung on the allocator's lock";
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit code " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const std::string report = Report();
    EXPECT_NE(report.find("Exception code: 000b0001 ACCESS_VIOLATION"), std::string::npos) << report;
    EXPECT_NE(report.find("Fault address:  "), std::string::npos) << report;
    EXPECT_NE(report.find("\nSymbols:\n"), std::string::npos) << report;
    EXPECT_NE(report.find("BugReportCrash(+0x"), std::string::npos) << report;
    EXPECT_NE(report.find("Open documents:\n  Untitled3\n"), std::string::npos) << report;
}

TEST(BugReportNames, ClassicNamesOfSignalsAndSystemTextForOthers)
{
    EXPECT_EQ(CBugReport::FaultName(SIGSEGV, SEGV_MAPERR), "ACCESS_VIOLATION");
    EXPECT_EQ(CBugReport::FaultName(SIGFPE, FPE_INTDIV), "INT_DIVIDE_BY_ZERO");
    EXPECT_EQ(CBugReport::FaultName(SIGFPE, FPE_FLTDIV), "FLT_DIVIDE_BY_ZERO");
    EXPECT_EQ(CBugReport::FaultName(SIGILL, ILL_ILLOPC), "ILLEGAL_INSTRUCTION");
    EXPECT_EQ(CBugReport::FaultName(SIGTRAP, TRAP_BRKPT), "BREAKPOINT");
    EXPECT_EQ(CBugReport::FaultName(SIGBUS, BUS_ADRALN), "DATATYPE_MISALIGNMENT");
    EXPECT_EQ(CBugReport::FaultName(SIGABRT, 0), ::strsignal(SIGABRT));
}

}  // namespace

#include "platform/core/Trace.h"
#include "platform/media/ThreadPriority.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace plat::media {
namespace {

TEST(ThreadPriorityTest, EachLevelSetsTheCallingThreadsPolicy)
{
    std::thread([] {
        if (!ThreadPriority::set(ThreadPriority::Level::sending))
            GTEST_SKIP() << "real-time scheduling is refused here";
        const struct {
            ThreadPriority::Level level;
            int policy;
        } cases[] = {
            {ThreadPriority::Level::sending, SCHED_FIFO},
            {ThreadPriority::Level::polling, SCHED_RR},
            {ThreadPriority::Level::normal, SCHED_OTHER},
        };
        int sendingPriority = 0;
        for (const auto& c : cases) {
            EXPECT_TRUE(ThreadPriority::set(c.level));
            int policy = -1;
            sched_param param{};
            ASSERT_EQ(pthread_getschedparam(pthread_self(), &policy, &param), 0);
            EXPECT_EQ(policy, c.policy);
            if (c.level == ThreadPriority::Level::sending) {
                sendingPriority = param.sched_priority;
            } else if (c.level == ThreadPriority::Level::polling) {
                EXPECT_LT(param.sched_priority, sendingPriority) << "sending comes before polling";
            }
        }
    }).join();
}

// Capabilities are per thread on Linux: this drops the one that lets the calling thread
// choose real-time scheduling beyond its resource limit.
bool dropNiceCapability()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    data[CAP_SYS_NICE / 32].effective &= ~(1u << (CAP_SYS_NICE % 32));
    return syscall(SYS_capset, &header, data) == 0;
}

TEST(ThreadPriorityTest, ARefusalKeepsTheThreadRunningAndIsTracedOnce)
{
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_RTPRIO, &limit), 0);
    if (limit.rlim_cur != 0)
        GTEST_SKIP() << "the resource limit allows real-time scheduling";
    std::vector<std::string> lines;
    const TraceSink previous = setTraceSink([&](std::string_view line) { lines.emplace_back(line); });
    bool dropped = false;
    std::thread([&] {
        dropped = dropNiceCapability();
        if (!dropped)
            return;
        EXPECT_FALSE(ThreadPriority::set(ThreadPriority::Level::sending));
        EXPECT_FALSE(ThreadPriority::set(ThreadPriority::Level::polling));
        EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
        EXPECT_TRUE(ThreadPriority::set(ThreadPriority::Level::normal));
    }).join();
    setTraceSink(previous);
    if (!dropped)
        GTEST_SKIP() << "the capability cannot be dropped here";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("real-time scheduling was refused"), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace plat::media

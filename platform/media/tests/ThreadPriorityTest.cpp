#include "platform/media/ThreadPriority.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>

#include <thread>

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

}  // namespace
}  // namespace plat::media

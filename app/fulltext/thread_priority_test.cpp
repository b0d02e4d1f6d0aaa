#include "app/fulltext/thread_priority.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace lexidor::fulltext {
namespace {

id_t ThisThread() { return static_cast<id_t>(syscall(SYS_gettid)); }

// Each call changes the thread that makes it, not the one that started it
// (Linux schedules threads one by one, and a process-wide call would slow
// the index's own thread too).
TEST(ThreadPriorityTest, ChangesTheCallingThreadOnly) {
  const int policy = sched_getscheduler(0);
  const int nice = getpriority(PRIO_PROCESS, ThisThread());
  int helperPolicy = -1, helperNice = 0;
  std::thread([&] {
    YieldWhenWoken();
    LowerPriority(3);
    helperPolicy = sched_getscheduler(0);
    helperNice = getpriority(PRIO_PROCESS, ThisThread());
  }).join();
  EXPECT_EQ(helperPolicy, SCHED_BATCH);
  EXPECT_EQ(helperNice, std::min(nice + 3, 19));
  EXPECT_EQ(sched_getscheduler(0), policy);
  EXPECT_EQ(getpriority(PRIO_PROCESS, ThisThread()), nice);
}

}  // namespace
}  // namespace lexidor::fulltext

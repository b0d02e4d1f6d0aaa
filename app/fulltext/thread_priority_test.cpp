#include "app/fulltext/thread_priority.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <thread>

namespace lexidor::fulltext {
namespace {

// The call changes the thread that makes it, not the one that started it
// (Linux schedules threads one by one, and a process-wide call would let
// the cutting threads take the index's own turns too).
TEST(ThreadPriorityTest, ChangesTheCallingThreadOnly) {
  const int policy = sched_getscheduler(0);
  if (policy == SCHED_BATCH) GTEST_SKIP() << "the tests already run as batch threads";
  int helperPolicy = -1;
  std::thread([&] {
    YieldWhenWoken();
    helperPolicy = sched_getscheduler(0);
  }).join();
  EXPECT_EQ(helperPolicy, SCHED_BATCH);
  EXPECT_EQ(sched_getscheduler(0), policy);
}

}  // namespace
}  // namespace lexidor::fulltext

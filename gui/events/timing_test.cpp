#include "gui/events/timing.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/sysinfo.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace lexidor {
namespace {

using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class TimingTest : public ::testing::Test {
 protected:
  void SetUp() override { InitTimingModule(); }
};

TEST_F(TimingTest, TimerRunsAndRecordsTheTick) {
  ASSERT_TRUE(MillisecondTimerRunning());
  ClearPendingSignal();
  // A tick arrives within a few milliseconds.
  auto start = Clock::now();
  while (PendingSignal() == 0 && MillisSince(start) < 500) {
  }
  EXPECT_EQ(PendingSignal(), SIGALRM);
}

TEST_F(TimingTest, PauseMillisLastsAtLeastTheCountAndNeverASecondMore) {
  for (int ms : {0, 1, 10, 100}) {
    auto start = Clock::now();
    PauseMillis(ms);
    double took = MillisSince(start);
    EXPECT_GE(took, ms) << ms;
    EXPECT_LT(took, ms + 1000.0) << ms;
  }
  auto start = Clock::now();
  PauseMillis(-5);
  EXPECT_LT(MillisSince(start), 5.0);
}

void IgnoreChild(int) {}

TEST_F(TimingTest, PauseMillisOutlastsInterruptingSignals) {
  // SIGCHLD with a handler and without SA_RESTART interrupts every sleep.
  struct sigaction action = {}, previous = {};
  action.sa_handler = IgnoreChild;
  sigaction(SIGCHLD, &action, &previous);
  for (int i = 0; i < 3; ++i) {
    pid_t child = fork();
    if (child == 0) {
      usleep(20000 * (i + 1));
      _exit(0);
    }
  }
  auto start = Clock::now();
  PauseMillis(150);
  double took = MillisSince(start);
  while (waitpid(-1, nullptr, 0) > 0) {
  }
  sigaction(SIGCHLD, &previous, nullptr);
  EXPECT_GE(took, 150.0);
  EXPECT_LT(took, 1150.0);
}

TEST_F(TimingTest, TickGoesToTheMainThreadOnly) {
  // While the main thread holds the tick back (in a pause), another thread
  // that accepts SIGALRM must not receive it: its sleep runs undisturbed.
  int result = -1;
  int error = 0;
  std::thread sleeper([&] {
    sigset_t tick;
    sigemptyset(&tick);
    sigaddset(&tick, SIGALRM);
    pthread_sigmask(SIG_UNBLOCK, &tick, nullptr);
    struct timespec span = {0, 200 * 1000000};
    result = nanosleep(&span, nullptr);
    error = errno;
  });
  PauseMillis(300);
  sleeper.join();
  EXPECT_EQ(result, 0) << "interrupted: " << strerror(error);
}

TEST_F(TimingTest, MillisecondClockCountsFromBootAndAdvances) {
  struct sysinfo info;
  ASSERT_EQ(sysinfo(&info), 0);
  int32_t now = MillisecondClock();
  // Set to the uptime at start, whole seconds: within a few seconds of it.
  EXPECT_NEAR(static_cast<double>(now), info.uptime * 1000.0, 5000.0);
  PauseMillis(50);
  int32_t later = MillisecondClock();
  EXPECT_GE(later - now, 49);
  EXPECT_LT(later - now, 1000);
}

}  // namespace
}  // namespace lexidor

// The GUI system driver's blocking wait on a real X server (Xvfb): a
// callback posted from another thread ends it at once, and once that
// wake-up is read the next wait blocks again.
#include <atomic>
#include <chrono>
#include <thread>

#include "gui/fltk/fl_x11_test_support.h"

namespace lexidor {
namespace fltest {
namespace {

std::atomic<int> calls{0};

void CountCall(const ObjectRef&, int argument) { calls += argument; }

// Milliseconds BlockForSystemEvents takes when another thread posts a
// callback after `post_after_ms`; -1 when the callback did not run.
long WaitForPostAfter(int post_after_ms) {
  const int before = calls;
  std::thread poster([post_after_ms] {
    std::this_thread::sleep_for(std::chrono::milliseconds(post_after_ms));
    ConsoleSystemDriver()->PostMainThreadCallback(CountCall, nullptr, 1);
  });
  const auto start = std::chrono::steady_clock::now();
  // A wait may also end for an X event of FLTK's own; wait on until the
  // callback has run (or clearly too long has passed).
  while (calls == before &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(3000)) {
    BlockForSystemEvents();
  }
  const long elapsed = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());
  poster.join();
  return calls == before ? -1 : elapsed;
}

TEST_F(DriverTest, APostedCallbackEndsTheWaitAndTheNextWaitBlocksAgain) {
  GadgetRef window = Window(u"wait", 0, 0, 200, 100, 513);
  Settle(300);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const long elapsed = WaitForPostAfter(250);
    ASSERT_GE(elapsed, 0) << "the callback never ran";
    // Woken by the post, not by the wait's one-second limit; and not before
    // the post, as an unread wake-up would make it.
    EXPECT_GE(elapsed, 200);
    EXPECT_LT(elapsed, 700);
  }
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor

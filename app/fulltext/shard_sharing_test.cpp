#include "app/fulltext/shard_sharing.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace lexidor::fulltext {
namespace {

// Every job offered runs exactly once, with no helper, one or two; a
// failing job's exception comes out once, from Offer when it ran there or
// from Rethrow when a helper ran it, and the jobs after it still run; Close
// lets every helper return, also one that comes only after it.
TEST(ShardSharingTest, RunsEveryJobOnceAndKeepsTheFirstFailure) {
  for (int helpers : {0, 1, 2}) {
    TShardSharing sharing;
    std::vector<int> ran(500, 0);
    std::vector<std::thread> threads;
    for (int h = 0; h < helpers; ++h) threads.emplace_back([&] { sharing.Help(); });
    int failures = 0;
    for (int job = 0; job < 500; ++job) {
      try {
        sharing.Offer([&, job] {
          std::lock_guard<std::mutex> lock(sharing.WriteMutex());
          ++ran[job];
          if (job % 100 == 23) throw std::runtime_error("job " + std::to_string(job));
        });
      } catch (const std::runtime_error&) {
        ++failures;
      }
    }
    sharing.Close();
    threads.emplace_back([&] { sharing.Help(); });  // after the close: returns
    for (std::thread& t : threads) t.join();
    for (int job = 0; job < 500; ++job) EXPECT_EQ(ran[job], 1) << helpers << " " << job;
    try {
      sharing.Rethrow();
    } catch (const std::runtime_error& e) {
      ++failures;
      EXPECT_EQ(std::string(e.what()).substr(0, 4), "job ");
    }
    // Each failure once: those in Offer, and the first of the helpers'.
    EXPECT_GE(failures, 1) << helpers;
    EXPECT_LE(failures, 5) << helpers;
    if (helpers == 0) {
      EXPECT_EQ(failures, 5);
    }
  }
}

}  // namespace
}  // namespace lexidor::fulltext

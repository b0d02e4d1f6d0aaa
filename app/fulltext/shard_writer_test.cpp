#include "app/fulltext/shard_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace lexidor::fulltext {
namespace {

TEST(ShardWriterTest, ScoreDigitIsTheNearestStepOfTheLogarithm) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> scores(0, 80);
  for (int i = 0; i < 200000; ++i) {
    const double score = i < 1000 ? i / 1000.0 : scores(random);
    const double exact = 16 * std::log1p(score);
    if (std::fabs(exact - std::floor(exact) - 0.5) < 1e-9) continue;  // on a step: below
    const long nearest = std::lround(exact);
    ASSERT_EQ(ScoreDigit(score), static_cast<uint32_t>(std::clamp(nearest, 1L, 63L))) << score;
  }
  // On each step exactly, the digit goes up by one.
  for (int k = 1; k < 63; ++k) {
    const double step = std::expm1((k + 0.5) / 16);
    EXPECT_EQ(ScoreDigit(step), ScoreDigit(std::nextafter(step, 0)) + 1) << k;
    EXPECT_EQ(ScoreDigit(std::nextafter(step, 100)), ScoreDigit(step)) << k;
  }
  EXPECT_EQ(ScoreDigit(1e9), 63u);
}

}  // namespace
}  // namespace lexidor::fulltext

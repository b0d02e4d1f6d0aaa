// A BM25 score as the files write it: one digit.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lexidor::fulltext {

// A score is written as one digit, 1..63: 16 ln(1 + score), which keeps its
// order and about 6% of precision over the scores BM25 gives.
constexpr double kScoreSteps = 16.0;

// A score's digit, 1..63: 16 ln(1 + score) rounded, found among the scores
// where it steps up (no logarithm per posting).  A table over scores in
// steps of 1/32, narrower than the closest two steps, gives the count of
// steps below each; one comparison then settles the score's own.
class ScoreScale {
 public:
  ScoreScale() {
    for (int k = 1; k < 63; ++k) steps_.push_back(std::expm1((k + 0.5) / kScoreSteps));
    for (size_t b = 0; b < kBuckets; ++b) {
      below_[b] = static_cast<uint8_t>(
          std::upper_bound(steps_.begin(), steps_.end(), static_cast<double>(b) / kPerUnit) -
          steps_.begin());
    }
  }

  uint32_t Digit(double score) const {
    size_t n;
    if (score >= 0 && score < static_cast<double>(kBuckets) / kPerUnit) {
      n = below_[static_cast<size_t>(score * kPerUnit)];
      while (n < steps_.size() && steps_[n] <= score) ++n;
    } else {
      n = std::upper_bound(steps_.begin(), steps_.end(), score) - steps_.begin();
    }
    return 1 + static_cast<uint32_t>(n);
  }

 private:
  static constexpr double kPerUnit = 32;
  static constexpr size_t kBuckets = 50 * 32;  // past the last step
  std::vector<double> steps_;
  uint8_t below_[kBuckets];
};

}  // namespace lexidor::fulltext

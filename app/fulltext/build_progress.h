// A build's progress as it is reported: 0..100, each value at most once
// and never one below the last.
#pragma once

#include <functional>

namespace lexidor::fulltext {

class TBuildProgress {
 public:
  explicit TBuildProgress(const std::function<void(int)>& report) : report_(report) {}
  void At(int percent) {
    if (!report_ || percent <= last_) return;
    last_ = percent;
    report_(percent);
  }

 private:
  const std::function<void(int)>& report_;
  int last_ = -1;
};

}  // namespace lexidor::fulltext

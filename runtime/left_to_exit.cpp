#include "runtime/left_to_exit.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace lexidor {

namespace {

std::atomic<bool> endsAfterWork{false};

struct Kept {
  std::mutex mutex;
  std::vector<std::shared_ptr<void>> objects;
};

// Never destroyed: what it holds lives until the process ends.
Kept& TheKept() {
  static Kept* kept = new Kept;
  return *kept;
}

}  // namespace

void SetEndsAfterWork(bool ends) { endsAfterWork = ends; }

bool EndsAfterWork() { return endsAfterWork; }

void LeaveToExit(std::shared_ptr<void> object) {
  if (!object || !EndsAfterWork()) return;
  Kept& kept = TheKept();
  std::lock_guard<std::mutex> lock(kept.mutex);
  kept.objects.push_back(std::move(object));
}

}  // namespace lexidor

#include "runtime/left_to_exit.h"

#include <gtest/gtest.h>

#include <memory>

namespace lexidor {
namespace {

struct Counted {
  explicit Counted(int* gone) : gone(gone) {}
  ~Counted() { ++*gone; }
  int* gone;
};

// A run that goes on after its work frees what it leaves at once; one that
// ends after it keeps it, undestroyed, whatever becomes of the pointers
// handed over.
TEST(LeftToExitTest, KeptOnlyByARunThatEndsAfterItsWork) {
  for (const bool ends : {false, true}) {
    SCOPED_TRACE(ends);
    SetEndsAfterWork(ends);
    static int gone;
    gone = 0;
    LeaveToExit(std::make_unique<Counted>(&gone));
    LeaveToExit(std::shared_ptr<void>(std::make_shared<Counted>(&gone)));
    EXPECT_EQ(gone, ends ? 0 : 2);
    SetEndsAfterWork(false);
  }
}

}  // namespace
}  // namespace lexidor

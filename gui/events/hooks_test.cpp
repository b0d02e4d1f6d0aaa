#include "gui/events/hooks.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace lexidor {
namespace {

// Each hook appends its context's text to the trace, so the trace shows
// the order in which the chain ran.
std::vector<String> trace;

ObjectRef Record(int, const ObjectRef& data, const ObjectRef& context) {
  trace.push_back(*StringOf(context));
  return data;
}

ObjectRef Swallow(int, const ObjectRef&, const ObjectRef&) { return nullptr; }

ObjectRef Append(int, const ObjectRef& data, const ObjectRef& context) {
  return BoxString(*StringOf(data) + *StringOf(context));
}

class HooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    trace.clear();
    // Every test gets a chain of its own; the ids are process-wide.
    id_ = NewHookId();
  }
  int id_ = -1;
};

TEST_F(HooksTest, HigherPriorityRunsFirstAndEqualPrioritiesKeepInsertionOrder) {
  InsertHook(id_, Record, BoxString(u"first 5"), 5);
  InsertHook(id_, Record, BoxString(u"second 5"), 5);
  InsertHook(id_, Record, BoxString(u"7"), 7);
  InsertHook(id_, Record, BoxString(u"-1"), -1);
  CallHooks(id_, nullptr);
  EXPECT_EQ(trace, (std::vector<String>{u"7", u"first 5", u"second 5", u"-1"}));
}

TEST_F(HooksTest, EachFunctionGetsWhatThePreviousReturned) {
  InsertHook(id_, Append, BoxString(u"b"), 2);
  InsertHook(id_, Append, BoxString(u"c"), 1);
  EXPECT_EQ(*StringOf(CallHooks(id_, BoxString(u"a"))), u"abc");
}

TEST_F(HooksTest, EmptyChainReturnsTheDataItself) {
  ObjectRef data = BoxString(u"x");
  EXPECT_EQ(CallHooks(id_, data), data);
}

TEST_F(HooksTest, SwallowingHookHandsNullToTheRest) {
  InsertHook(id_, Swallow, nullptr, 10);
  ObjectRef seen = BoxString(u"not called");
  InsertHook(
      id_,
      [](int, const ObjectRef& data, const ObjectRef& context) -> ObjectRef {
        static_cast<TBoxedString&>(*context).value = data ? u"data" : u"null";
        return data;
      },
      seen, 0);
  EXPECT_EQ(CallHooks(id_, BoxString(u"x")), nullptr);
  EXPECT_EQ(*StringOf(seen), u"null");
}

TEST_F(HooksTest, DeleteHookRemovesOnlyTheFirstMatchOfFunctionAndContext) {
  ObjectRef a = BoxString(u"a");
  ObjectRef b = BoxString(u"b");
  InsertHook(id_, Record, a, 3);
  InsertHook(id_, Record, b, 2);
  InsertHook(id_, Record, a, 1);
  DeleteHook(id_, Record, a);
  DeleteHook(id_, Record, BoxString(u"b"));  // equal text, other object: no match
  DeleteHook(id_, Swallow, b);               // other function: no match
  CallHooks(id_, nullptr);
  EXPECT_EQ(trace, (std::vector<String>{u"b", u"a"}));
}

// A hook that unlinks itself while the chain runs: the rest still runs, and
// the next call no longer sees it.
ObjectRef DeleteSelf(int id, const ObjectRef& data, const ObjectRef& context) {
  trace.push_back(u"once");
  DeleteHook(id, DeleteSelf, context);
  return data;
}

TEST_F(HooksTest, HookMayDeleteItselfWhileItsChainRuns) {
  InsertHook(id_, DeleteSelf, nullptr, 5);
  InsertHook(id_, Record, BoxString(u"after"), 1);
  CallHooks(id_, nullptr);
  CallHooks(id_, nullptr);
  EXPECT_EQ(trace, (std::vector<String>{u"once", u"after", u"after"}));
}

TEST_F(HooksTest, OutOfRangeIdsRaise) {
  for (int bad : {-1, MAX_HOOK_IDS}) {
    EXPECT_THROW(InsertHook(bad, Record, nullptr, 0), TRuntimeException) << bad;
    EXPECT_THROW(CallHooks(bad, nullptr), TRuntimeException) << bad;
    DeleteHook(bad, Record, nullptr);  // quietly nothing
  }
}

// The id counter is process-wide, so the exhaustion runs in a child.
TEST(HookIdsTest, The257thIdRaisesTooManyHookIds) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int last = -1;
    for (;;) {
      try {
        last = NewHookId();
      } catch (const TRuntimeException& e) {
        _exit(last == 255 && e.error == u"Too many hook ids" ? 0 : 2);
      }
      if (last > 1000) _exit(3);
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: wrong last id or text, 3: never raised";
}

}  // namespace
}  // namespace lexidor

#include "gui/events/system_driver.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

#include "gui/events/event_queue.h"
#include "gui/events/hooks.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

TEST(SystemDriverTest, BareDriverRaisesAbstractMethodForEveryOperation) {
  TSystemDriver driver;
  const std::function<void()> calls[] = {
      [&] { driver.Poll(); },
      [&] { driver.Wait(); },
      [&] { driver.MoveMouse(1, 2); },
      [&] { driver.SetMouseVisible(1); },
      [&] { driver.Notify(u"x", 0); },
      [&] { driver.Confirm(u"x", 0); },
      [&] { driver.Proceed(u"x", 0); },
      [&] { driver.RequestFile(u"x", u"", 0, u""); },
      [&] { driver.RequestDir(u"x", u""); },
      [&] { driver.OpenURL(u"x"); },
  };
  int index = 0;
  for (const auto& call : calls) {
    EXPECT_THROW(call(), TAbstractMethodException) << "operation " << index;
    ++index;
  }
}

// Records what the global functions hand to the driver.
class RecordingDriver : public TSystemDriver {
 public:
  void Poll() override {
    ++polls;
    if (on_poll) on_poll();
  }
  void Wait() override { ++waits; }
  void MoveMouse(int x, int y) override {
    log += "move " + std::to_string(x) + "," + std::to_string(y) + ";";
  }
  void SetMouseVisible(int visible) override { log += "visible " + std::to_string(visible) + ";"; }
  void Notify(const String& text, int serious) override {
    log += "notify " + ToUtf8(text) + " " + std::to_string(serious) + ";";
  }
  int Confirm(const String&, int) override { return 1; }
  int Proceed(const String&, int) override { return -1; }
  String RequestFile(const String& text, const String& extensions, int save,
                     const String& path) override {
    return text + u"|" + extensions + u"|" + IntToString(save) + u"|" + path;
  }
  String RequestDir(const String& text, const String& path) override { return text + u"|" + path; }
  int OpenURL(const String& url) override {
    opened = url;
    return 42;
  }
  int polls = 0;
  int waits = 0;
  std::string log;
  String opened;
  std::function<void()> on_poll;
};

class GlobalFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEventQueueModule();
    ClearEventQueue();
    driver_ = std::make_shared<RecordingDriver>();
    SetActiveSystemDriver(driver_);
  }
  void TearDown() override {
    ClearEventQueue();
    SetActiveSystemDriver(nullptr);
  }
  std::shared_ptr<RecordingDriver> driver_;
};

TEST_F(GlobalFunctionsTest, GlobalFunctionsGoThroughTheActiveDriver) {
  ShowNotice(u"hi", 1);
  WarpMouse(3, 4);
  ShowPointer();
  HidePointer();
  EXPECT_EQ(driver_->log, "notify hi 1;move 3,4;visible 1;visible 0;");
  EXPECT_EQ(AskConfirm(u"q", 0), 1);
  EXPECT_EQ(AskProceed(u"q", 0), -1);
  EXPECT_EQ(AskFileName(u"t", u"*.txt", 1, u"/p"), u"t|*.txt|1|/p");
  EXPECT_EQ(AskDirectory(u"t", u""), u"t|");
  EXPECT_EQ(LaunchURL(u"HTTP://example.com/"), 42);
  EXPECT_EQ(driver_->opened, u"HTTP://example.com/");

  auto other = std::make_shared<RecordingDriver>();
  SetActiveSystemDriver(other);
  ShowNotice(u"later", 0);
  EXPECT_EQ(other->log, "notify later 0;");
}

TEST_F(GlobalFunctionsTest, NoActiveDriverIsAClearError) {
  SetActiveSystemDriver(nullptr);
  try {
    PumpSystemEvents();
    FAIL() << "no error";
  } catch (const TRuntimeException& e) {
    EXPECT_EQ(e.error, u"No system driver is active");
  }
  EXPECT_THROW(BlockForSystemEvents(), TRuntimeException);
  EXPECT_THROW(ShowNotice(u"x", 0), TRuntimeException);
  EXPECT_FALSE(SystemCallBusy());
}

// Polls the queue from inside the emit chain, as a handler running during
// a pump would.
ObjectRef PollFromHook(int, const ObjectRef& data, const ObjectRef& context) {
  auto& seen = static_cast<TBoxedString&>(*context).value;
  seen += SystemCallBusy() ? u"busy " : u"idle ";
  seen += IntToString(PollForEvent()) + u";";
  return data;
}

TEST_F(GlobalFunctionsTest, SystemCallBusyStopsANestedPoll) {
  ObjectRef seen = BoxString(u"");
  InsertHook(EventHookId(), PollFromHook, seen, 50);
  driver_->on_poll = [] { DispatchEvent(MakeEvent(EVENT_APPIDLE)); };
  EXPECT_EQ(PollForEvent(), EVENT_APPIDLE);
  DeleteHook(EventHookId(), PollFromHook, seen);
  EXPECT_EQ(driver_->polls, 1) << "the nested poll must not reach the driver";
  // Inside the hook the queue was still empty and the pump busy: 0.
  EXPECT_EQ(*StringOf(seen), u"busy 0;");
  EXPECT_FALSE(SystemCallBusy());
}

TEST_F(GlobalFunctionsTest, BusyFlagIsClearedWhenTheDriverRaises) {
  driver_->on_poll = [] { throw TRuntimeException(u"boom"); };
  EXPECT_THROW(PumpSystemEvents(), TRuntimeException);
  EXPECT_FALSE(SystemCallBusy());
  driver_->on_poll = nullptr;
  PumpSystemEvents();
  EXPECT_EQ(driver_->polls, 2);
}

// A scratch directory that becomes the working directory for the test.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    char pattern[] = "/tmp/lexidor-url-XXXXXX";
    path_ = mkdtemp(pattern);
    char* old = getcwd(nullptr, 0);
    old_ = old;
    free(old);
    EXPECT_EQ(chdir(path_.c_str()), 0);
  }
  ~ScratchDirectory() {
    EXPECT_EQ(chdir(old_.c_str()), 0);
    std::string command = "rm -rf '" + path_ + "'";
    EXPECT_EQ(system(command.c_str()), 0);
  }
  std::string Real() const {
    char resolved[PATH_MAX];
    return realpath(path_.c_str(), resolved) ? resolved : path_;
  }

 private:
  std::string path_;
  std::string old_;
};

TEST(NormalizeLaunchURLTest, NormalisesFilesAnchorsAndWebAddresses) {
  ScratchDirectory scratch;
  ASSERT_EQ(mkdir("docs", 0755), 0);
  std::ofstream("docs/index.html") << "x";
  const String real = FromUtf8(scratch.Real());
  struct Case {
    String url;
    String expected;
  };
  const Case cases[] = {
      {u"HTTP://Example.com/A#b", u"HTTP://Example.com/A#b"},
      {u"http:relative", u"http:relative"},
      {u"FiLe:/nowhere#x", u"FiLe:/nowhere#x"},
      {u"docs/index.html#top", u"file:" + real + u"/docs/index.html#top"},
      {u"docs/index.html", u"file:" + real + u"/docs/index.html"},
      {u"docs/../docs/index.html#a#b", u"file:" + real + u"/docs/index.html#a#b"},
      {u"docs", u"file:" + real + u"/docs"},
      {u"docs/missing.html#top", u"http:docs/missing.html#top"},
      {u"www.example.com", u"http:www.example.com"},
      {u"#top", u"http:#top"},
      {u"", u"http:"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeLaunchURL(c.url), c.expected) << ToUtf8(c.url);
  }
}

TEST_F(GlobalFunctionsTest, LaunchURLOpensTheNormalisedURL) {
  ScratchDirectory scratch;
  std::ofstream("page.html") << "x";
  LaunchURL(u"page.html#s");
  EXPECT_EQ(driver_->opened, u"file:" + FromUtf8(scratch.Real()) + u"/page.html#s");
  LaunchURL(u"gone.html");
  EXPECT_EQ(driver_->opened, u"http:gone.html");
}

}  // namespace
}  // namespace lexidor

// The FLTK system drivers without FLTK open: forwarding to the wrapped
// driver, the full-screen guard and the unsupported Emit.
#include "gui/fltk/fl_system_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace lexidor {
namespace {

class RecordingDriver : public TSystemDriver {
 public:
  std::vector<std::string> calls;
  void Poll() override { calls.push_back("Poll"); }
  void Wait() override { calls.push_back("Wait"); }
  void MoveMouse(int x, int y) override {
    calls.push_back("MoveMouse " + std::to_string(x) + "," + std::to_string(y));
  }
  void SetMouseVisible(int visible) override {
    calls.push_back("SetMouseVisible " + std::to_string(visible));
  }
  int OpenURL(const String& url) override {
    calls.push_back("OpenURL " + ToUtf8(url));
    return 7;
  }
};

class FullScreenDriver : public TFLSystemDriver {
 public:
  using TFLSystemDriver::TFLSystemDriver;
  int IsFullScreen() override { return 1; }
};

TEST(FlSystemDriverTest, ForwardsThePumpPointerAndUrlsToTheWrappedDriver) {
  auto native = std::make_shared<RecordingDriver>();
  TFLSystemDriver driver(native);
  driver.Poll();
  driver.Wait();
  driver.MoveMouse(3, 4);
  driver.SetMouseVisible(0);
  EXPECT_EQ(driver.OpenURL(u"http://example.org/"), 7);
  EXPECT_EQ(native->calls,
            (std::vector<std::string>{"Poll", "Wait", "MoveMouse 3,4", "SetMouseVisible 0",
                                      "OpenURL http://example.org/"}));
  EXPECT_EQ(driver.IsFullScreen(), 0);
  EXPECT_THROW(driver.Emit(nullptr, nullptr), TThrownText);
  EXPECT_THROW(TFLSystemDriver(nullptr), TRuntimeException);
}

TEST(FlSystemDriverTest, RequestersRefuseToRunFullScreen) {
  FullScreenDriver driver(std::make_shared<RecordingDriver>());
  auto message = [](auto&& call) -> std::string {
    try {
      call();
    } catch (const TRuntimeException& e) {
      return e.what();
    }
    return "(no exception)";
  };
  EXPECT_EQ(message([&] { driver.Notify(u"x", 0); }),
            "Notify currently not supported in fullscreen mode.");
  EXPECT_EQ(message([&] { driver.Confirm(u"x", 0); }),
            "Confirm currently not supported in fullscreen mode.");
  EXPECT_EQ(message([&] { driver.Proceed(u"x", 0); }),
            "Proceed currently not supported in fullscreen mode.");
  EXPECT_EQ(message([&] { driver.RequestFile(u"x", u"", 0, u""); }),
            "RequestFile currently not supported in fullscreen mode.");
  EXPECT_EQ(message([&] { driver.RequestDir(u"x", u""); }),
            "RequestFile currently not supported in fullscreen mode.");
}

TEST(FlSystemDriverTest, GuiDriverWithoutFltkStillWaitsInTheWrappedDriver) {
  // Before FLTK is open there is no FLTK wait to block in: the wrapped
  // driver's Wait must do it, or the event loop would spin.
  auto native = std::make_shared<RecordingDriver>();
  TFLGuiSystemDriver driver(native, nullptr);
  driver.Poll();
  driver.Wait();
  EXPECT_EQ(native->calls, (std::vector<std::string>{"Poll", "Wait"}));
}

}  // namespace
}  // namespace lexidor

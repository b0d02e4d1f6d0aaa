// The FLTK driver module without an X server.
#include "gui/fltk/fl_gui_driver.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "gui/system/linux_system_driver.h"

namespace lexidor {
namespace {

TEST(FlDriverModuleTest, WithoutADisplayTheConsoleDriverStays) {
  // In a child process: the modules are process-wide.
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        const bool installed = InitFLTKDriverModule();
        const bool again = InitFLTKDriverModule();
        const bool console_active = ActiveSystemDriver() == ConsoleSystemDriver();
        const bool ok = !installed && !again && console_active && ConsoleSystemDriver() &&
                        !ActiveGuiDriver() && !FLTKDriver();
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace lexidor

// Driving real windows on the test X server (the DISPLAY that make check
// starts with Xvfb): finding them, reading their titles and geometry,
// clicking, typing, closing through the window manager's protocol, and
// reading pixels.  Every call waits with a deadline and reports failure
// through its result; none hangs.
#ifndef LEXIDOR_TESTS_X11_SESSION_H_
#define LEXIDOR_TESTS_X11_SESSION_H_

#include <string>

namespace lexidor {
namespace test {

// Runs a shell command, returns its standard output (trailing newline
// removed); *status gets the exit status when given.
std::string Shell(const std::string& command, int* status = nullptr);

// The id of the first visible window whose title matches the regular
// expression, waiting up to `timeout_ms`; "" when none appears.
std::string FindWindow(const std::string& title_regex, int timeout_ms = 15000);

// Waits until no visible window matches; true when that happened in time.
bool WaitWindowGone(const std::string& title_regex, int timeout_ms = 15000);

std::string WindowTitle(const std::string& window);
// Waits until the window's title equals `title`; true when it did.
bool WaitTitle(const std::string& window, const std::string& title, int timeout_ms = 15000);

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};
// The window's client area on the screen.
Geometry WindowGeometry(const std::string& window);
// The size of the X server's screen (width and height; x and y are 0).
Geometry ScreenSize();

// A left click at x, y inside the window's client area.
void ClickAt(const std::string& window, int x, int y);
// Focuses the window and types text / presses keys (xdotool key names) into
// its focused widget.
void TypeText(const std::string& window, const std::string& text);
void PressKeys(const std::string& window, const std::string& keys);

// Asks the window to close the way a window manager does
// (WM_PROTOCOLS / WM_DELETE_WINDOW).
bool SendCloseRequest(const std::string& window);

// The mean brightness (0 to 1) of a rectangle of the screen.
double MeanBrightness(int x, int y, int width, int height);

}  // namespace test
}  // namespace lexidor

#endif  // LEXIDOR_TESTS_X11_SESSION_H_

#include "tests/x11_session.h"

#include <X11/Xlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace lexidor {
namespace test {

namespace {

using Clock = std::chrono::steady_clock;

bool Before(Clock::time_point deadline) { return Clock::now() < deadline; }

void Nap() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

}  // namespace

std::string Shell(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string FindWindow(const std::string& title_regex, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  do {
    std::string ids =
        Shell("xdotool search --onlyvisible --name " + Quote(title_regex) + " 2>/dev/null");
    if (!ids.empty()) return ids.substr(0, ids.find('\n'));
    Nap();
  } while (Before(deadline));
  return std::string();
}

bool WaitWindowGone(const std::string& title_regex, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  do {
    if (Shell("xdotool search --onlyvisible --name " + Quote(title_regex) + " 2>/dev/null")
            .empty()) {
      return true;
    }
    Nap();
  } while (Before(deadline));
  return false;
}

std::string WindowTitle(const std::string& window) {
  return Shell("xdotool getwindowname " + window + " 2>/dev/null");
}

bool WaitTitle(const std::string& window, const std::string& title, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  do {
    if (WindowTitle(window) == title) return true;
    Nap();
  } while (Before(deadline));
  return false;
}

Geometry ScreenSize() {
  Geometry g;
  std::istringstream size(Shell("xdotool getdisplaygeometry"));
  size >> g.width >> g.height;
  return g;
}

Geometry WindowGeometry(const std::string& window) {
  Geometry g;
  std::istringstream lines(Shell("xdotool getwindowgeometry --shell " + window));
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    int value = std::atoi(line.c_str() + eq + 1);
    if (key == "X") g.x = value;
    if (key == "Y") g.y = value;
    if (key == "WIDTH") g.width = value;
    if (key == "HEIGHT") g.height = value;
  }
  return g;
}

void ClickAt(const std::string& window, int x, int y) {
  // (No --sync: it waits for the pointer to move, which never happens when
  // it already stands there.)
  Shell("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
        " sleep 0.1 click 1");
}

// Keys go to the focused window as real input (XTEST): toolkits ignore the
// synthetic events that "xdotool --window" sends.
void TypeText(const std::string& window, const std::string& text) {
  Shell("xdotool windowfocus --sync " + window + " type --delay 20 " + Quote(text));
}

void PressKeys(const std::string& window, const std::string& keys) {
  Shell("xdotool windowfocus --sync " + window + " key --delay 50 " + keys);
}

bool SendCloseRequest(const std::string& window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  Window w = std::strtoul(window.c_str(), nullptr, 10);
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = w;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, w, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return sent != 0;
}

double MeanBrightness(int x, int y, int width, int height) {
  char geometry[64];
  std::snprintf(geometry, sizeof geometry, "%dx%d+%d+%d", width, height, x, y);
  std::string mean = Shell(std::string("import -silent -window root -crop ") + geometry +
                           " png:- 2>/dev/null | convert png:- -format '%[fx:mean]' info:- "
                           "2>/dev/null");
  return mean.empty() ? -1 : std::atof(mean.c_str());
}

}  // namespace test
}  // namespace lexidor

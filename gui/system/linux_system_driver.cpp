#include "gui/system/linux_system_driver.h"

// Xlib only here: its macros (Status, Bool, None, True) must not reach the
// headers of the rest of the program.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "gui/events/event.h"
#include "gui/events/timing.h"
#include "runtime/exceptions.h"

extern char** environ;

namespace lexidor {

constexpr int kMaxSignal = 64;

struct TLinuxSystemDriver::Shared {
  struct Callback {
    MainThreadFunction func;
    ObjectRef data;
    int argument;
  };
  std::mutex mutex;  // guards callbacks only
  std::vector<Callback> callbacks;
  // A byte written here wakes a main thread blocked in WaitMillis when
  // another thread posts a callback.
  int wake_read = -1;
  int wake_write = -1;
  std::array<SignalHandlerFunction, kMaxSignal + 1> signal_handlers{};
};

namespace {

Display* AsDisplay(void* display) { return static_cast<Display*>(display); }

// Writes all of `bytes` to standard output, after anything the C library
// still buffers there, retrying short and interrupted writes.
void WriteOut(const std::string& bytes) {
  std::fflush(stdout);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // standard output is gone: nobody to tell
    done += static_cast<size_t>(n);
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// One answer line from standard input, read byte by byte so that nothing
// past the line is taken from a shared descriptor.  The line break and one
// white-space character before it are dropped; at end of input (or on a
// read error) the answer is whatever arrived, usually the empty string.
// The bytes of one line of standard input, its line feed and one blank
// before it dropped.
std::string ReadAnswerBytes() {
  std::string line;
  for (;;) {
    char c;
    ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return line;
    if (c == '\n') break;
    line.push_back(c);
  }
  if (!line.empty() && IsBlank(line.back())) line.pop_back();
  return line;
}

// An answer as text (UTF-8 from the terminal).
String ReadAnswerLine() { return FromUtf8(ReadAnswerBytes()); }

// A typed path as the file system names it: one character per byte, as
// every path of the program is held, so that "/home/jos\u00e9" typed on a
// UTF-8 terminal names the directory whose name is those UTF-8 bytes.
String ReadAnswerPath() { return FromLatin1(ReadAnswerBytes()); }

// The first character of `answer` with A-Z lower-cased, 0 for none.
char16_t FirstLower(const String& answer) {
  if (answer.empty()) return 0;
  char16_t c = answer[0];
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool EnvironmentSet(const char* name) {
  const char* value = getenv(name);
  return value && *value;
}

void EmitEvent(int32_t id, int32_t data, int32_t x, int32_t y) {
  DispatchEvent(MakeEvent(id, nullptr, data, 0, x, y, nullptr));
}

int TranslatedKeyCode(XKeyEvent* key) {
  KeySym sym = XLookupKeysym(key, 0);
  return KeyCodeOfKeysymByte(static_cast<int>(sym & 0xFF));
}

std::shared_ptr<TLinuxSystemDriver>& ConsoleSlot() {
  static std::shared_ptr<TLinuxSystemDriver> driver;
  return driver;
}

}  // namespace

namespace {

// Keysym low bytes whose key code differs from the byte itself, besides the
// ranges handled in KeyCodeOfKeysymByte.
struct KeyCodeEntry {
  int low_byte;
  int code;
};

constexpr KeyCodeEntry kKeyCodes[] = {
    {20, 145},  {39, 222},  {44, 188},  {45, 189},  {46, 190},  {47, 191},  {59, 186},  {61, 187},
    {80, 36},   {85, 33},   {86, 34},   {87, 35},   {91, 219},  {92, 226},  {93, 221},  {96, 192},
    {127, 144}, {141, 13},  {149, 103}, {150, 100}, {151, 104}, {152, 102}, {153, 98},  {154, 105},
    {155, 99},  {156, 97},  {157, 101}, {158, 96},  {159, 110}, {170, 106}, {171, 107}, {173, 109},
    {175, 111}, {233, 164}, {234, 165}, {235, 91},  {236, 92},  {255, 46},
};

}  // namespace

int KeyCodeOfKeysymByte(int b) {
  for (const KeyCodeEntry& entry : kKeyCodes) {
    if (entry.low_byte == b) return entry.code;
  }
  if (b >= 81 && b <= 84) return b - 44;    // arrows
  if (b >= 97 && b <= 126) return b - 32;   // lower-case letters and {|}~
  if (b >= 190 && b <= 201) return b - 78;  // F1 to F12
  if (b >= 225 && b <= 228) return b - 65;  // shift and control keys
  return b;
}

namespace {

// True when connecting to `display` ("[host]:number[.screen]") is refused
// or finds no socket, or when its host name does not resolve: no server is
// there, and waiting will not bring one.  A busy server (EAGAIN), one that
// accepts, or a name this cannot tell gives false.  The X library's own
// errno is no guide: it tries more than one way in and may leave the last
// one's answer.
bool NoServerListens(const std::string& display) {
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos || colon + 1 >= display.size()) return false;
  const std::string host = display.substr(0, colon);
  const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
  if (number.empty() || number.size() > 4 ||
      number.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  auto refused = [](int family, const sockaddr* address, socklen_t length) {
    const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool no = connect(fd, address, length) != 0 && (errno == ECONNREFUSED || errno == ENOENT);
    close(fd);
    return no;
  };
  if (host.empty() || host == "unix") {
    // The abstract socket first, then the file.
    const std::string path = "/tmp/.X11-unix/X" + number;
    for (bool abstract : {true, false}) {
      sockaddr_un address = {};
      address.sun_family = AF_UNIX;
      const size_t offset = abstract ? 1 : 0;
      if (path.size() + offset >= sizeof address.sun_path) return false;
      std::memcpy(address.sun_path + offset, path.data(), path.size());
      const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                                      path.size() + (abstract ? 0 : 1));
      if (!refused(AF_UNIX, reinterpret_cast<sockaddr*>(&address), length)) return false;
    }
    return true;
  }
  addrinfo hints = {};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(6000 + std::stoi(number));
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return true;
  bool all_refused = found != nullptr;
  for (addrinfo* a = found; a && all_refused; a = a->ai_next) {
    all_refused = refused(a->ai_family, a->ai_addr, a->ai_addrlen);
  }
  freeaddrinfo(found);
  return all_refused;
}

// Keeps what the X library writes on standard error while it lives (its
// reasons for a refused connection) instead of letting it reach the user:
// a batch run needs no display and has nothing to say about one.
class StandardErrorCapture {
 public:
  StandardErrorCapture() {
    std::fflush(stderr);
    saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    memory_ = memfd_create("lexidor-display-messages", MFD_CLOEXEC);
    if (saved_ < 0 || memory_ < 0 || dup2(memory_, STDERR_FILENO) < 0) Restore();
  }
  ~StandardErrorCapture() {
    Restore();
    if (memory_ >= 0) close(memory_);
  }
  // What was written, so far.
  std::string Text() {
    std::string text;
    if (memory_ < 0) return text;
    std::fflush(stderr);
    char buffer[1024];
    for (off_t at = 0;;) {
      const ssize_t n = pread(memory_, buffer, sizeof buffer, at);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
      at += n;
    }
    return text;
  }

 private:
  void Restore() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      dup2(saved_, STDERR_FILENO);
      close(saved_);
      saved_ = -1;
    }
  }
  int saved_ = -1;
  int memory_ = -1;
};

}  // namespace

TLinuxSystemDriver::TLinuxSystemDriver() : shared_(new Shared) {
  // The 1 ms tick must not interrupt the connection to the server (a
  // connect() cut short by a signal makes the X library give up).  A server
  // may turn a connection away without a word: its queue of new connections
  // is full (EAGAIN), or it is resetting because its last client left.  A
  // few more tries over about a second let it make room.  A server that
  // answered (refused authorization: the X library then reports its
  // reason) answers the same again, and a display that no server listens
  // on, or whose host name does not resolve, stays so: neither is tried
  // again.
  {
    TickHold hold;
    StandardErrorCapture messages;
    display_ = XOpenDisplay(nullptr);
    const char* name = getenv("DISPLAY");
    const bool worth_retrying =
        !display_ && name && *name && messages.Text().empty() && !NoServerListens(name);
    for (int pause_ms = 20; worth_retrying && pause_ms <= 640; pause_ms *= 2) {
      PauseMillis(pause_ms);
      display_ = XOpenDisplay(nullptr);
      if (display_ || !messages.Text().empty()) break;
    }
    if (!display_) display_problem_ = messages.Text();
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    shared_->wake_read = fds[0];
    shared_->wake_write = fds[1];
  }
}

TLinuxSystemDriver::~TLinuxSystemDriver() {
  if (display_) {
    if (hidden_cursor_) XFreeCursor(AsDisplay(display_), hidden_cursor_);
    XCloseDisplay(AsDisplay(display_));
  }
  if (shared_->wake_read >= 0) close(shared_->wake_read);
  if (shared_->wake_write >= 0) close(shared_->wake_write);
}

int TLinuxSystemDriver::XConnectionFd() const {
  return display_ ? ConnectionNumber(AsDisplay(display_)) : -1;
}

void TLinuxSystemDriver::HandlePendingX(bool* handled_any) {
  if (!display_) return;
  Display* display = AsDisplay(display_);
  XFlush(display);
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (handled_any) *handled_any = true;
    HandleXEvent(&event);
  }
}

void TLinuxSystemDriver::RunSignalHandler() {
  int signal_number = PendingSignal();
  if (!signal_number) return;
  ClearPendingSignal();
  if (signal_number > 0 && signal_number <= kMaxSignal) {
    if (SignalHandlerFunction handler = shared_->signal_handlers[signal_number]) {
      handler(signal_number);
    }
  }
}

bool TLinuxSystemDriver::CallbacksQueued() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return !shared_->callbacks.empty();
}

void TLinuxSystemDriver::RunMainThreadCallbacks() {
  std::vector<Shared::Callback> taken;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    taken.swap(shared_->callbacks);
  }
  // Outside the mutex: a callback may post further callbacks.
  for (Shared::Callback& record : taken) {
    record.func(record.data, record.argument);
    record.data.reset();
  }
}

void TLinuxSystemDriver::Poll() {
  HandlePendingX(nullptr);
  RunSignalHandler();
  RunMainThreadCallbacks();
}

void TLinuxSystemDriver::Wait() { WaitMillis(1000); }

void TLinuxSystemDriver::WaitMillis(int max_ms) {
  bool handled_any = false;
  HandlePendingX(&handled_any);

  // The tick alone is no reason to stay awake; any other pending signal,
  // or one with a handler, is.
  int signal_number = PendingSignal();
  bool signal_needs_handling =
      signal_number != 0 && (signal_number != SIGALRM || shared_->signal_handlers[SIGALRM]);

  if (!handled_any && !signal_needs_handling && !CallbacksQueued() && max_ms > 0) {
    struct pollfd fds[2];
    nfds_t count = 0;
    if (display_) fds[count++] = {ConnectionNumber(AsDisplay(display_)), POLLIN, 0};
    if (shared_->wake_read >= 0) fds[count++] = {shared_->wake_read, POLLIN, 0};
    struct timespec timeout;
    timeout.tv_sec = max_ms / 1000;
    timeout.tv_nsec = static_cast<long>(max_ms % 1000) * 1000000;
    // The 1 ms tick stays blocked for the length of the wait so it cannot
    // end it; every other signal (SIGCHLD from an ended child) still does.
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    sigaddset(&mask, SIGALRM);
    ppoll(fds, count, &timeout, &mask);  // EINTR: a signal came in, which is a wake-up
    DrainWake();
    HandlePendingX(nullptr);
  }
  RunSignalHandler();
  RunMainThreadCallbacks();
}

void TLinuxSystemDriver::HandleXEvent(const void* xevent) {
  if (raw_hook_ && raw_hook_(xevent)) return;
  TranslateXEvent(xevent);
}

void TLinuxSystemDriver::TranslateXEvent(const void* xevent) {
  // Xlib's lookup functions take non-const events; work on a copy.
  XEvent event = *static_cast<const XEvent*>(xevent);
  switch (event.type) {
    case KeyPress: {
      EmitEvent(EVENT_KEYDOWN, TranslatedKeyCode(&event.xkey), event.xkey.x, event.xkey.y);
      char text[16];
      KeySym sym;
      int length = XLookupString(&event.xkey, text, 15, &sym, nullptr);
      for (int i = 0; i < length; ++i) {
        EmitEvent(EVENT_KEYCHAR, static_cast<signed char>(text[i]), 0, 0);
      }
      break;
    }
    case KeyRelease: {
      int code = TranslatedKeyCode(&event.xkey);
      int id = EVENT_KEYUP;
      Display* display = AsDisplay(display_);
      if (display && XPending(display) > 0) {
        XEvent next;
        XPeekEvent(display, &next);
        if (next.type == KeyPress && next.xkey.keycode == event.xkey.keycode) {
          // Auto-repeat: the server sends release and press back to back.
          XNextEvent(display, &next);
          id = EVENT_KEYREPEAT;
        }
      }
      EmitEvent(id, code, event.xkey.x, event.xkey.y);
      break;
    }
    case ButtonPress: {
      int button = static_cast<int>(event.xbutton.button);
      if (button == 4 || button == 5) {
        EmitEvent(EVENT_MOUSEWHEEL, button == 4 ? 1 : -1, event.xbutton.x, event.xbutton.y);
      } else {
        EmitEvent(EVENT_MOUSEDOWN, button == 1 ? 1 : 5 - button, event.xbutton.x, event.xbutton.y);
      }
      break;
    }
    case ButtonRelease: {
      int button = static_cast<int>(event.xbutton.button);
      // A wheel step is one press/release pair on buttons 4 and 5; the
      // release is not a button coming up and gives no MouseUp.
      if (button == 4 || button == 5) break;
      EmitEvent(EVENT_MOUSEUP, button == 1 ? 1 : 5 - button, event.xbutton.x, event.xbutton.y);
      break;
    }
    case MotionNotify:
      EmitEvent(EVENT_MOUSEMOVE, 0, event.xmotion.x, event.xmotion.y);
      break;
    case MappingNotify:
      // The keyboard layout changed: drop Xlib's cached keysym table so
      // that later key events are looked up in the new one.
      XRefreshKeyboardMapping(&event.xmapping);
      break;
    default:
      break;
  }
}

void TLinuxSystemDriver::MoveMouse(int x, int y) {
  if (!display_ || !app_window_) return;
  Display* display = AsDisplay(display_);
  XWarpPointer(display, 0, app_window_, 0, 0, 0, 0, x, y);
  XFlush(display);
}

void TLinuxSystemDriver::SetMouseVisible(int visible) {
  if (!display_ || !app_window_) return;
  Display* display = AsDisplay(display_);
  if (visible) {
    XUndefineCursor(display, app_window_);
  } else {
    if (!hidden_cursor_) {
      static const char kBlank[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      Pixmap blank = XCreateBitmapFromData(display, app_window_, kBlank, 8, 8);
      XColor black;
      memset(&black, 0, sizeof black);
      hidden_cursor_ = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
      XFreePixmap(display, blank);
    }
    XDefineCursor(display, app_window_, hidden_cursor_);
  }
  XFlush(display);
}

void TLinuxSystemDriver::Notify(const String& text, int) { WriteOut(ToUtf8(text) + "\r\n"); }

int TLinuxSystemDriver::Confirm(const String& text, int) {
  WriteOut(ToUtf8(text) + " (Yes/No)?");
  return FirstLower(ReadAnswerLine()) == u'y' ? 1 : 0;
}

int TLinuxSystemDriver::Proceed(const String& text, int) {
  WriteOut(ToUtf8(text) + " (Yes/No/Cancel)?");
  char16_t first = FirstLower(ReadAnswerLine());
  if (first == u'y') return 1;
  if (first == u'n') return 0;
  return -1;
}

String TLinuxSystemDriver::RequestFile(const String&, const String&, int, const String&) {
  WriteOut("Enter a filename:");
  return ReadAnswerPath();
}

String TLinuxSystemDriver::RequestDir(const String&, const String&) {
  WriteOut("Enter a directory name:");
  return ReadAnswerPath();
}

int TLinuxSystemDriver::OpenURL(const String& url) {
  // Paths, and so file URLs made from them, hold one byte per character:
  // those bytes go on as they are.  Only text with characters beyond a
  // byte (typed by a user) is encoded, as UTF-8.
  bool bytes = true;
  for (char16_t c : url) bytes = bytes && c <= 0xFF;
  const std::string target = bytes ? ToLatin1(url) : ToUtf8(url);
  std::vector<std::string> args;
  if (EnvironmentSet("KDE_FULL_DESKTOP")) {
    args = {"kfmclient", "exec", target};
  } else if (EnvironmentSet("GNOME_DESKTOP_SESSION_ID")) {
    args = {"gnome-open", target};
  } else {
    return 0;
  }
  // Started directly, not through a shell: the URL is one argument and
  // quotes, $(...) or backquotes in it are never interpreted.
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  pid_t pid;
  int error = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    std::string message = "Cannot start " + args[0] + ": " + strerror(error) + "\n";
    ssize_t ignored = write(STDERR_FILENO, message.data(), message.size());
    (void)ignored;
    return 0;
  }
  // The openers hand the URL to the browser and end; wait for that so no
  // zombie is left.  ECHILD means the process module's reaper was quicker.
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  return 0;
}

int TLinuxSystemDriver::Emit(const void*, const ObjectRef&) {
  throw TRuntimeException(u"The console system driver cannot emit platform events");
}

void TLinuxSystemDriver::SetSignalHandler(int signal_number, SignalHandlerFunction handler) {
  if (signal_number <= 0 || signal_number > kMaxSignal) return;
  shared_->signal_handlers[signal_number] = handler;
}

void TLinuxSystemDriver::PostMainThreadCallback(MainThreadFunction func, ObjectRef data,
                                                int argument) {
  if (!func) return;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->callbacks.push_back({func, std::move(data), argument});
  }
  if (shared_->wake_write >= 0) {
    char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost by EAGAIN.
    while (write(shared_->wake_write, &byte, 1) < 0 && errno == EINTR) {
    }
  }
}

int TLinuxSystemDriver::WakeDescriptor() const { return shared_->wake_read; }

void TLinuxSystemDriver::DrainWake() {
  if (shared_->wake_read < 0) return;
  char drain[64];
  while (read(shared_->wake_read, drain, sizeof drain) > 0) {
  }
}

const std::shared_ptr<TLinuxSystemDriver>& ConsoleSystemDriver() { return ConsoleSlot(); }

void InitSystemModule() {
  if (ConsoleSlot()) return;
  InitTimingModule();
  ConsoleSlot() = std::make_shared<TLinuxSystemDriver>();
  SetActiveSystemDriver(ConsoleSlot());
}

}  // namespace lexidor

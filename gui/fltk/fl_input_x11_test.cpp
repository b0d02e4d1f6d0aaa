// Real input through the FLTK driver: xdotool clicks and keys on a real X
// server (Xvfb), window-manager messages sent with Xlib, and the pump's
// waiting.
#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gui/fltk/fl_x11_test_support.h"
#include "gui/fltk/hot_keys.h"
#include "gui/fltk/widget/fl_keys.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace lexidor {
namespace fltest {
namespace {

Display* XDisplayOfDriver() { return static_cast<Display*>(ConsoleSystemDriver()->XDisplay()); }

class FlInputTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"input", 0, 0, 400, 200, 513);
    ASSERT_NE(window_, nullptr);
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    TakeEvents();
  }
  // Runs xdotool with `commands` against this window ("W" in a command is
  // replaced by the window id), then lets the events arrive.
  std::vector<Seen> Xdotool(const std::string& commands, int settle_ms = 300) {
    std::string line = "xdotool " + commands;
    for (size_t at = line.find(" W "); at != std::string::npos; at = line.find(" W ", at)) {
      line.replace(at + 1, 1, std::to_string(xid_));
    }
    RunCommand(line);
    Settle(settle_ms);
    return TakeEvents();
  }
  // Clicks at (x, y) of the window's client area.
  std::vector<Seen> ClickAt(int x, int y) {
    // Without --sync: it would wait for a move that never comes when the
    // pointer is there already.  The server keeps the move before the click.
    return Xdotool("mousemove --window W " + std::to_string(x) + " " + std::to_string(y) +
                   " sleep 0.05 click 1");
  }

  // Presses and releases the key of `keysym` in this window.
  void SendKey(KeySym keysym) {
    Display* display = XDisplayOfDriver();
    XEvent event = {};
    event.xkey.display = display;
    event.xkey.window = xid_;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.time = CurrentTime;
    event.xkey.x = event.xkey.y = 10;
    event.xkey.x_root = event.xkey.y_root = 10;
    event.xkey.same_screen = True;
    event.xkey.keycode = XKeysymToKeycode(display, keysym);
    event.type = KeyPress;
    XSendEvent(display, xid_, True, KeyPressMask, &event);
    event.type = KeyRelease;
    XSendEvent(display, xid_, True, KeyReleaseMask, &event);
    XFlush(display);
    Settle(200);
  }

  GadgetRef window_;
  unsigned long xid_ = 0;
};

TEST_F(FlInputTest, ClickOnAPushButtonPostsGadgetActionWithTagAndPointerPosition) {
  GadgetRef button = NewButton(u" BUILD ", 20, 30, 100, 30, window_, 8);
  FL(button)->tag = 7;
  Settle();
  std::vector<Seen> seen = Only(ClickAt(25, 37), {EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, button);
  EXPECT_EQ(seen[0].data, 7);
  EXPECT_EQ(seen[0].x, 5);
  EXPECT_EQ(seen[0].y, 7);
  // A disabled button posts nothing.
  DisableGadgetInput(button);
  EXPECT_TRUE(Only(ClickAt(25, 37), {EVENT_GADGETACTION}).empty());
}

TEST_F(FlInputTest, PressAndReleaseReadTogetherAreHandledInTheirOrder) {
  // The console driver reads every pending X event before handing them to
  // FLTK one by one; a release read along with its press must not reach
  // FLTK first, or the click is lost.
  GadgetRef button = NewButton(u"b", 20, 30, 100, 30, window_, 0);
  Settle();
  Display* display = XDisplayOfDriver();
  XEvent event = {};
  event.xbutton.display = display;
  event.xbutton.window = xid_;
  event.xbutton.root = DefaultRootWindow(display);
  event.xbutton.time = CurrentTime;
  event.xbutton.x = 30;
  event.xbutton.y = 40;
  event.xbutton.same_screen = True;
  event.xbutton.button = Button1;
  event.type = ButtonPress;
  XSendEvent(display, xid_, True, ButtonPressMask, &event);
  event.type = ButtonRelease;
  event.xbutton.state = Button1Mask;
  XSendEvent(display, xid_, True, ButtonReleaseMask, &event);
  XSync(display, False);          // both are in Xlib's queue before the driver looks
  ConsoleSystemDriver()->Poll();  // the console driver's own read, as in a wait
  Settle(100);
  std::vector<Seen> seen = Only(TakeEvents(), {EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, button);
  EXPECT_EQ(seen[0].x, 10);
  EXPECT_EQ(seen[0].y, 10);
}

TEST_F(FlInputTest, ClickOnACheckBoxPostsGadgetActionAndFlipsIt) {
  GadgetRef check = NewButton(u"Rebuild docs", 20, 80, 150, 24, window_, 2);
  FL(check)->tag = 3;
  Settle();
  std::vector<Seen> seen = Only(ClickAt(30, 90), {EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, check);
  EXPECT_EQ(seen[0].data, 3);
  EXPECT_EQ(seen[0].x, 0);
  EXPECT_EQ(seen[0].y, 0);
  EXPECT_EQ(ButtonCheckState(check), 1);
  EXPECT_EQ(Only(ClickAt(30, 90), {EVENT_GADGETACTION}).size(), 1u);
  EXPECT_EQ(ButtonCheckState(check), 0);
}

TEST_F(FlInputTest, ClickOnARadioButtonClearsItsSiblingsBeforeGadgetAction) {
  GadgetRef a = NewButton(u"a", 20, 30, 100, 24, window_, 3);
  GadgetRef b = NewButton(u"b", 20, 60, 100, 24, window_, 3);
  ChangeButtonCheck(a, 1);
  Settle();
  std::vector<Seen> seen = Only(ClickAt(28, 72), {EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, b);
  EXPECT_EQ(ButtonCheckState(a), 0);
  EXPECT_EQ(ButtonCheckState(b), 1);
  // Clicking the selected one again keeps it selected.
  ClickAt(28, 72);
  EXPECT_EQ(ButtonCheckState(b), 1);
}

TEST_F(FlInputTest, WindowManagerCloseRequestPostsOneWindowCloseAndTheWindowStays) {
  Display* display = XDisplayOfDriver();
  XEvent message = {};
  message.xclient.type = ClientMessage;
  message.xclient.window = xid_;
  message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  message.xclient.format = 32;
  message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  message.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, xid_, False, NoEventMask, &message);
  XFlush(display);
  Settle(300);
  std::vector<Seen> seen = TakeEvents();
  ASSERT_EQ(Only(seen, {EVENT_WINDOWCLOSE}).size(), 1u);
  EXPECT_EQ(Only(seen, {EVENT_WINDOWCLOSE})[0].source, window_);
  EXPECT_EQ(window_->State() & STATE_HIDDEN, 0);
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(display, xid_, &attributes));
  EXPECT_EQ(attributes.map_state, IsViewable);
}

TEST_F(FlInputTest, MovingAndResizingPostOnlyWhatChanged) {
  GadgetRef label = NewLabel(u"x", 0, 0, 400, 20, window_, 0);
  SetGadgetLayout(label, EDGE_ANCHORED, EDGE_ANCHORED, EDGE_ANCHORED, 0);
  Settle();
  TakeEvents();

  std::vector<Seen> moved =
      Only(Xdotool("windowmove W 100 120"), {EVENT_WINDOWMOVE, EVENT_WINDOWSIZE});
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(moved[0].id, EVENT_WINDOWMOVE);
  EXPECT_EQ(moved[0].x, 100);
  EXPECT_EQ(moved[0].y, 120);
  EXPECT_EQ(GadgetX(window_), 100);
  EXPECT_EQ(GadgetY(window_), 120);

  std::vector<Seen> sized =
      Only(Xdotool("windowsize W 500 260"), {EVENT_WINDOWMOVE, EVENT_WINDOWSIZE});
  ASSERT_EQ(sized.size(), 1u);
  EXPECT_EQ(sized[0].id, EVENT_WINDOWSIZE);
  EXPECT_EQ(sized[0].x, 500);
  EXPECT_EQ(sized[0].y, 260);
  EXPECT_EQ(GadgetClientWidth(window_), 500);
  EXPECT_EQ(label->width, 500) << "the client area was laid out again";

  // Nothing changed: nothing posted.
  EXPECT_TRUE(Only(Xdotool("windowmove W 100 120"), {EVENT_WINDOWMOVE, EVENT_WINDOWSIZE}).empty());
  SetGadgetShape(window_, 100, 120, 500, 260);
  Settle();
  EXPECT_TRUE(Only(TakeEvents(), {EVENT_WINDOWMOVE, EVENT_WINDOWSIZE}).empty());
}

TEST_F(FlInputTest, KeyHeldOverAnActivePanelGivesKeyDownKeyRepeatKeyUp) {
  GadgetRef panel = NewPanel(10, 10, 200, 100, window_, PANEL_ACTIVE | PANEL_SUNKEN);
  Settle();
  std::vector<Seen> mouse = Only(ClickAt(50, 60), {EVENT_MOUSEDOWN, EVENT_MOUSEUP});
  ASSERT_EQ(mouse.size(), 2u);
  EXPECT_EQ(mouse[0].id, EVENT_MOUSEDOWN);
  EXPECT_EQ(mouse[0].data, 1);
  EXPECT_EQ(mouse[0].x, 40);
  EXPECT_EQ(mouse[0].y, 50);
  EXPECT_EQ(mouse[1].id, EVENT_MOUSEUP);

  // The server repeats a held key; FLTK sees more presses and one release.
  RunCommand("xdotool keydown a");
  Settle(900);
  RunCommand("xdotool keyup a");
  Settle(200);
  std::vector<Seen> keys = Only(TakeEvents(), {EVENT_KEYDOWN, EVENT_KEYREPEAT, EVENT_KEYUP});
  ASSERT_GE(keys.size(), 3u);
  EXPECT_EQ(keys.front().id, EVENT_KEYDOWN);
  EXPECT_EQ(keys[1].id, EVENT_KEYREPEAT);
  EXPECT_EQ(keys.back().id, EVENT_KEYUP);
  for (size_t i = 1; i + 1 < keys.size(); ++i) EXPECT_EQ(keys[i].id, EVENT_KEYREPEAT);
  for (const Seen& key : keys) {
    EXPECT_EQ(key.data, 65);
    EXPECT_EQ(key.source, panel);
  }
  // After the release the next press is a new KeyDown, with its modifiers.
  std::vector<Seen> shifted = Only(Xdotool("key shift+b"), {EVENT_KEYDOWN, EVENT_KEYUP});
  ASSERT_GE(shifted.size(), 2u);
  EXPECT_EQ(shifted[0].id, EVENT_KEYDOWN);
  EXPECT_EQ(shifted[0].data, 160);  // Shift first
  EXPECT_EQ(Only(shifted, {EVENT_KEYDOWN}).back().data, 66);
  EXPECT_EQ(Only(shifted, {EVENT_KEYDOWN}).back().mods, 1);
}

// An active panel hears the wheel only over itself, keys only while it has
// the focus, and mouse downs and ups in pairs: what happens elsewhere, or to
// a button inside it, is not its business.
TEST_F(FlInputTest, AnActivePanelReportsOnlyItsOwnEvents) {
  GadgetRef panel = NewPanel(10, 10, 200, 100, window_, PANEL_ACTIVE | PANEL_GROUP);
  GadgetRef inner = NewButton(u"in", 20, 30, 60, 24, panel, 0);
  GadgetRef field = NewTextField(250, 30, 120, 26, window_, 0);
  Settle();
  auto panel_events = [&](const std::vector<Seen>& seen) {
    std::vector<Seen> mine;
    for (const Seen& s : Only(seen, {EVENT_MOUSEDOWN, EVENT_MOUSEUP, EVENT_MOUSEWHEEL,
                                     EVENT_KEYDOWN, EVENT_KEYUP})) {
      if (s.source == panel) mine.push_back(s);
    }
    return mine;
  };
  ASSERT_EQ(panel_events(ClickAt(150, 80)).size(), 2u);  // the panel's own click
  EXPECT_EQ(panel_events(Xdotool("mousemove --window W 300 150 sleep 0.05 click 5")).size(), 0u)
      << "a wheel over empty space";
  std::vector<Seen> wheel = panel_events(Xdotool("mousemove --window W 150 80 sleep 0.05 click 5"));
  ASSERT_EQ(wheel.size(), 1u);
  EXPECT_EQ(wheel[0].id, EVENT_MOUSEWHEEL);
  ClickAt(300, 40);  // into the text field
  EXPECT_EQ(panel_events(Xdotool("type ab")).size(), 0u) << "keys typed in the text field";
  Fl_Widget* in = FL(inner)->flhandle;
  std::vector<Seen> button = ClickAt(in->x() + in->w() / 2, in->y() + in->h() / 2);
  EXPECT_EQ(panel_events(button).size(), 0u) << "a click on the button inside";
  EXPECT_EQ(Only(button, {EVENT_GADGETACTION}).size(), 1u);
  (void)field;
}

TEST_F(FlInputTest, FocusingAWindowPostsWindowActivate) {
  // The focus given to these windows would go nowhere once they are gone,
  // and the keys of later tests with it: it goes back to the pointer.
  struct FocusFollowsPointerAgain {
    ~FocusFollowsPointerAgain() {
      XSetInputFocus(XDisplayOfDriver(), PointerRoot, RevertToPointerRoot, CurrentTime);
      XFlush(XDisplayOfDriver());
    }
  } restore;
  GadgetRef other = Window(u"other", 450, 0, 200, 100, 513);
  Settle();
  const std::string other_xid = std::to_string(XidOf(other));
  TakeEvents();
  std::vector<Seen> seen = Only(Xdotool("windowfocus --sync " + other_xid +
                                        " sleep 0.2 windowfocus --sync W sleep 0.2 windowfocus "
                                        "--sync W"),
                                {EVENT_WINDOWACTIVATE});
  ASSERT_EQ(seen.size(), 2u) << "once for each change of window";
  EXPECT_EQ(seen[0].source, other);
  EXPECT_EQ(seen[1].source, window_);
}

// What a key filter was asked.
struct Asked {
  int id;
  ObjectRef source;
  int data;
  int mods;
};

// A key filter that records what it is asked and refuses the letter x.
std::vector<Asked>* filtered = nullptr;
int RefuseX(const EventRef& event, const ObjectRef&) {
  if (filtered) filtered->push_back({event->id, event->source, event->data, event->mods});
  return !(event->id == EVENT_KEYCHAR && event->data == 'x');
}

TEST_F(FlInputTest, KeyFilterReturningZeroKeepsACharacterOutOfATextField) {
  GadgetRef field = NewTextField(20, 30, 200, 26, window_, 0);
  std::vector<Asked> asked;
  filtered = &asked;
  SetGadgetFilter(field, RefuseX, nullptr);
  ActivateGadget(field);
  Settle();
  std::vector<Seen> seen = Xdotool("type --delay 30 axb");
  filtered = nullptr;
  EXPECT_EQ(GadgetText(field), u"ab");
  std::vector<Asked> expected_asks = {
      {EVENT_KEYDOWN, field, 65, 0}, {EVENT_KEYCHAR, field, 'a', 0},
      {EVENT_KEYDOWN, field, 88, 0}, {EVENT_KEYCHAR, field, 'x', 0},
      {EVENT_KEYDOWN, field, 66, 0}, {EVENT_KEYCHAR, field, 'b', 0},
  };
  ASSERT_EQ(asked.size(), expected_asks.size());
  for (size_t i = 0; i < asked.size(); ++i) {
    EXPECT_EQ(asked[i].id, expected_asks[i].id) << i;
    EXPECT_EQ(asked[i].data, expected_asks[i].data) << i;
    EXPECT_EQ(asked[i].source, field) << i;
  }
  // The refused key made no action; the other two did (data -1: no choice).
  std::vector<Seen> actions = Only(seen, {EVENT_GADGETACTION});
  EXPECT_EQ(actions.size(), 1u) << "two actions of one field coalesce in the queue";
  if (!actions.empty()) {
    EXPECT_EQ(actions[0].data, -1);
  }
}

TEST_F(FlInputTest, RightControlNeverReachesATextField) {
  GadgetRef field = NewTextField(20, 30, 200, 26, window_, 0);
  ChangeGadgetText(field, u"keep");
  std::vector<Asked> asked;
  filtered = &asked;
  SetGadgetFilter(field, RefuseX, nullptr);
  ActivateGadget(field);
  Settle();
  // xdotool presses Control_L along with Control_R: the keys go to the
  // window from Xlib instead.
  SendKey(XK_Control_R);
  EXPECT_TRUE(asked.empty()) << "the filter must not even be asked";
  SendKey(XK_Control_L);
  filtered = nullptr;
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].id, EVENT_KEYDOWN);
  EXPECT_EQ(asked[0].data, 162);
  EXPECT_EQ(GadgetText(field), u"keep");
}

TEST_F(FlInputTest, BoundHotKeysEmitTheirEvents) {
  GadgetRef button = NewButton(u"b", 20, 30, 100, 30, window_, 0);
  Settle();
  ClickAt(300, 150);  // the pointer in the window, away from the button
  HotKeyRef f5 = BindHotKey(116, 0, nullptr, 0);
  const int quit_id = NewUserEventId();
  HotKeyRef quit = BindHotKey(81, MODIFIER_CONTROL, MakeEvent(quit_id, window_, 9), 0);

  std::vector<Seen> seen = Only(Xdotool("key F5"), {EVENT_HOTKEYHIT, quit_id});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_HOTKEYHIT);
  EXPECT_EQ(seen[0].data, 116);
  EXPECT_EQ(seen[0].mods, 0);

  seen = Only(Xdotool("key ctrl+q"), {EVENT_HOTKEYHIT, quit_id});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, quit_id);
  EXPECT_EQ(seen[0].data, 9);
  EXPECT_EQ(seen[0].source, window_);

  // Plain q is another combination.
  EXPECT_TRUE(Only(Xdotool("key q"), {EVENT_HOTKEYHIT, quit_id}).empty());

  // A binding owned by a widget counts only while it has the focus.
  HotKeyRef owned = BindHotKey(117, 0, nullptr, QueryGadget(button, 5));
  EXPECT_TRUE(Only(Xdotool("key F6"), {EVENT_HOTKEYHIT}).empty());
  ActivateGadget(button);
  seen = Only(Xdotool("key F6"), {EVENT_HOTKEYHIT});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].data, 117);
  UnbindHotKey(owned);
  UnbindHotKey(f5);
  UnbindHotKey(quit);
  EXPECT_TRUE(Only(Xdotool("key F5 ctrl+q"), {EVENT_HOTKEYHIT, quit_id}).empty());
}

TEST_F(FlInputTest, ListBoxClickSelectsAndDoubleClickActs) {
  GadgetRef list = NewListBox(20, 20, 200, 120, window_, 0);
  for (const char16_t* text : {u"Regular", u"Bold", u"Italic"}) {
    AddGadgetItem(list, text, u"", -1, BoxString(text));
  }
  Settle();
  // The second line: lines are about 16 pixels high under the 12-point font.
  std::vector<Seen> seen = Only(ClickAt(60, 45), {EVENT_GADGETSELECT, EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETSELECT);
  EXPECT_EQ(seen[0].source, list);
  EXPECT_EQ(seen[0].data, 1);
  EXPECT_EQ(seen[0].text, u"Bold");
  EXPECT_EQ(SelectedGadgetItem(list), 1);
  // The same line again, a while later (FLTK counts clicks within a second
  // as one double click): no news.  Twice quickly: the list's action.
  Settle(1100);
  EXPECT_TRUE(Only(ClickAt(60, 45), {EVENT_GADGETSELECT, EVENT_GADGETACTION}).empty());
  Settle(1100);
  seen = Only(Xdotool("mousemove --window W 60 45 sleep 0.05 click --repeat 2 --delay 60 1"),
              {EVENT_GADGETSELECT, EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETACTION);
  EXPECT_EQ(seen[0].data, 1);
  EXPECT_EQ(seen[0].text, u"Bold");
  // A choice made by the program is not reported.
  SelectGadgetItem(list, 2);
  Settle();
  EXPECT_TRUE(Only(TakeEvents(), {EVENT_GADGETSELECT, EVENT_GADGETACTION}).empty());
}

TEST_F(FlInputTest, ComboBoxPickPostsGadgetActionWithTheIndex) {
  GadgetRef combo = NewComboBox(20, 20, 200, 26, window_, 0);
  for (const char16_t* text : {u"6", u"8", u"10"}) AddGadgetItem(combo, text);
  SelectGadgetItem(combo, 0);
  Settle();
  // The click opens the list, whose own loop runs until a pick: the keys
  // come from a process of their own meanwhile.
  RunCommand("(sleep 0.7; xdotool key Down Return) >/dev/null 2>&1 &");
  std::vector<Seen> seen = Only(ClickAt(60, 33), {EVENT_GADGETACTION});
  Settle(900);
  for (const Seen& later : Only(TakeEvents(), {EVENT_GADGETACTION})) seen.push_back(later);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, combo);
  EXPECT_EQ(seen[0].data, 1);
  EXPECT_EQ(SelectedGadgetItem(combo), 1);
}

int ContextSwitches() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<int>(usage.ru_nvcsw + usage.ru_nivcsw);
}

TEST_F(FlInputTest, AwaitEventSleepsUntilInputArrives) {
  GadgetRef button = NewButton(u"b", 20, 30, 100, 30, window_, 0);
  RunCommand("xdotool mousemove --sync --window " + std::to_string(xid_) + " 30 40");
  Settle();
  TakeEvents();
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    usleep(1500000);
    execlp("xdotool", "xdotool", "click", "1", static_cast<char*>(nullptr));
    _exit(127);
  }
  const int switches = ContextSwitches();
  auto start = std::chrono::steady_clock::now();
  int id = AwaitEvent();
  double took =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const int woken = ContextSwitches() - switches;
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(id, EVENT_GADGETACTION);
  EXPECT_EQ(CurrentEventSource(), button);
  EXPECT_GE(took, 1300.0);
  EXPECT_LT(took, 2400.0) << "the wait must end when the click arrives";
  // A wait that polled every millisecond would wake about 1500 times here.
  EXPECT_LT(woken, 100) << "the idle wait woke " << woken << " times";
}

int timeout_fired = 0;
void CountTimeout(void*) { ++timeout_fired; }

TEST_F(FlInputTest, FltkTimeoutsFireOnTimeWhileTheProgramWaits) {
  // FLTK's own timers (tooltips, repeating buttons) must not wait for the
  // next X event or for the end of a one-second wait.
  timeout_fired = 0;
  Fl::add_timeout(0.3, CountTimeout);
  auto start = std::chrono::steady_clock::now();
  while (!timeout_fired &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(3000)) {
    BlockForSystemEvents();
  }
  double took =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(timeout_fired, 1);
  EXPECT_GE(took, 280.0);
  EXPECT_LT(took, 600.0);
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor

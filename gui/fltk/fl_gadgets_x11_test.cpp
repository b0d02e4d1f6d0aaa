// The FLTK driver's gadgets on a real X server: windows, labels, colours,
// the redraw queue, state, lists, fonts and freeing.
#include <FL/Fl_Widget.H>

#include "gui/fltk/fl_x11_test_support.h"
#include "runtime/exceptions.h"

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace lexidor {
namespace fltest {
namespace {

Display* XDisplayOfDriver() { return static_cast<Display*>(ConsoleSystemDriver()->XDisplay()); }

// Where the X window's top-left corner is on the screen.
void RootPosition(unsigned long xid, int* x, int* y) {
  Display* display = XDisplayOfDriver();
  Window child;
  XTranslateCoordinates(display, xid, DefaultRootWindow(display), 0, 0, x, y, &child);
}

// The decorations the window asks the window manager for through the Motif
// hints: -1 when it does not restrict them.
long AskedDecorations(unsigned long xid) {
  Display* display = XDisplayOfDriver();
  Atom hints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  long decorations = -1;
  if (XGetWindowProperty(display, xid, hints, 0, 5, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data && count >= 3 && format == 32) {
    const long* fields = reinterpret_cast<const long*>(data);
    if (fields[0] & 2) decorations = fields[2];  // MWM_HINTS_DECORATIONS
  }
  if (data) XFree(data);
  return decorations;
}

std::string XTitle(unsigned long xid) {
  char* name = nullptr;
  std::string title;
  if (XFetchName(XDisplayOfDriver(), xid, &name) && name) title = name;
  if (name) XFree(name);
  return title;
}

using FlGadgetsTest = DriverTest;

TEST_F(FlGadgetsTest, TitledWindowIsCentredOnTheScreenAndTitled) {
  GadgetRef desktop = DesktopGadget();
  ASSERT_NE(desktop, nullptr);
  // The tests run on more than one screen size: the desktop is the screen.
  Display* display = XDisplayOfDriver();
  const int screen_w = DisplayWidth(display, DefaultScreen(display));
  const int screen_h = DisplayHeight(display, DefaultScreen(display));
  EXPECT_EQ(desktop->width, screen_w);
  EXPECT_EQ(desktop->height, screen_h);

  GadgetRef window = Window(u"Lexidor 1.0", 100, 100, 400, 130, 513);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Class(), KIND_WINDOW);
  EXPECT_EQ(GadgetX(window), (screen_w - 400) / 2);
  EXPECT_EQ(GadgetY(window), (screen_h - 130) / 2);
  Settle();
  unsigned long xid = XidOf(window);
  ASSERT_NE(xid, 0u);
  int x = 0, y = 0;
  RootPosition(xid, &x, &y);
  EXPECT_EQ(x, (screen_w - 400) / 2);
  EXPECT_EQ(y, (screen_h - 130) / 2);
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(XDisplayOfDriver(), xid, &attributes));
  EXPECT_EQ(attributes.width, 400);
  EXPECT_EQ(attributes.height, 130);
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_EQ(XTitle(xid), "Lexidor 1.0");
  EXPECT_NE(AskedDecorations(xid), 0) << "a titled window must keep its border";
  EXPECT_EQ(GadgetText(window), u"Lexidor 1.0");

  ChangeGadgetText(window, u"Creating index....");
  Settle(50);
  EXPECT_EQ(XTitle(xid), "Creating index....");
}

TEST_F(FlGadgetsTest, WindowWithoutTitleBitHasNoBorderAndHiddenBitStaysHidden) {
  GadgetRef bare = Window(u"bare", 0, 0, 200, 100, 512);
  GadgetRef hidden = Window(u"hidden", 10, 10, 200, 100, 1 | 0x40);
  Settle();
  unsigned long xid = XidOf(bare);
  ASSERT_NE(xid, 0u);
  EXPECT_EQ(AskedDecorations(xid), 0);
  int x = -1, y = -1;
  RootPosition(xid, &x, &y);
  Display* display = XDisplayOfDriver();
  // Centred by the style's 0x200.
  EXPECT_EQ(x, (DisplayWidth(display, DefaultScreen(display)) - 200) / 2);
  EXPECT_EQ(y, (DisplayHeight(display, DefaultScreen(display)) - 100) / 2);
  EXPECT_EQ(XidOf(hidden), 0u);
  EXPECT_EQ(hidden->State() & STATE_HIDDEN, STATE_HIDDEN);
  ShowGadget(hidden);
  Settle();
  EXPECT_NE(XidOf(hidden), 0u);
  EXPECT_EQ(hidden->State() & STATE_HIDDEN, 0);
}

TEST_F(FlGadgetsTest, LabelFrameAndAlignmentFollowItsStyle) {
  GadgetRef window = Window(u"labels", 0, 0, 300, 300, 1);
  struct Case {
    int style, box, align;
  } cases[] = {
      {0, FLBOX_NO_BOX, 148},         {1, FLBOX_BORDER_FRAME, 148}, {2, FLBOX_DOWN_FRAME, 148},
      {3, FLBOX_ENGRAVED_FRAME, 148}, {4, FLBOX_NO_BOX, 148},       {8, FLBOX_NO_BOX, 152},
      {16, FLBOX_NO_BOX, 144},        {24, FLBOX_NO_BOX, 144},      {17, FLBOX_BORDER_FRAME, 144},
      {10, FLBOX_DOWN_FRAME, 152},
  };
  for (const Case& c : cases) {
    GadgetRef label = NewLabel(u"text", 10, 10, 100, 20, window, c.style);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Class(), KIND_LABEL);
    EXPECT_EQ(glue_get_box(FL(label)->flhandle), c.box) << "style " << c.style;
    EXPECT_EQ(glue_get_align(FL(label)->flhandle), c.align) << "style " << c.style;
    EXPECT_EQ(GadgetText(label), u"text");
  }
}

TEST_F(FlGadgetsTest, PanelsHaveTheirFrames) {
  GadgetRef window = Window(u"panels", 0, 0, 300, 300, 1);
  struct Case {
    int style, box;
  } cases[] = {
      {0, FLBOX_NO_BOX},
      {PANEL_SUNKEN, FLBOX_DOWN_FRAME},
      {PANEL_GROUP, FLBOX_ENGRAVED_FRAME},
      {PANEL_GROUP | PANEL_SUNKEN | PANEL_ACTIVE, FLBOX_ENGRAVED_FRAME},
  };
  for (const Case& c : cases) {
    GadgetRef panel = NewPanel(10, 10, 100, 60, window, c.style);
    EXPECT_EQ(glue_get_box(FL(panel)->flhandle), c.box) << "style " << c.style;
  }
}

TEST_F(FlGadgetsTest, KidsOfAWindowGoIntoItsClientAtTheirPlace) {
  GadgetRef window = Window(u"client", 0, 0, 300, 200, 1);
  GadgetRef label = NewLabel(u"a", 12, 34, 100, 20, window, 0);
  TFLWidget* w = FL(window);
  ASSERT_NE(w->client, nullptr);
  EXPECT_EQ(label->parent, w->client.get());
  EXPECT_EQ(GadgetClientWidth(window), 300);
  EXPECT_EQ(GadgetClientHeight(window), 200);
  int x, y, width, height;
  glue_widget_geometry(FL(label)->flhandle, &x, &y, &width, &height);
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 34);
  // A kid anchored left and right follows the window's width.
  SetGadgetLayout(label, EDGE_ANCHORED, EDGE_ANCHORED, EDGE_ANCHORED, 0);
  SetGadgetShape(window, 0, 0, 500, 200);
  EXPECT_EQ(label->width, 300);
  glue_widget_geometry(FL(label)->flhandle, &x, &y, &width, &height);
  EXPECT_EQ(width, 300);
}

TEST_F(FlGadgetsTest, EveryGadgetKindMakesItsFltkWidget) {
  GadgetRef window = Window(u"kinds", 0, 0, 400, 300, 1);
  struct Case {
    int kind, style, fltype;
  } cases[] = {
      {KIND_PANEL, 0, FLTYPE_PANEL},          {KIND_PANEL, PANEL_GROUP, FLTYPE_GROUPPANEL},
      {KIND_TEXTFIELD, 0, FLTYPE_INPUT},      {KIND_TEXTFIELD, 1, FLTYPE_SECRETINPUT},
      {KIND_TEXTAREA, 0, FLTYPE_TEXTEDITOR},  {KIND_TEXTAREA, 2, FLTYPE_TEXTDISPLAY},
      {KIND_COMBOBOX, 0, FLTYPE_CHOICE},      {KIND_COMBOBOX, 1, FLTYPE_INPUTCHOICE},
      {KIND_LISTBOX, 0, FLTYPE_HOLDBROWSER},  {KIND_LISTBOX, 1, FLTYPE_MULTIBROWSER},
      {KIND_TOOLBAR, 0, FLTYPE_TOOLBAR},      {KIND_TABBER, 0, FLTYPE_TABS},
      {KIND_TREEVIEW, 0, FLTYPE_TREE},        {KIND_HTMLVIEW, 0, FLTYPE_HELPVIEW},
      {KIND_SLIDER, 4, FLTYPE_SLIDER},        {KIND_SLIDER, 1, FLTYPE_SCROLLBAR},
      {KIND_PROGRESSBAR, 0, FLTYPE_PROGRESS}, {KIND_CANVAS, 0, FLTYPE_CANVAS},
  };
  for (const Case& c : cases) {
    GadgetRef gadget =
        ActiveGuiDriver()->CreateGadget(c.kind, String(), 10, 10, 100, 50, window, c.style);
    ASSERT_NE(gadget, nullptr) << "kind " << c.kind;
    EXPECT_EQ(gadget->Class(), c.kind);
    EXPECT_EQ(FL(gadget)->fltype, c.fltype) << "kind " << c.kind << " style " << c.style;
    EXPECT_NE(FL(gadget)->flhandle, nullptr) << "kind " << c.kind;
    EXPECT_EQ(gadget->parent, FL(window)->client.get());
  }
  // Tree nodes come from their tree only.
  EXPECT_THROW(ActiveGuiDriver()->CreateGadget(KIND_TREENODE, String(), 0, 0, 0, 0, window, 0),
               TThrownText);
  Settle();
}

TEST_F(FlGadgetsTest, ColoursBecomeFltkValuesWithBlackAsIndex56) {
  GadgetRef window = Window(u"colours", 0, 0, 300, 100, 1);
  GadgetRef button = NewButton(u"b", 10, 10, 80, 24, window, 0);
  Fl_Widget* fl = FL(button)->flhandle;
  struct Case {
    int r, g, b;
    unsigned color, selection;
  } cases[] = {
      {0, 0, 0, 56, 0xffffff00},               // black; its complement is white
      {255, 255, 255, 0xffffff00, 15},         // FLTK's selection colour stands out: kept
      {0, 0, 128, 0x00008000, 0xffff7f00},     // too close to it: the complement
      {120, 128, 136, 0x78808800, 15},         // mid-grey stands out against it
      {128, 97, 128, 0x80618000, 0x00e10000},  // too close, near grey: shifted by 128
  };
  for (const Case& c : cases) {
    TintGadget(button, c.r, c.g, c.b, 1);
    EXPECT_EQ(glue_get_color(fl), c.color) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(glue_get_selection_color(fl), c.selection) << c.r << "," << c.g << "," << c.b;
  }
}

TEST_F(FlGadgetsTest, TintGadgetOnALabelChangesOnlyTheColourAskedFor) {
  GadgetRef window = Window(u"tint", 0, 0, 300, 100, 1);
  GadgetRef label = NewLabel(u"/opt/kit", 10, 10, 200, 24, window, 1);
  Fl_Widget* fl = FL(label)->flhandle;
  const unsigned background = glue_get_color(fl);
  const unsigned text = glue_get_label_color(fl);
  TintGadget(label, 20, 20, 230, 0);
  EXPECT_EQ(glue_get_label_color(fl), 0x1414e600u);
  EXPECT_EQ(glue_get_color(fl), background);
  TintGadget(label, 200, 200, 200, 1);
  EXPECT_EQ(glue_get_color(fl), 0xc8c8c800u);
  EXPECT_EQ(glue_get_label_color(fl), 0x1414e600u);
  EXPECT_NE(text, 0x1414e600u);
  TintGadget(label, 0, 0, 0, 0);
  EXPECT_EQ(glue_get_label_color(fl), 56u);
}

TEST_F(FlGadgetsTest, SetTextCalledManyTimesBeforeAPollRedrawsTheLabelOnce) {
  GadgetRef window = Window(u"redraw", 0, 0, 300, 100, 1);
  GadgetRef label = NewLabel(u"start", 10, 10, 200, 24, window, 0);
  Settle();
  ASSERT_TRUE(FLTKDriver()->RefreshList.empty());
  const int before = glue_redraw_count();
  for (int i = 0; i < 25; ++i) ChangeGadgetText(label, u"count " + IntToString(i));
  EXPECT_EQ(FL(label)->dirty, 1);
  ASSERT_EQ(FLTKDriver()->RefreshList.size(), 1u);
  EXPECT_EQ(FLTKDriver()->RefreshList[0], label);
  EXPECT_EQ(glue_redraw_count(), before) << "nothing is redrawn before the poll";
  PumpSystemEvents();
  EXPECT_EQ(glue_redraw_count() - before, 1);
  EXPECT_EQ(FL(label)->dirty, 0);
  EXPECT_TRUE(FLTKDriver()->RefreshList.empty());
  EXPECT_EQ(GadgetText(label), u"count 24");
}

TEST_F(FlGadgetsTest, StateReportsDisabledHiddenAndTicked) {
  GadgetRef window = Window(u"state", 0, 0, 300, 200, 1);
  GadgetRef button = NewButton(u" BUILD ", 10, 10, 80, 24, window, 8);
  GadgetRef check = NewButton(u"Rebuild docs", 10, 40, 150, 24, window, 2);
  EXPECT_EQ(FL(button)->fltype, FLTYPE_BUTTON);
  EXPECT_EQ(FL(check)->fltype, FLTYPE_CHECKBOX);
  EXPECT_EQ(button->State(), 0);
  DisableGadgetInput(button);
  EXPECT_EQ(button->State(), STATE_DISABLED);
  EXPECT_EQ(glue_widget_active(FL(button)->flhandle), 0);
  HideGadget(button);
  EXPECT_EQ(button->State(), STATE_DISABLED | STATE_HIDDEN);
  EnableGadgetInput(button);
  ShowGadget(button);
  EXPECT_EQ(button->State(), 0);

  EXPECT_EQ(ButtonCheckState(check), 0) << "a new check box is not ticked";
  ChangeButtonCheck(check, 1);
  EXPECT_EQ(check->State(), STATE_SELECTED);
  EXPECT_EQ(ButtonCheckState(check), 1);
  ChangeButtonCheck(check, 5);  // any non-zero value ticks
  EXPECT_EQ(ButtonCheckState(check), 1);
  ChangeButtonCheck(check, 0);
  EXPECT_EQ(ButtonCheckState(check), 0);
  // A push button never reports "selected", whatever it is told.
  ChangeButtonCheck(button, 1);
  EXPECT_EQ(button->State(), 0);
}

TEST_F(FlGadgetsTest, SelectingARadioButtonClearsTheOthersOfItsParentOnly) {
  GadgetRef window = Window(u"radio", 0, 0, 300, 300, 1);
  GadgetRef a = NewButton(u"a", 10, 10, 80, 24, window, 3);
  GadgetRef b = NewButton(u"b", 10, 40, 80, 24, window, 3);
  GadgetRef c = NewButton(u"c", 10, 70, 80, 24, window, 3 | 8);
  GadgetRef panel = NewPanel(100, 10, 150, 100, window, 0);
  GadgetRef other = NewButton(u"other", 5, 5, 80, 24, panel, 3);
  EXPECT_EQ(FL(c)->fltype, FLTYPE_TOGGLERADIO);
  ChangeButtonCheck(other, 1);
  ChangeButtonCheck(a, 1);
  EXPECT_EQ(ButtonCheckState(a), 1);
  ChangeButtonCheck(b, 1);
  EXPECT_EQ(ButtonCheckState(a), 0);
  EXPECT_EQ(ButtonCheckState(b), 1);
  ChangeButtonCheck(c, 1);
  EXPECT_EQ(ButtonCheckState(b), 0);
  EXPECT_EQ(ButtonCheckState(c), 1);
  EXPECT_EQ(ButtonCheckState(other), 1) << "a radio button of another parent is left alone";
  ChangeButtonCheck(c, 0);
  EXPECT_EQ(ButtonCheckState(c), 0);
}

TEST_F(FlGadgetsTest, ButtonStylesPickTheirWidgetsAndCancelAnswersEscape) {
  GadgetRef window = Window(u"buttons", 0, 0, 300, 300, 1);
  struct Case {
    int style, fltype;
  } cases[] = {{0, FLTYPE_BUTTON},       {1, FLTYPE_BUTTON}, {2, FLTYPE_CHECKBOX},
               {10, FLTYPE_TOGGLE},      {3, FLTYPE_RADIO},  {11, FLTYPE_TOGGLERADIO},
               {4, FLTYPE_RETURNBUTTON}, {5, FLTYPE_BUTTON}, {6, FLTYPE_BUTTON},
               {7, FLTYPE_BUTTON},       {8, FLTYPE_BUTTON}, {12, FLTYPE_RETURNBUTTON}};
  for (const Case& c : cases) {
    GadgetRef button = NewButton(u"x", 10, 10, 80, 24, window, c.style);
    EXPECT_EQ(FL(button)->fltype, c.fltype) << "style " << c.style;
    EXPECT_EQ(glue_get_shortcut(FL(button)->flhandle), (c.style & 7) == 5 ? 0xff1b : 0)
        << "style " << c.style;
  }
  GadgetRef button = NewButton(u"x", 10, 10, 80, 24, window, 0);
  SetGadgetHotKey(button, 65, 2);  // Control+A
  EXPECT_EQ(glue_get_shortcut(FL(button)->flhandle), 'a' + 0x40000);
}

TEST_F(FlGadgetsTest, ListAndComboBoxItemsAndSelection) {
  GadgetRef window = Window(u"lists", 0, 0, 300, 300, 1);
  using Maker = GadgetRef (*)(int, int, int, int, const GadgetRef&, int);
  const std::pair<Maker, int> kinds[] = {{NewListBox, 0}, {NewComboBox, 0}, {NewComboBox, 1}};
  for (const auto& [make, style] : kinds) {
    GadgetRef list = make(10, 10, 200, 100, window, style);
    ASSERT_NE(list, nullptr);
    SCOPED_TRACE("fltype " + std::to_string(FL(list)->fltype));
    AddGadgetItem(list, u"Regular");
    AddGadgetItem(list, u"@Bold/Italic & more");
    AddGadgetItem(list, u"Italic");
    InsertGadgetItem(list, 0, u"First");
    EXPECT_EQ(FL(list)->current, -1);
    SelectGadgetItem(list, 2);
    EXPECT_EQ(SelectedGadgetItem(list), 2);
    EXPECT_EQ(GadgetItemState(list, 2), ITEMSTATE_SELECTED);
    EXPECT_EQ(GadgetItemState(list, 1), 0);
    SelectGadgetItem(list, 3);
    EXPECT_EQ(SelectedGadgetItem(list), 3) << "single selection: the last one stays";
    if (FL(list)->fltype == FLTYPE_HOLDBROWSER) {
      EXPECT_EQ(glue_browser_size(FL(list)->flhandle), 4);
      EXPECT_EQ(glue_browser_text(FL(list)->flhandle, 3), u"@Bold/Italic & more");
    } else {
      EXPECT_EQ(glue_choice_size(FL(list)->flhandle), 4) << "'/' made no submenu";
      EXPECT_EQ(glue_choice_text(FL(list)->flhandle, 2), u"@Bold/Italic & more");
    }
    if (FL(list)->fltype == FLTYPE_INPUTCHOICE) {
      EXPECT_EQ(GadgetText(list), u"Italic");
    }
    ModifyGadgetItem(list, 0, u"Zeroth");
    RemoveGadgetItem(list, 1);
    EXPECT_EQ(CountGadgetItems(list), 3);
    EXPECT_EQ(SelectedGadgetItem(list), 2);
    ClearGadgetItems(list);
    EXPECT_EQ(CountGadgetItems(list), 0);
    EXPECT_EQ(FL(list)->current, -1);
  }
  GadgetRef multi = NewListBox(10, 10, 200, 100, window, LISTBOX_MULTISELECT);
  EXPECT_EQ(FL(multi)->fltype, FLTYPE_MULTIBROWSER);
  for (const char16_t* text : {u"a", u"b", u"c"}) AddGadgetItem(multi, text);
  SelectGadgetItem(multi, 0);
  SelectGadgetItem(multi, 2);
  EXPECT_EQ(SelectedGadgetItems(multi), (std::vector<int>{0, 2}));
  EXPECT_EQ(SelectedGadgetItem(multi), -1);
}

TEST_F(FlGadgetsTest, TextFieldTakesTheFocusAndReportsItselfActive) {
  GadgetRef window = Window(u"focus", 0, 0, 300, 100, 1);
  GadgetRef field = NewTextField(10, 10, 200, 24, window, 0);
  GadgetRef secret = NewTextField(10, 40, 200, 24, window, 1);
  EXPECT_EQ(FL(field)->fltype, FLTYPE_INPUT);
  EXPECT_EQ(FL(secret)->fltype, FLTYPE_SECRETINPUT);
  Settle();
  ChangeGadgetText(field, u"caf\u00e9 %s");
  EXPECT_EQ(GadgetText(field), u"caf\u00e9 %s");
  ActivateGadget(secret);
  EXPECT_EQ(ActiveGadget(), secret);
  ActivateGadget(field);
  EXPECT_EQ(ActiveGadget(), field);
  // The focus leaves with a freed gadget.
  ReleaseGadget(field);
  Settle(50);
  EXPECT_NE(ActiveGadget(), field);
}

// Rows of a grabbed box holding a run of red pixels at least `length` long:
// the text's vertical strokes never make one, a line along it does.
std::vector<int> RowsWithRedRun(const Grab& grab, int length) {
  std::vector<int> rows;
  for (int y = 0; y < grab.height; ++y) {
    int run = 0, longest = 0;
    for (int x = 0; x < grab.width; ++x) {
      const unsigned char* p = grab.At(x, y);
      run = p[0] > 150 && p[1] < 110 && p[2] < 110 ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    if (longest >= length) rows.push_back(y);
  }
  return rows;
}

TEST_F(FlGadgetsTest, UnderlinedAndStruckFontsDrawTheirLinesOnLabelsAndButtons) {
  GadgetRef window = Window(u"lines", 0, 0, 300, 200, 1);
  TFLTKGUIDriver& driver = *FLTKDriver();
  struct Case {
    int style;
    bool check_box;
  };
  for (const Case c : {Case{0, false}, Case{FONT_UNDERLINE, false}, Case{FONT_STRIKETHROUGH, false},
                       Case{FONT_UNDERLINE | FONT_STRIKETHROUGH, false}, Case{0, true},
                       Case{FONT_UNDERLINE, true}}) {
    SCOPED_TRACE(testing::Message() << "style " << c.style << ", check box " << c.check_box);
    GadgetRef gadget = c.check_box ? NewButton(u"lilililililili", 10, 10, 200, 40, window, 2)
                                   : NewLabel(u"lilililililili", 10, 10, 200, 40, window, 0);
    TintGadget(gadget, 230, 0, 0, 0);
    SetGadgetFont(gadget, driver.LoadFont(u"Sans", 18, c.style));
    Settle(200);
    Fl_Widget* fl = FL(gadget)->flhandle;
    int text_width = 0, text_height = 0;
    fl->measure_label(text_width, text_height);
    ASSERT_GT(text_width, 20);
    const Grab grab = GrabWindow(XidOf(window), fl->x(), fl->y(), fl->w(), fl->h());
    ASSERT_FALSE(grab.rgb.empty());
    const std::vector<int> rows = RowsWithRedRun(grab, text_width * 8 / 10);
    const size_t lines =
        ((c.style & FONT_UNDERLINE) ? 1 : 0) + ((c.style & FONT_STRIKETHROUGH) ? 1 : 0);
    // A line is one or two pixel rows thick.
    EXPECT_GE(rows.size(), lines);
    EXPECT_LE(rows.size(), 2 * lines);
    if (lines == 2) {
      EXPECT_GT(rows.back() - rows.front(), 4) << "one line under, one through";
    }
    ReleaseGadget(gadget);
  }
}

TEST_F(FlGadgetsTest, FontsLoadByKeyAndFallBackToThePlainFaceAndFontZero) {
  TFLTKGUIDriver& driver = *FLTKDriver();
  EXPECT_EQ(TFLTKGUIDriver::FontKey(0), u" sans");
  EXPECT_EQ(TFLTKGUIDriver::FontKey(1), u"bsans");
  EXPECT_EQ(TFLTKGUIDriver::FontKey(glue_font_count()), u"");

  FontRef bold = driver.LoadFont(u"Sans", 14, FONT_BOLD);
  ASSERT_NE(bold, nullptr);
  EXPECT_EQ(bold->handle, 1 | FONT_BOLD << 12 | 14 << 16);
  EXPECT_EQ(bold->name, u"sans");
  EXPECT_EQ(bold->style, FONT_BOLD);
  EXPECT_EQ(bold->size, 14);

  FontRef missing = driver.LoadFont(u"No Such Family", 12, FONT_BOLD);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->handle & 0xfff, 0);
  EXPECT_EQ((missing->handle >> 12) & 0xf, 0) << "the plain face was used";
  EXPECT_EQ(missing->handle >> 16, 12);

  FontRef underlined = driver.LoadFont(u"No Such Family", 10, FONT_BOLD | FONT_UNDERLINE);
  EXPECT_EQ((underlined->handle >> 12) & 0xf, FONT_UNDERLINE);

  FontRef screen = driver.LibraryFont(2, 0, FONT_BOLD);
  EXPECT_EQ(screen->handle, 14 | FONT_BOLD << 12 | 12 << 16);
  FontRef serif = driver.LibraryFont(4, 20, FONT_ITALIC);
  EXPECT_EQ(serif->handle & 0xfff, 10);
  EXPECT_EQ(serif->handle >> 16, 20);

  // Every widget starts with the default font; SetFont changes the label's.
  GadgetRef window = Window(u"fonts", 0, 0, 300, 100, 1);
  GadgetRef label = NewLabel(u"x", 10, 10, 100, 20, window, 0);
  EXPECT_EQ(glue_get_label_font(FL(label)->flhandle), driver.defaultfont->handle & 0xfff);
  EXPECT_EQ(glue_get_label_size(FL(label)->flhandle), 12);
  SetGadgetFont(label, bold);
  EXPECT_EQ(glue_get_label_font(FL(label)->flhandle), 1);
  EXPECT_EQ(glue_get_label_size(FL(label)->flhandle), 14);
  EXPECT_EQ(GadgetText(label), u"x");
}

TEST_F(FlGadgetsTest, StatusTextSplitsAtTabsIntoThreeParts) {
  GadgetRef window = Window(u"status", 0, 0, 300, 100, 1 | WINDOW_STATUS);
  TFLWidget* w = FL(window);
  ASSERT_NE(w->statusbar, nullptr);
  SetStatusText(window, u"left\tcentre\tright\tmore");
  EXPECT_EQ(GadgetText(w->statustext[0]), u"left");
  EXPECT_EQ(GadgetText(w->statustext[1]), u"centre");
  EXPECT_EQ(GadgetText(w->statustext[2]), u"right\tmore");
  SetStatusText(window, u"only");
  EXPECT_EQ(GadgetText(w->statustext[0]), u"only");
  EXPECT_EQ(GadgetText(w->statustext[1]), u"");
  EXPECT_EQ(GadgetClientHeight(window), 100 - 22);
}

TEST_F(FlGadgetsTest, FreeTakesTheWindowAndItsKidsOffTheScreen) {
  GadgetRef window = NewWindow(u"free", 0, 0, 300, 100, nullptr, 1);
  GadgetRef label = NewLabel(u"x", 10, 10, 100, 20, window, 0);
  Settle();
  unsigned long xid = XidOf(window);
  ASSERT_NE(xid, 0u);
  ReleaseGadget(window);
  EXPECT_EQ(FL(window)->flhandle, nullptr);
  EXPECT_EQ(FL(label)->flhandle, nullptr);
  EXPECT_EQ(label->parent, nullptr);
  Settle();
  // Operations on freed gadgets do nothing.
  ChangeGadgetText(label, u"gone");
  TintGadget(label, 1, 2, 3, 1);
  SetGadgetShape(label, 0, 0, 10, 10);
  EXPECT_EQ(GadgetText(label), u"");
  // The X window is gone.
  XWindowAttributes attributes;
  XSync(XDisplayOfDriver(), False);
  auto old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  EXPECT_FALSE(XGetWindowAttributes(XDisplayOfDriver(), xid, &attributes));
  XSetErrorHandler(old);
}

TEST_F(FlGadgetsTest, DroppingTheLastReferenceClosesTheWindow) {
  unsigned long xid = 0;
  {
    GadgetRef window = NewWindow(u"dropped", 0, 0, 300, 100, nullptr, 1);
    NewButton(u"b", 10, 10, 80, 24, window, 0);
    Settle();
    xid = XidOf(window);
    ASSERT_NE(xid, 0u);
    // Events name their source and keep it alive: none may be left over.
    ClearEventQueue();
    PollForEvent();
    EXPECT_EQ(window.use_count(), 1) << "the driver keeps no reference of its own";
  }
  Settle();
  XWindowAttributes attributes;
  auto old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  EXPECT_FALSE(XGetWindowAttributes(XDisplayOfDriver(), xid, &attributes));
  XSetErrorHandler(old);
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor

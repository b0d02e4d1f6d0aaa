// Text fields, text areas, sliders, scroll bars and progress bars of the
// FLTK driver on a real X server (Xvfb): what their methods read back and
// the events real input (xdotool, through XTEST) makes them post.
#include <FL/Fl_Widget.H>

#include <string>
#include <vector>

#include "gui/events/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/gadgets/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

class FlTextTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    window_ = Window(u"text", 0, 0, 480, 320, 513);
    ASSERT_NE(window_, nullptr);
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    RunCommand("xdotool windowfocus --sync " + std::to_string(xid_));
    Settle();
    TakeEvents();
  }
  // Runs xdotool ("W" stands for the window id) and takes what it caused.
  std::vector<Seen> Xdotool(const std::string& commands, int settle_ms = 300) {
    std::string line = "xdotool " + commands;
    for (size_t at = line.find(" W "); at != std::string::npos; at = line.find(" W ", at)) {
      line.replace(at + 1, 1, std::to_string(xid_));
    }
    RunCommand(line);
    Settle(settle_ms);
    return TakeEvents();
  }
  std::vector<Seen> ClickAt(int x, int y, int button = 1) {
    return Xdotool("mousemove --window W " + std::to_string(x) + " " + std::to_string(y) +
                   " sleep 0.1 click " + std::to_string(button));
  }

  GadgetRef window_;
  unsigned long xid_ = 0;
};

// --- Read-back of the text-area methods ------------------------------------------------

TEST_F(FlTextTest, TextAreaReadsBackInCharactersAndLines) {
  GadgetRef area = NewTextArea(10, 10, 300, 150, window_, 0);
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(FL(area)->fltype, FLTYPE_TEXTEDITOR);
  // A two-byte character in front: positions count characters, not bytes.
  ChangeGadgetText(area, u"\u00e9t\u00e9\nline two\nthird");
  EXPECT_EQ(GadgetText(area), u"\u00e9t\u00e9\nline two\nthird");
  EXPECT_EQ(TextAreaLen(area), 18);
  EXPECT_EQ(TextAreaLen(area, TEXTAREA_LINES), 3);
  EXPECT_EQ(TextAreaText(area, 4, 4), u"line");
  EXPECT_EQ(TextAreaText(area, 1, 1, TEXTAREA_LINES), u"line two\n");
  EXPECT_EQ(TextAreaText(area, 2, TEXTAREA_ALL, TEXTAREA_LINES), u"third");
  EXPECT_EQ(TextAreaText(area, 15, 100), u"ird") << "a length past the end stops there";
  EXPECT_EQ(TextAreaChar(area, 1), 4);
  EXPECT_EQ(TextAreaChar(area, 2), 13);
  EXPECT_EQ(TextAreaChar(area, 9), 18) << "past the last line: the length";
  EXPECT_EQ(TextAreaLine(area, 0), 0);
  EXPECT_EQ(TextAreaLine(area, 5), 1);
  EXPECT_EQ(TextAreaLine(area, 17), 2);

  SetTextAreaText(area, u"2", 5, 3);  // "ine" -> "2"
  EXPECT_EQ(TextAreaText(area, 1, 1, TEXTAREA_LINES), u"l2 two\n");
  SetTextAreaText(area, u"line 2\n", 1, 1, TEXTAREA_LINES);
  AddTextAreaText(area, u" end");
  EXPECT_EQ(GadgetText(area), u"\u00e9t\u00e9\nline 2\nthird end");

  SelectTextAreaText(area, 4, 4);
  EXPECT_EQ(TextAreaCursor(area), 8) << "the cursor sits at the end of the selection";
  EXPECT_EQ(TextAreaSelLen(area), 4);
  EXPECT_EQ(TextAreaCursor(area, TEXTAREA_LINES), 1);
  EXPECT_EQ(TextAreaSelLen(area, TEXTAREA_LINES), 1);
  SelectTextAreaText(area, 1, 2, TEXTAREA_LINES);
  EXPECT_EQ(TextAreaSelLen(area), 16);
  EXPECT_EQ(TextAreaSelLen(area, TEXTAREA_LINES), 2);
  SelectTextAreaText(area, 2, 0);
  EXPECT_EQ(TextAreaSelLen(area), 0);
  EXPECT_EQ(TextAreaCursor(area), 2);

  FormatTextAreaText(area, 0, 128, 0, FONT_ITALIC, 0, 2);
  SetTextAreaTabs(area, 4);
  EXPECT_EQ(glue_text_tabs(FL(area)->flhandle), 4);
  EXPECT_EQ(glue_text_styles(FL(area)->flhandle).substr(0, 4), u"BBBA")
      << "new tab stops keep the styles";
  SetTextAreaTabs(area, 0);
  EXPECT_EQ(glue_text_tabs(FL(area)->flhandle), 4) << "no tab stops every 0 characters";

  // None of the program's own edits is reported as the user's.
  Settle();
  EXPECT_TRUE(Only(TakeEvents(), {EVENT_GADGETACTION, EVENT_GADGETSELECT}).empty());
}

TEST_F(FlTextTest, LockKeepsTheUsersSelectionAcrossTheProgramsEdits) {
  GadgetRef area = NewTextArea(10, 10, 300, 150, window_, 0);
  ChangeGadgetText(area, u"0123456789");
  SelectTextAreaText(area, 2, 3);
  LockTextArea(area);
  LockTextArea(area);  // locks nest
  ChangeGadgetText(area, u"abcdefghijklmnop");
  UnlockTextArea(area);  // still locked once: nothing restored yet
  SelectTextAreaText(area, 0, 0);
  UnlockTextArea(area);
  EXPECT_EQ(TextAreaCursor(area), 5);
  EXPECT_EQ(TextAreaSelLen(area), 3);
  EXPECT_EQ(TextAreaText(area, 2, 3), u"cde");
  // A kept selection beyond a shortened text ends at the text's end.
  SelectTextAreaText(area, 8, 5);
  LockTextArea(area);
  ChangeGadgetText(area, u"short text");
  UnlockTextArea(area);
  EXPECT_EQ(TextAreaCursor(area), 10);
  EXPECT_EQ(TextAreaSelLen(area), 2);
}

TEST_F(FlTextTest, StylesFollowTheTextThroughEdits) {
  GadgetRef area = NewTextArea(10, 10, 300, 150, window_, 0);
  Fl_Widget* fl = FL(area)->flhandle;
  ChangeGadgetText(area, u"\u00e9abc\ndef");
  EXPECT_EQ(glue_text_styles(fl), u"AAAAAAAAA") << "one letter per byte, plain";
  FormatTextAreaText(area, 255, 0, 0, FONT_BOLD, 1, 2);  // "ab"
  EXPECT_EQ(glue_text_styles(fl), u"AABBAAAAA");
  FormatTextAreaText(area, 0, 0, 255, 0, 1, 1, TEXTAREA_LINES);  // "def"
  EXPECT_EQ(glue_text_styles(fl), u"AABBAACCC");
  FormatTextAreaText(area, 255, 0, 0, FONT_BOLD, 0, 1);  // the same style again: "é"
  EXPECT_EQ(glue_text_styles(fl), u"BBBBAACCC");
  // Edits keep the letters in step: new text comes in plain.
  SetTextAreaText(area, u"xy", 2, 0);
  EXPECT_EQ(glue_text_styles(fl), u"BBBAABAACCC");
  SetTextAreaText(area, u"", 0, 3);
  EXPECT_EQ(GadgetText(area), u"ybc\ndef");
  EXPECT_EQ(glue_text_styles(fl), u"ABAACCC");
  ChangeGadgetText(area, u"");
  EXPECT_EQ(glue_text_styles(fl), u"");
}

// Counts, per pixel row of a word's box, the pixels of a colour, so a drawn
// line shows as a row (nearly) full of it.
std::vector<int> RowsOfColour(const Grab& grab, int left, int right,
                              bool (*is)(const unsigned char*)) {
  std::vector<int> rows(static_cast<size_t>(grab.height), 0);
  for (int y = 0; y < grab.height; ++y) {
    for (int x = left; x < right; ++x) rows[y] += is(grab.At(x, y)) ? 1 : 0;
  }
  return rows;
}

int FullRow(const std::vector<int>& rows, int width, int from = 0) {
  for (int y = from; y < static_cast<int>(rows.size()); ++y) {
    if (rows[y] >= width * 9 / 10) return y;
  }
  return -1;
}

bool Reddish(const unsigned char* p) { return p[0] > 150 && p[1] < 110 && p[2] < 110; }
bool Bluish(const unsigned char* p) { return p[2] > 150 && p[0] < 110 && p[1] < 110; }

TEST_F(FlTextTest, UnderlineAndStrikeThroughAreDrawnUnderAndThroughTheirWordsOnly) {
  for (int editable : {1, 0}) {
    GadgetRef area = NewTextArea(10, 10, 420, 150, window_, editable ? 0 : TEXTAREA_READONLY);
    ChangeGadgetText(area, u"under plain strike\nplain wrapped");
    FormatTextAreaText(area, 255, 0, 0, FONT_UNDERLINE, 0, 5);                   // "under"
    FormatTextAreaText(area, 255, 0, 0, 0, 6, 5);                                // "plain"
    FormatTextAreaText(area, 0, 0, 255, FONT_STRIKETHROUGH | FONT_BOLD, 12, 6);  // "strike"
    Settle(300);
    Fl_Widget* fl = FL(area)->flhandle;
    const int top = TextAreaCharY(area, 0), next_line = TextAreaCharY(area, 19);
    ASSERT_GT(next_line, top);
    const int x_under = TextAreaCharX(area, 0), x_plain = TextAreaCharX(area, 6),
              x_strike = TextAreaCharX(area, 12), x_end = TextAreaCharX(area, 18);
    Grab grab = GrabWindow(xid_, fl->x(), fl->y() + top, fl->w(), next_line - top);
    ASSERT_FALSE(grab.rgb.empty()) << "no screen grab";

    const int under_width = x_plain - 4 - x_under;  // without the space
    const int under_row =
        FullRow(RowsOfColour(grab, x_under, x_under + under_width, Reddish), under_width);
    ASSERT_GE(under_row, 0) << "no underline, editable " << editable;
    EXPECT_GT(under_row, grab.height / 2) << "the underline sits low";
    // The same red without the flag draws no line.
    const int plain_width = x_strike - 4 - x_plain;
    EXPECT_EQ(FullRow(RowsOfColour(grab, x_plain, x_plain + plain_width, Reddish), plain_width),
              -1);
    const int strike_width = x_end - x_strike;
    const int strike_row = FullRow(RowsOfColour(grab, x_strike, x_end, Bluish), strike_width);
    ASSERT_GE(strike_row, 0) << "no strike-through, editable " << editable;
    EXPECT_LT(strike_row, under_row) << "the strike-through runs through the letters";
    EXPECT_GT(strike_row, grab.height / 4);
    ReleaseGadget(area);
  }
}

TEST_F(FlTextTest, CharacterPositionsGrowAlongTheLineAndDownTheLines) {
  GadgetRef area = NewTextArea(10, 10, 300, 150, window_, 0);
  ChangeGadgetText(area, u"abcdef\nghi");
  Settle();
  const int x0 = TextAreaCharX(area, 0), y0 = TextAreaCharY(area, 0);
  EXPECT_GT(x0, 0);
  EXPECT_LT(x0, 20);
  EXPECT_GT(TextAreaCharX(area, 3), x0);
  EXPECT_EQ(TextAreaCharY(area, 3), y0);
  EXPECT_EQ(TextAreaCharX(area, 7), x0);
  EXPECT_GT(TextAreaCharY(area, 7), y0);
  // Far down, out of sight of a 150-pixel area.
  String lines;
  for (int i = 0; i < 60; ++i) lines += u"line\n";
  ChangeGadgetText(area, lines);
  Settle();
  EXPECT_EQ(TextAreaCharY(area, 5 * 50), -1);
}

// --- Input ---------------------------------------------------------------------------------

TEST_F(FlTextTest, TypingInATextAreaPostsAnActionPerKeyAndReportsTheCursor) {
  GadgetRef area = NewTextArea(10, 10, 300, 150, window_, 0);
  GadgetRef button = NewButton(u"other", 330, 10, 100, 30, window_, 0);
  ChangeGadgetText(area, u"hello");
  Settle();
  // A click after the end of the text puts the cursor there.
  std::vector<Seen> seen = Only(ClickAt(250, 20), {EVENT_GADGETSELECT, EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETSELECT);
  EXPECT_EQ(seen[0].source, area);
  EXPECT_EQ(seen[0].data, 5);
  EXPECT_EQ(seen[0].x, 0);
  for (const char* key : {"x", "y"}) {
    seen = Only(Xdotool(std::string("key ") + key), {EVENT_GADGETACTION, EVENT_GADGETSELECT});
    ASSERT_EQ(seen.size(), 2u) << key;
    EXPECT_EQ(seen[0].id, EVENT_GADGETACTION);
    EXPECT_EQ(seen[0].source, area);
    EXPECT_EQ(seen[0].data, 0);
    EXPECT_EQ(seen[1].id, EVENT_GADGETSELECT);
  }
  EXPECT_EQ(GadgetText(area), u"helloxy");
  EXPECT_EQ(TextAreaCursor(area), 7);
  // A cursor key moves the cursor and edits nothing.
  seen = Only(Xdotool("key Left"), {EVENT_GADGETACTION, EVENT_GADGETSELECT});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, EVENT_GADGETSELECT);
  EXPECT_EQ(seen[0].data, 6);
  // Shift+Home selects back to the start: cursor 0, six selected.
  seen = Only(Xdotool("key shift+Home"), {EVENT_GADGETSELECT});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].data, 0);
  EXPECT_EQ(seen[0].x, 6);
  // The right button asks for the context menu where it was released.
  seen = Only(ClickAt(100, 60, 3), {EVENT_GADGETMENU});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, area);
  EXPECT_EQ(seen[0].x, 90);
  EXPECT_EQ(seen[0].y, 50);
  // Clicking elsewhere takes the focus away.
  seen = Only(ClickAt(370, 25), {EVENT_GADGETLOSTFOCUS});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, area);
  (void)button;
}

TEST_F(FlTextTest, ReadOnlyDisplayTakesAClickButNoTyping) {
  GadgetRef area = NewTextArea(10, 10, 300, 150, window_, TEXTAREA_READONLY);
  EXPECT_EQ(FL(area)->fltype, FLTYPE_TEXTDISPLAY);
  ChangeGadgetText(area, u"fixed");
  Settle();
  ClickAt(250, 20);
  EXPECT_EQ(TextAreaCursor(area), 5);
  std::vector<Seen> seen = Only(Xdotool("key z BackSpace"), {EVENT_GADGETACTION});
  EXPECT_EQ(GadgetText(area), u"fixed");
  EXPECT_TRUE(seen.empty());
}

TEST_F(FlTextTest, CutCopyAndPasteThroughActivate) {
  GadgetRef area = NewTextArea(10, 10, 300, 150, window_, 0);
  ChangeGadgetText(area, u"one two");
  SelectTextAreaText(area, 0, 4);
  GadgetCopy(area);
  SelectTextAreaText(area, 7, 0);
  GadgetPaste(area);
  Settle();
  EXPECT_EQ(GadgetText(area), u"one twoone ");
  SelectTextAreaText(area, 4, 3);
  GadgetCut(area);
  Settle();
  EXPECT_EQ(GadgetText(area), u"one one ");
  SelectTextAreaText(area, 0, 0);
  GadgetPaste(area);
  Settle();
  EXPECT_EQ(GadgetText(area), u"twoone one ");
  // A display copies but neither cuts nor pastes.
  GadgetRef display = NewTextArea(10, 170, 300, 80, window_, TEXTAREA_READONLY);
  ChangeGadgetText(display, u"read only");
  SelectTextAreaText(display, 0, 4);
  GadgetCut(display);
  GadgetPaste(display);
  Settle();
  EXPECT_EQ(GadgetText(display), u"read only");
  GadgetCopy(display);
  SelectTextAreaText(area, 0, 0);
  GadgetPaste(area);
  Settle();
  EXPECT_EQ(GadgetText(area), u"readtwoone one ");
}

TEST_F(FlTextTest, TextFieldReplacesItsSelectedTextAndReportsLosingTheFocus) {
  GadgetRef field = NewTextField(10, 10, 200, 26, window_, 0);
  NewButton(u"other", 330, 10, 100, 30, window_, 0);
  ChangeGadgetText(field, u"old text");
  ActivateGadget(field);
  Settle();
  TakeEvents();
  // SetText selected the whole text: the first key replaces it.
  std::vector<Seen> seen = Only(Xdotool("key n"), {EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, field);
  EXPECT_EQ(seen[0].data, -1);
  EXPECT_EQ(GadgetText(field), u"n");
  // A key that types nothing is no action.
  EXPECT_TRUE(Only(Xdotool("key Left"), {EVENT_GADGETACTION}).empty());
  seen = Only(ClickAt(370, 25), {EVENT_GADGETLOSTFOCUS});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, field);
}

// --- Sliders, scroll bars and progress bars --------------------------------------------

TEST_F(FlTextTest, SliderAndScrollBarRangesClampTheirValues) {
  GadgetRef slider = NewSlider(10, 10, 200, 24, window_, SLIDER_TRACKBAR | SLIDER_HORIZONTAL);
  GadgetRef bar = NewSlider(300, 10, 20, 200, window_, 0);
  EXPECT_EQ(FL(slider)->fltype, FLTYPE_SLIDER);
  EXPECT_EQ(FL(bar)->fltype, FLTYPE_SCROLLBAR);
  SetSliderValue(slider, 70);
  EXPECT_EQ(SliderValue(slider), 70) << "a new slider runs 0..100";
  SetSliderRange(slider, 0, 50);
  EXPECT_EQ(SliderValue(slider), 50) << "the value stays inside a narrowed range";
  SetSliderValue(slider, -3);
  EXPECT_EQ(SliderValue(slider), 0);
  // A scroll bar's position runs 0..total - visible.
  SetSliderRange(bar, 10, 100);
  SetSliderValue(bar, 95);
  EXPECT_EQ(SliderValue(bar), 90);
  SetSliderValue(bar, 40);
  SetSliderRange(bar, 80, 100);
  EXPECT_EQ(SliderValue(bar), 20);
  EXPECT_EQ(FL(bar)->visible, 80);
  EXPECT_EQ(FL(bar)->total, 100);

  GadgetRef progress = NewProgressBar(10, 250, 200, 20, window_, 0);
  EXPECT_EQ(FL(progress)->fltype, FLTYPE_PROGRESS);
  UpdateProgBar(progress, 0.25f);
  EXPECT_FLOAT_EQ(glue_progress_value(FL(progress)->flhandle), 0.25f);
  UpdateProgBar(progress, 7.0f);
  EXPECT_FLOAT_EQ(glue_progress_value(FL(progress)->flhandle), 1.0f);
}

TEST_F(FlTextTest, ClicksOnScrollBarAndSliderPostTheirNewValue) {
  GadgetRef bar = NewSlider(300, 10, 20, 200, window_, 0);
  SetSliderRange(bar, 10, 100);
  SetSliderValue(bar, 0);
  GadgetRef slider = NewSlider(10, 10, 200, 24, window_, SLIDER_TRACKBAR | SLIDER_HORIZONTAL);
  SetSliderValue(slider, 0);
  Settle();
  // The down arrow at the bottom of the vertical bar: one step.
  std::vector<Seen> seen =
      Only(Xdotool("mousemove --window W 310 200 sleep 0.1 mousedown 1 sleep 0.1 mouseup 1"),
           {EVENT_GADGETACTION});

  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().source, bar);
  EXPECT_EQ(seen.back().data, 1);
  EXPECT_EQ(SliderValue(bar), 1);
  // A click on the middle of the slider's track moves the knob there.
  seen = Only(ClickAt(110, 22), {EVENT_GADGETACTION});
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().source, slider);
  EXPECT_EQ(seen.back().data, SliderValue(slider));
  EXPECT_GT(SliderValue(slider), 35);
  EXPECT_LT(SliderValue(slider), 65);
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor

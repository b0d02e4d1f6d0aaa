// The font requester's font list, dialog and answers, against the recording
// GUI driver, a made-up font table and a system driver whose waits deliver
// scripted events.
#include "gui/fltk/requesters/font_requester.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/events/event_queue.h"
#include "gui/events/system_driver.h"
#include "gui/gadgets/gadget_functions.h"
#include "gui/gadgets/gadget_test_driver.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

using testing_support::Rec;
using testing_support::TRecordingDriver;

// A recording driver whose focus can be put on a gadget.
class FocusDriver : public TRecordingDriver {
 public:
  GadgetRef focus;
  GadgetRef ActiveGadget() override { return focus; }
};

// Each Wait runs the next scripted step; a wait with nothing left to do
// ends the request with an error instead of hanging the test.
class ScriptedSystemDriver : public TSystemDriver {
 public:
  std::deque<std::function<void()>> steps;
  int waits = 0;
  void Poll() override {}
  void Wait() override {
    ++waits;
    if (steps.empty()) throw TRuntimeException(u"script ran out");
    auto step = steps.front();
    steps.pop_front();
    step();
  }
};

// Bitmap families offer a few sizes; the others scale to any size.
int NearestOf(const std::vector<int>& sizes, int wanted) {
  int best = sizes.front();
  for (int s : sizes) {
    if (s <= wanted) best = s;
  }
  return best;
}

struct FakeFonts {
  std::vector<String> keys;
  std::vector<String> log;
  std::vector<int> made;  // handles given to create_font
  TFontTable Table() {
    TFontTable table;
    table.font_key = [this](int i) {
      return i >= 0 && i < static_cast<int>(keys.size()) ? keys[i] : String();
    };
    table.nearest_size = [this](int i, int size) {
      return keys[i] == u" serif" ? NearestOf({8, 10, 12, 14, 18, 24}, size) : size;
    };
    table.create_font = [this](int handle) {
      made.push_back(handle);
      auto font = std::make_shared<TGuiFont>();
      font->handle = handle;
      return font;
    };
    table.debug_log = [this](const String& text) { log.push_back(text); };
    return table;
  }
};

const std::vector<String> kKeys = {u"psans",  u" sans",  u"isans", u"bsans",
                                   u" serif", u"bserif", u"xmono", u" mono"};

int Handle(int index, int style, int size) { return index | style << 12 | size << 16; }

std::vector<int> Ids(const FLFontRef& font) {
  return {font->ids[0], font->ids[1], font->ids[2], font->ids[3]};
}

class FontRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEventQueueModule();
    ClearEventQueue();
    SetActiveGuiDriver(driver);
    previous_system = ActiveSystemDriver();
    SetActiveSystemDriver(system);
    fonts.keys = kKeys;
    request = std::make_shared<TFontRequest>(fonts.Table());
    request->Initialize();
  }
  void TearDown() override {
    SetActiveSystemDriver(previous_system);
    SetActiveGuiDriver(nullptr);
    ClearEventQueue();
  }

  // Steps that emit what the user's actions would.
  void Then(int id, const GadgetRef& source, int data = 0) {
    system->steps.push_back([id, source, data] { MakeEvent(id, source, data)->Emit(); });
  }
  void Pick(const GadgetRef& list, int item) { Then(EVENT_GADGETACTION, list, item); }
  void Press(const GadgetRef& button) { Then(EVENT_GADGETACTION, button, 0); }

  std::shared_ptr<FocusDriver> driver = std::make_shared<FocusDriver>();
  std::shared_ptr<ScriptedSystemDriver> system = std::make_shared<ScriptedSystemDriver>();
  SystemDriverRef previous_system;
  FakeFonts fonts;
  std::shared_ptr<TFontRequest> request;
};

TEST_F(FontRequestTest, GroupsFacesIntoFamiliesInTableOrder) {
  ASSERT_EQ(request->fontlist.size(), 3u);
  EXPECT_EQ(ToUtf8(request->fontlist[0]->name), "sans");
  EXPECT_EQ(ToUtf8(request->fontlist[1]->name), "serif");
  EXPECT_EQ(ToUtf8(request->fontlist[2]->name), "mono");
  EXPECT_EQ(Ids(request->fontlist[0]), (std::vector<int>{2, 4, 3, 1}));
  EXPECT_EQ(Ids(request->fontlist[1]), (std::vector<int>{5, 6, 0, 0}));
  EXPECT_EQ(Ids(request->fontlist[2]), (std::vector<int>{8, 0, 0, 0}));
  ASSERT_EQ(fonts.log.size(), 1u);
  EXPECT_EQ(ToUtf8(fonts.log[0]), "fltk fontrequest:unknown font subscript x");
  EXPECT_EQ(Rec(request->fontbox)->ListTexts(),
            (std::vector<std::string>{"sans", "serif", "mono"}));
  EXPECT_EQ(Rec(request->stylebox)->ListTexts(),
            (std::vector<std::string>{"Regular", "Bold", "Italic", "Bold Italic"}));
}

TEST_F(FontRequestTest, KeepsSizesInTheOrderFirstOffered) {
  // The bitmap face lists its own sizes first, the scalable bold face adds
  // the rest of 6..72 behind them, each size once.
  const std::vector<int>& sizes = request->fontlist[1]->sizes;
  ASSERT_EQ(sizes.size(), 67u);
  EXPECT_EQ(std::vector<int>(sizes.begin(), sizes.begin() + 9),
            (std::vector<int>{8, 10, 12, 14, 18, 24, 6, 7, 9}));
  EXPECT_EQ(sizes.back(), 72);
  EXPECT_EQ(request->fontlist[0]->sizes.front(), 6);
}

TEST_F(FontRequestTest, ReadsAtMost4096Fonts) {
  FakeFonts endless;
  TFontTable table = endless.Table();
  int asked = 0;
  table.font_key = [&asked](int) {
    ++asked;
    return String(u" f");
  };
  table.nearest_size = [](int, int size) { return size; };
  TFontRequest list_only(table);
  list_only.ReadFontTable();
  ASSERT_EQ(list_only.fontlist.size(), 1u);
  EXPECT_EQ(list_only.fontlist[0]->ids[0], FONT_REQUEST_MAX_FONTS);
  EXPECT_EQ(asked, FONT_REQUEST_MAX_FONTS);
}

TEST_F(FontRequestTest, BuildsTheDialogFromGadgets) {
  const std::vector<std::string> wanted = {
      "CreateGadget(1,Select Font,444,370,392,284,609)",
      "CreateGadget(12,Font Face,4,4,200,24,0)",
      "CreateGadget(7,,4,28,200,150,0)",
      "CreateGadget(12,Style,214,4,100,24,0)",
      "CreateGadget(7,,214,28,100,150,0)",
      "CreateGadget(12,Size,324,4,64,24,0)",
      "CreateGadget(7,,324,28,64,150,0)",
      "CreateGadget(12,Sample Text,4,182,384,64,18)",
      "CreateGadget(2,Cancel,4,254,80,26,5)",
      "CreateGadget(2,OK,308,254,80,26,4)",
  };
  std::vector<std::string> created;
  for (const std::string& line : *driver->log) {
    if (line.rfind("CreateGadget(", 0) == 0 && line.rfind("CreateGadget(0,", 0) != 0) {
      created.push_back(line);
    }
  }
  EXPECT_EQ(created, wanted);
  EXPECT_EQ(GadgetGroup(request->ok), request->window);
}

TEST(TFLFontTest, GetHandleFallsBackToTheFirstFace) {
  struct Case {
    int ids[4];
    int style;
    int handle;
  };
  const Case cases[] = {
      {{1, 2, 3, 4}, 2, 3}, {{1, 0, 0, 0}, 3, 1}, {{0, 0, 7, 9}, 0, 7},
      {{0, 5, 0, 0}, 1, 5}, {{0, 0, 0, 0}, 0, 0}, {{0, 0, 0, 4}, 1, 4},
  };
  for (const Case& c : cases) {
    TFLFont font;
    std::copy(c.ids, c.ids + 4, font.ids);
    EXPECT_EQ(font.GetHandle(c.style), c.handle) << c.style;
  }
}

TEST(TFLFontTest, CompareIgnoresAsciiCase) {
  TFLFont a, b;
  a.name = u"Helvetica";
  b.name = u"helvetica";
  EXPECT_EQ(a.Compare(b), 0);
  b.name = u"Courier";
  EXPECT_GT(a.Compare(b), 0);
  EXPECT_LT(b.Compare(a), 0);
}

TEST_F(FontRequestTest, OkAnswersWithTheChosenFamilyStyleAndSize) {
  Pick(request->fontbox, 1);   // serif
  Pick(request->stylebox, 1);  // bold
  Pick(request->sizebox, 3);   // "14"
  Pick(request->fontbox, -1);  // no item: stays serif
  Press(request->ok);
  EXPECT_EQ(request->Request(0), Handle(5, 1, 14));
  EXPECT_EQ(fonts.made.back(), Handle(5, 1, 14));  // the sample shows it
  EXPECT_EQ(request->open, 0);
}

TEST_F(FontRequestTest, PresetShowsTheFontPassedIn) {
  Press(request->ok);
  EXPECT_EQ(request->Request(Handle(5, 1, 14)), Handle(5, 1, 14));
  EXPECT_EQ(request->family, 1);
  EXPECT_EQ(SelectedGadgetItem(request->fontbox), 1);
  EXPECT_EQ(SelectedGadgetItem(request->stylebox), 1);
  EXPECT_EQ(ToUtf8(GadgetItemText(request->sizebox, SelectedGadgetItem(request->sizebox))), "14");
  EXPECT_EQ(CountGadgetItems(request->sizebox), 67);
}

TEST_F(FontRequestTest, MissingFaceFallsBackButKeepsTheStyleBits) {
  Pick(request->fontbox, 2);   // mono: plain face only
  Pick(request->stylebox, 2);  // italic
  Press(request->ok);
  EXPECT_EQ(request->Request(0), Handle(7, 2, 6));  // first listed size
}

TEST_F(FontRequestTest, CancelAnswersZeroAndCloseAnswersThePreset) {
  Pick(request->fontbox, 1);
  Press(request->cancel);
  EXPECT_EQ(request->Request(Handle(0, 0, 12)), 0);

  Pick(request->fontbox, 1);
  Then(EVENT_WINDOWCLOSE, request->window);
  EXPECT_EQ(request->Request(Handle(0, 0, 12)), Handle(0, 0, 12));
}

TEST_F(FontRequestTest, SwallowsEveryEventWhileOpenAndNoneAfter) {
  GadgetRef app_window = NewWindow(u"App", 0, 0, 100, 100, nullptr, 1);
  Then(EVENT_WINDOWCLOSE, app_window);  // another window: not the dialog's
  Then(EVENT_KEYDOWN, nullptr, 65);
  system->steps.push_back([this] { EXPECT_EQ(QueuedEventCount(), 0); });
  Press(request->ok);
  request->Request(0);
  EXPECT_EQ(system->waits, 4);
  EXPECT_EQ(QueuedEventCount(), 0);
  EXPECT_EQ(Rec(request->window)->log->back(), "SetShow(0)");

  MakeEvent(EVENT_KEYDOWN, nullptr, 65)->Emit();
  EXPECT_EQ(QueuedEventCount(), 1);
}

TEST_F(FontRequestTest, OpensBesideTheWindowOfTheFocusedGadget) {
  GadgetRef app_window = NewWindow(u"App", 120, 80, 400, 130, nullptr, 1);
  driver->focus = NewButton(u"Go", 10, 10, 50, 20, app_window, 0);
  Press(request->ok);
  request->Request(0);
  EXPECT_EQ(GadgetX(request->window), 170);
  EXPECT_EQ(GadgetY(request->window), 130);
  EXPECT_EQ(GadgetWidth(request->window), 392);

  driver->focus = nullptr;  // no focus: beside the desktop's corner
  Press(request->ok);
  request->Request(0);
  EXPECT_EQ(GadgetX(request->window), 50);
  EXPECT_EQ(GadgetY(request->window), 50);
}

TEST_F(FontRequestTest, FamilyWithoutFacesRaisesAndStillClosesTheDialog) {
  fonts.keys = {u" sans", u"zodd"};
  auto odd = std::make_shared<TFontRequest>(fonts.Table());
  odd->Initialize();
  Pick(odd->fontbox, 1);
  try {
    odd->Request(0);
    FAIL() << "no error for a family without faces";
  } catch (const TRuntimeException& e) {
    EXPECT_EQ(ToUtf8(e.error), "FLTK TFontRequester null handle:(");
  }
  EXPECT_EQ(odd->open, 0);
  EXPECT_EQ(Rec(odd->window)->log->back(), "SetShow(0)");
  MakeEvent(EVENT_KEYDOWN, nullptr, 65)->Emit();  // the hook is gone
  EXPECT_EQ(QueuedEventCount(), 1);
}

TEST_F(FontRequestTest, DialogAnswersWithFontObjects) {
  auto given = std::make_shared<TGuiFont>();
  given->handle = Handle(4, 0, 12);

  // The process's requester is made by the first call; its gadgets are
  // only known inside the wait.
  system->steps.push_back(
      [] { MakeEvent(EVENT_WINDOWCLOSE, TFontRequest::Create(TFontTable())->window)->Emit(); });
  EXPECT_EQ(RequestFontDialog(given, fonts.Table()), given);

  system->steps.push_back(
      [] { MakeEvent(EVENT_GADGETACTION, TFontRequest::Create(TFontTable())->cancel)->Emit(); });
  EXPECT_EQ(RequestFontDialog(given, fonts.Table()), nullptr);

  system->steps.push_back([] {
    auto r = TFontRequest::Create(TFontTable());
    MakeEvent(EVENT_GADGETACTION, r->stylebox, 1)->Emit();
    MakeEvent(EVENT_GADGETACTION, r->ok)->Emit();
  });
  FontRef chosen = RequestFontDialog(given, fonts.Table());
  ASSERT_NE(chosen, nullptr);
  EXPECT_NE(chosen, given);
  EXPECT_EQ(chosen->handle, Handle(5, 1, 12));

  system->steps.push_back(
      [] { MakeEvent(EVENT_WINDOWCLOSE, TFontRequest::Create(TFontTable())->window)->Emit(); });
  EXPECT_EQ(RequestFontDialog(nullptr, fonts.Table()), nullptr);
}

}  // namespace
}  // namespace lexidor

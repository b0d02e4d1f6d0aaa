// The global gadget functions, the proxy gadget and the driver's own
// helpers, against the recording test driver.
#include "gui/gadgets/gadget_functions.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/events/event.h"
#include "gui/events/hooks.h"
#include "gui/gadgets/data_source.h"
#include "gui/gadgets/gadget_test_driver.h"
#include "gui/gadgets/proxy_gadget.h"
#include "runtime/exceptions.h"

namespace lexidor {
namespace {

using testing_support::CallLog;
using testing_support::Rec;
using testing_support::ScopedRecordingDriver;
using testing_support::TRecordingGadget;

struct CentringCase {
  int desktop_w, desktop_h;
  int w, h, style;
  std::string created;  // the CreateGadget call the driver sees
};

class WindowCentring : public ::testing::TestWithParam<CentringCase> {};

TEST_P(WindowCentring, CentresOnTheDesktopWhenAsked) {
  const CentringCase& c = GetParam();
  ScopedRecordingDriver scope;
  scope.driver->desktop_w = c.desktop_w;
  scope.driver->desktop_h = c.desktop_h;
  GadgetRef window = NewWindow(u"Lexidor", 100, 100, c.w, c.h, nullptr, c.style);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(scope.driver->log->back(), c.created);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, WindowCentring,
    ::testing::Values(
        CentringCase{1280, 1024, 400, 130, 513, "CreateGadget(1,Lexidor,440,447,400,130,513)"},
        CentringCase{1281, 1025, 400, 130, 512, "CreateGadget(1,Lexidor,440,447,400,130,512)"},
        // Wider than the desktop: (1280 - 1401) / 2 truncates toward zero.
        CentringCase{1280, 1024, 1401, 1031, 513, "CreateGadget(1,Lexidor,-60,-3,1401,1031,513)"},
        // Without bit 0x200 the position given stands.
        CentringCase{1280, 1024, 400, 130, 1, "CreateGadget(1,Lexidor,100,100,400,130,1)"}));

TEST(WindowCentring, CentresOnTheGroupWhenThereIsOne) {
  ScopedRecordingDriver scope;
  GadgetRef owner = NewWindow(u"Owner", 50, 60, 300, 200, nullptr, 1);
  GadgetRef dialog = NewWindow(u"Dialog", 0, 0, 100, 51, owner, 513);
  EXPECT_EQ(scope.driver->log->back(), "CreateGadget(1,Dialog,150,134,100,51,513)");
  EXPECT_EQ(GadgetGroup(dialog), owner);
}

TEST(ButtonCheckState, ReadsTickedUntickedAndIndeterminate) {
  ScopedRecordingDriver scope;
  GadgetRef box = NewButton(u"Rebuild docs", 10, 55, 380, 20, nullptr, BUTTON_CHECKBOX);
  const std::vector<std::pair<int, int>> cases = {
      {0, 0},
      {STATE_SELECTED, 1},
      {STATE_INDETERMINATE, -1},
      {STATE_INDETERMINATE | STATE_SELECTED, -1},
      {STATE_DISABLED | STATE_SELECTED, 1},
      {STATE_DISABLED | STATE_HIDDEN, 0},
  };
  for (const auto& [bits, expected] : cases) {
    Rec(box)->state_bits = bits;
    EXPECT_EQ(ButtonCheckState(box), expected) << bits;
  }
}

TEST(TintGadget, ChangesOnlyTheColourAskedFor) {
  ScopedRecordingDriver scope;
  GadgetRef label = NewLabel(u"/opt/kit", 10, 30, 300, 20, nullptr, 1);
  scope.driver->log->clear();
  TintGadget(label, 20, 20, 230, 0);
  EXPECT_EQ(*scope.driver->log, CallLog{"SetTextColor(20,20,230)"});
  scope.driver->log->clear();
  TintGadget(label, 200, 200, 200, 1);
  EXPECT_EQ(*scope.driver->log, CallLog{"SetColor(200,200,200)"});
}

TEST(GadgetFunctions, ForwardToTheRightOperation) {
  ScopedRecordingDriver scope;
  GadgetRef button = NewButton(u"Go", 1, 2, 3, 4, nullptr, 8);
  AddGadgetItem(button, u"A");
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { ChangeGadgetText(button, u"Stop"); }, "SetText(Stop)"},
      {[&] { ChangeButtonCheck(button, 1); }, "SetSelected(1)"},
      {[&] { EnableGadgetInput(button); }, "SetEnabled(1)"},
      {[&] { DisableGadgetInput(button); }, "SetEnabled(0)"},
      {[&] { ShowGadget(button); }, "SetShow(1)"},
      {[&] { HideGadget(button); }, "SetShow(0)"},
      {[&] { ActivateGadget(button); }, "Activate(0)"},
      {[&] { GadgetPaste(button); }, "Activate(3)"},
      {[&] { MinimizeWindow(button); }, "Activate(4)"},
      {[&] { ExpandTreeViewNode(button); }, "Activate(8)"},
      {[&] { HtmlViewForward(button); }, "Activate(11)"},
      {[&] { RedrawGadget(button); }, "Activate(13)"},
      {[&] { SetGadgetHotKey(button, 65, 2); }, "SetHotKey(65,2)"},
      {[&] { SelectGadgetItem(button, 0); }, "SetListItemState(0,16)"},
      {[&] { DisableGadgetItem(button, 0); }, "SetListItemState(0,20)"},
      {[&] { ToggleGadgetItem(button, 0); }, "SetListItemState(0,4)"},
      {[&] { EnableGadgetItem(button, 0); }, "SetListItemState(0,0)"},
      {[&] { AddGadgetItem(button, u"B", u"", 2); }, "InsertListItem(1,B,2)"},
  };
  for (const auto& [call, expected] : cases) {
    scope.driver->log->clear();
    call();
    EXPECT_EQ(*scope.driver->log, CallLog{expected}) << expected;
  }
  EXPECT_EQ(GadgetText(button), u"Stop");
  EXPECT_EQ(std::vector<int>({GadgetX(button), GadgetY(button), GadgetWidth(button),
                              GadgetHeight(button), GadgetClass(button)}),
            std::vector<int>({1, 2, 3, 4, KIND_BUTTON}));
}

TEST(GadgetFunctions, ReleaseGadgetDropsExtraAndFrees) {
  ScopedRecordingDriver scope;
  GadgetRef window = NewWindow(u"W", 0, 0, 100, 100, nullptr, 1);
  GadgetRef label = NewLabel(u"L", 0, 0, 10, 10, window, 0);
  SetGadgetExtra(label, BoxString(u"mine"));
  ReleaseGadget(label);
  EXPECT_EQ(GadgetExtra(label), nullptr);
  EXPECT_EQ(scope.driver->log->back(), "Free");
  EXPECT_TRUE(window->kids.empty());
}

TEST(GadgetFunctions, NullGadgetsAndAMissingDriverFailCleanly) {
  SetActiveGuiDriver(nullptr);
  EXPECT_EQ(NewWindow(u"W", 0, 0, 10, 10, nullptr, 513), nullptr);
  EXPECT_EQ(DesktopGadget(), nullptr);
  EXPECT_EQ(RequestColor(1, 2, 3), 0);
  EXPECT_EQ(LoadGuiFont(u"Helvetica", 12), nullptr);
  try {
    ChangeGadgetText(nullptr, u"x");
    FAIL() << "no exception";
  } catch (const TRuntimeException& error) {
    EXPECT_EQ(error.error, u"ChangeGadgetText: the gadget is null");
  }
  EXPECT_THROW(ButtonCheckState(nullptr), TRuntimeException);
}

TEST(GadgetCreation, MenuItemsToolbarsAndCanvases) {
  ScopedRecordingDriver scope;
  GadgetRef window = NewWindow(u"W", 0, 0, 100, 100, nullptr, 1);
  scope.driver->log->clear();
  NewMenuItem(u"Open", 7, window);
  NewMenuItem(u"Quit", 8, window, 81, 2);
  EXPECT_EQ(*scope.driver->log, CallLog({"CreateGadget(15,Open,0,0,0,0,7)",
                                         "CreateGadget(15,Quit,0,0,0,0,8)", "SetHotKey(81,2)"}));

  scope.driver->log->clear();
  scope.driver->strip_answer = std::make_shared<TIconStrip>();
  scope.driver->strip_answer->count = 3;
  GadgetRef toolbar = NewToolbar(BoxString(u"icons.png"), 0, 0, 100, 24, window, 0);
  EXPECT_EQ(*scope.driver->log,
            CallLog({"CreateGadget(8,,0,0,100,24,0)", "SetIconStrip(3)", "InsertListItem(0,,0)",
                     "InsertListItem(1,,1)", "InsertListItem(2,,2)"}));

  scope.driver->strip_answer = nullptr;
  EXPECT_EQ(CountGadgetItems(NewToolbar(nullptr, 0, 0, 100, 24, window, 0)), 0);

  scope.driver->log->clear();
  NewCanvas(0, 0, 50, 50, window, 0);
  EXPECT_EQ(scope.driver->log->back(), "AttachGraphics(2)");
}

TEST(GadgetRequests, ColourRequestKeepsTheLastChosenColour) {
  ScopedRecordingDriver scope;
  scope.driver->color_answer = static_cast<int>(0xff123456u);
  EXPECT_EQ(RequestColor(300, -1, 256), 1);
  EXPECT_EQ(scope.driver->log->back(), "RequestColor(44,255,0)");
  EXPECT_EQ(std::vector<int>({RequestedRed(), RequestedGreen(), RequestedBlue()}),
            std::vector<int>({0x12, 0x34, 0x56}));
  scope.driver->color_answer = 0;  // cancelled
  EXPECT_EQ(RequestColor(1, 2, 3), 0);
  EXPECT_EQ(RequestedGreen(), 0x34);
}

TEST(GadgetRequests, FontsByKindNameAndFlags) {
  ScopedRecordingDriver scope;
  struct Case {
    std::function<FontRef()> load;
    std::string call;
  };
  const std::vector<Case> cases = {
      {[] { return LookupGuiFont(2, 0, 1); }, "LoadFont(Lucida,12,1)"},
      {[] { return LookupGuiFont(4, 11.5, 0); }, "LoadFont(FreeSerif,12,0)"},
      {[] { return LookupGuiFont(5, 11.4, 2); }, "LoadFont(TSCu_Comic,11,2)"},
      {[] { return LookupGuiFont(0, -3, 0); }, "LoadFont(FreeSans,12,0)"},
      {[] { return LookupGuiFont(9, 20.49, 4); }, "LoadFont(FreeSans,20,4)"},
      {[] { return LoadGuiFont(u"Courier", 10.5, 1, 0, 1, 1); }, "LoadFont(Courier,11,13)"},
      {[] { return LoadGuiFont(u"Courier", 9, 0, 5); }, "LoadFont(Courier,9,2)"},
  };
  for (const Case& c : cases) {
    scope.driver->log->clear();
    EXPECT_NE(c.load(), nullptr);
    EXPECT_EQ(*scope.driver->log, CallLog{c.call});
  }
}

// Captures every emitted event ahead of the queue and swallows it.
EventRef captured;
ObjectRef Capture(int, const ObjectRef& data, const ObjectRef&) {
  captured = std::dynamic_pointer_cast<TEvent>(data);
  return nullptr;
}

class GadgetEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEventModule();
    captured = nullptr;
    InsertHook(EventHookId(), Capture, nullptr, 1000000);
  }
  void TearDown() override { DeleteHook(EventHookId(), Capture, nullptr); }
  ScopedRecordingDriver scope;
};

TEST_F(GadgetEvents, AProxyIsTheSourceOfTheWrappedGadgetsEvents) {
  GadgetRef button = NewButton(u"OK", 0, 0, 80, 20, nullptr, 4);
  RaiseGadgetEvent(EVENT_GADGETACTION, button, 5);
  ASSERT_NE(captured, nullptr);
  EXPECT_EQ(captured->source, button);

  auto proxy = std::make_shared<TProxyGadget>();
  proxy->SetProxy(button);
  auto extra = BoxString(u"text");
  RaiseGadgetEvent(EVENT_GADGETACTION, button, 5, 6, 7, 8, extra);
  ASSERT_NE(captured, nullptr);
  EXPECT_EQ(captured->source, proxy);
  EXPECT_EQ(captured->id, EVENT_GADGETACTION);
  EXPECT_EQ(std::vector<int>({captured->data, captured->mods, captured->x, captured->y}),
            std::vector<int>({5, 6, 7, 8}));
  EXPECT_EQ(captured->extra, extra);

  // Wrapping another gadget releases the first one.
  GadgetRef other = NewButton(u"Cancel", 0, 0, 80, 20, nullptr, 5);
  proxy->SetProxy(other);
  RaiseGadgetEvent(EVENT_GADGETACTION, button);
  EXPECT_EQ(captured->source, button);
  RaiseGadgetEvent(EVENT_GADGETACTION, other);
  EXPECT_EQ(captured->source, proxy);

  // Once the proxy is gone the gadget names itself again.
  captured = nullptr;  // the last event still holds the proxy
  proxy.reset();
  RaiseGadgetEvent(EVENT_GADGETACTION, other);
  EXPECT_EQ(captured->source, other);
}

TEST(ProxyGadget, ForwardsWidgetAndItemWorkButKeepsItsOwnGeometry) {
  ScopedRecordingDriver scope;
  auto proxy = std::make_shared<TProxyGadget>();
  EXPECT_EQ(proxy->proxy, PlainProxyGadget());
  GadgetRef list = NewListBox(0, 0, 100, 100, nullptr, 0);
  proxy->SetProxy(list);

  proxy->SetText(u"title");
  EXPECT_EQ(list->GetText(), u"title");
  EXPECT_EQ(proxy->Class(), KIND_LISTBOX);
  proxy->SetDataSource(std::make_shared<TStringArray>(std::vector<String>{u"A", u"B"}));
  proxy->SelectItem(1, ITEM_SELECT);
  EXPECT_EQ(list->ItemCount(), 2);
  EXPECT_EQ(Rec(list)->ListTexts(), std::vector<std::string>({"A", "B"}));
  EXPECT_EQ(proxy->SelectedItem(), 1);
  EXPECT_EQ(proxy->ItemText(0), u"A");

  proxy->SetShape(5, 6, 70, 80);  // forwarded
  EXPECT_EQ(std::vector<int>({list->xpos, list->ypos, list->width, list->height}),
            std::vector<int>({5, 6, 70, 80}));
  proxy->SetRect(1, 1, 1, 1);  // the proxy's own
  EXPECT_EQ(list->xpos, 5);
  EXPECT_EQ(proxy->xpos, 1);

  proxy->SetProxy(nullptr);
  EXPECT_EQ(proxy->proxy, PlainProxyGadget());
}

class RecordingStrip : public TIconStrip {
 public:
  std::vector<int> cuts;
  int copies = 0;

 protected:
  ObjectRef CopyStripPixmap() override {
    ++copies;
    return BoxString(u"strip");
  }
  ObjectRef CutIconPixmap(int index) override {
    cuts.push_back(index);
    return BoxString(u"icon");
  }
};

TEST(IconStrip, ExtractsIconsWithinTheCountAndTheWholeStripForNegativeIndexes) {
  RecordingStrip strip;
  strip.count = 3;
  EXPECT_EQ(strip.ExtractIconPixmap(3), nullptr);
  EXPECT_EQ(strip.ExtractIconPixmap(7), nullptr);
  EXPECT_NE(strip.ExtractIconPixmap(-1), nullptr);
  EXPECT_NE(strip.ExtractIconPixmap(0), nullptr);
  EXPECT_NE(strip.ExtractIconPixmap(2), nullptr);
  EXPECT_EQ(strip.copies, 1);
  EXPECT_EQ(strip.cuts, std::vector<int>({0, 2}));

  TIconStrip empty;
  EXPECT_EQ(empty.ExtractIconPixmap(0), nullptr);
}

}  // namespace
}  // namespace lexidor

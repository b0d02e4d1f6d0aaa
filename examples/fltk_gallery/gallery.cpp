// A gallery of the FLTK driver's gadgets: one window showing one of every
// kind, for looking at (and screenshots).  Runs until the window is closed,
// or for the number of seconds given as the first argument.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "gui/events/event.h"
#include "gui/events/event_queue.h"
#include "gui/events/system_driver.h"
#include "gui/events/timing.h"
#include "gui/fltk/fl_gui_driver.h"
#include "gui/fltk/widget/fl_icon_strip.h"
#include "gui/gadgets/gadget_functions.h"
#include "gui/gadgets/gadget_types.h"
#include "gui/system/linux_system_driver.h"

using namespace lexidor;

namespace {

// Three 16-pixel icons: coloured squares with a dark dot.
FLPixmapRef IconStrip() {
  FLPixmapRef strip = TFLPixmap::Make(48, 16, 3);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 48; ++x) {
      uint8_t* p = &strip->pixels[(y * 48 + x) * 3];
      const int i = x / 16, lx = x % 16;
      const bool dot = lx > 4 && lx < 11 && y > 4 && y < 11;
      p[0] = dot ? 30 : static_cast<uint8_t>(60 + 80 * i);
      p[1] = dot ? 30 : 140;
      p[2] = dot ? 30 : static_cast<uint8_t>(220 - 80 * i);
    }
  }
  return strip;
}

}  // namespace

int main(int argc, char** argv) {
  InitSystemModule();
  InitEventQueueModule();
  InitGadgetModule();
  if (!InitFLTKDriverModule()) return 1;
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 0;

  GadgetRef w = NewWindow(u"Gadget gallery", 0, 0, 760, 560, nullptr, 1 | 4 | 8 | 512);
  GadgetRef file = NewMenuItem(u"&File", 0, w);
  NewMenuItem(u"&Open", 1, file, 'O', 2);
  NewMenuItem(u"-", 0, file);
  GadgetRef wrap = NewMenuItem(u"Wrap lines", 2, file);
  ChangeButtonCheck(wrap, 1);
  NewMenuItem(u"Quit", 3, file);
  NewMenuItem(u"&Help", 0, w);
  NewMenuItem(u"About", 4, WindowMenu(w)->kids.back());
  SetStatusText(w, u"left\tcentre\tright");

  NewToolbar(IconStrip(), 0, 0, 760, 26, w, 0);
  NewLabel(u"A label", 10, 34, 120, 22, w, 1);
  NewButton(u"Button", 140, 34, 90, 26, w, 0);
  GadgetRef check = NewButton(u"Check box", 240, 34, 110, 26, w, 2);
  ChangeButtonCheck(check, 1);
  GadgetRef radio = NewButton(u"Radio", 360, 34, 80, 26, w, 3);
  ChangeButtonCheck(radio, 1);
  NewButton(u"Radio 2", 440, 34, 90, 26, w, 3);
  GadgetRef field = NewTextField(540, 34, 210, 26, w, 0);
  ChangeGadgetText(field, u"text field");

  GadgetRef area = NewTextArea(10, 70, 360, 120, w, 0);
  ChangeGadgetText(
      area, u"A text area\nwith a bold red word,\nunderlined and struck-out words\nand\ttabs.");
  FormatTextAreaText(area, 200, 0, 0, FONT_BOLD, 19, 8);
  FormatTextAreaText(area, 0, 0, 160, FONT_UNDERLINE, 34, 10);
  FormatTextAreaText(area, 0, 120, 0, FONT_STRIKETHROUGH, 49, 10);
  GadgetRef combo = NewComboBox(380, 70, 170, 26, w, 0);
  for (const char16_t* t : {u"Combo one", u"Combo two"}) AddGadgetItem(combo, t);
  SelectGadgetItem(combo, 0);
  IconStripRef icons = TFLIconStrip::Create(IconStrip());
  GadgetRef list = NewListBox(380, 104, 170, 86, w, 0);
  SetGadgetIconStrip(list, icons);
  int icon = 0;
  for (const char16_t* t : {u"List one", u"List two", u"List three"}) {
    AddGadgetItem(list, t, u"", icon++);
  }
  SelectGadgetItem(list, 1);
  GadgetRef tree = NewTreeView(560, 70, 190, 120, w, 0);
  SetGadgetIconStrip(tree, icons);
  GadgetRef kit = AddTreeViewNode(tree, u"Kit", 0);
  AddTreeViewNode(kit, u"Reference", 1);
  AddTreeViewNode(kit, u"Guides", 1);
  AddTreeViewNode(tree, u"Samples", 2);

  GadgetRef tabs = NewTabber(10, 200, 360, 150, w, 0);
  SetGadgetIconStrip(tabs, icons);
  icon = 0;
  for (const char16_t* t : {u"First", u"Second", u"Third"}) AddGadgetItem(tabs, t, u"", icon++);
  NewLabel(u"On the first page", 10, 10, 200, 22, tabs, 0);
  GadgetRef html = NewHtmlView(380, 200, 370, 150, w, 0);
  const char* dir = std::getenv("LEXIDOR_GALLERY_PAGE");
  if (dir) HtmlViewGo(html, FromUtf8(dir));

  GadgetRef slider = NewSlider(10, 360, 250, 24, w, SLIDER_TRACKBAR | SLIDER_HORIZONTAL);
  SetSliderValue(slider, 40);
  GadgetRef bar = NewSlider(270, 360, 250, 20, w, SLIDER_HORIZONTAL);
  SetSliderRange(bar, 20, 100);
  SetSliderValue(bar, 30);
  GadgetRef progress = NewProgressBar(530, 360, 220, 22, w, 0);
  UpdateProgBar(progress, 0.6f);
  GadgetRef panel = NewPanel(10, 395, 360, 110, w, PANEL_SUNKEN | PANEL_GROUP, u"Group panel");
  NewLabel(u"inside the panel", 10, 10, 200, 22, panel, 0);
  GadgetRef canvas = NewCanvas(380, 395, 370, 110, w, 0);
  (void)canvas;

  // The time limit arrives as a close request from a sleeping thread, so
  // the loop below sleeps until there is something to do.
  if (seconds > 0) {
    std::thread([seconds] {
      std::this_thread::sleep_for(std::chrono::seconds(seconds));
      ConsoleSystemDriver()->PostMainThreadCallback(
          [](const ObjectRef&, int) { MakeEvent(EVENT_WINDOWCLOSE)->Emit(); }, nullptr, 0);
    }).detach();
  }
  while (AwaitEvent() != EVENT_WINDOWCLOSE) {
  }
  return 0;
}

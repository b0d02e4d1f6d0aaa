// A recording GUI driver for the gadget model's tests: its gadgets keep a
// simulated list widget and the state bits a test gives them, and every
// driver call they receive is written, as one line of text, to a log the
// test reads back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/gadgets/gadget.h"
#include "gui/gadgets/gui_driver.h"
#include "runtime/string.h"

namespace lexidor {
namespace testing_support {

using CallLog = std::vector<std::string>;

inline std::string U8(const String& text) { return ToUtf8(text); }

// One entry of the simulated list widget.
struct ListEntry {
  std::string text;
  int icon = 0;
  int state = 0;
};

class TRecordingGadget : public TGadget {
 public:
  explicit TRecordingGadget(std::shared_ptr<CallLog> calls) : log(std::move(calls)) {}

  std::shared_ptr<CallLog> log;
  int kind = KIND_PANEL;
  String text;
  int state_bits = 0;
  // The client size reported to kids; -1: the gadget's own size.
  int client_w = -1, client_h = -1;
  std::vector<ListEntry> list;  // what the widget shows

  void Record(const std::string& line) {
    if (log) log->push_back(line);
  }

  void Free() override {
    Record("Free");
    _setparent(nullptr, -1);
  }
  int ClientWidth() override { return client_w >= 0 ? client_w : width; }
  int ClientHeight() override { return client_h >= 0 ? client_h : height; }
  void Activate(int command) override { Record("Activate(" + std::to_string(command) + ")"); }
  int State() override { return state_bits; }
  void SetText(const String& new_text) override {
    text = new_text;
    Record("SetText(" + U8(new_text) + ")");
  }
  String GetText() override { return text; }
  void SetColor(int r, int g, int b) override {
    Record("SetColor(" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) +
           ")");
  }
  void SetTextColor(int r, int g, int b) override {
    Record("SetTextColor(" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) +
           ")");
  }
  void SetShow(int flag) override { Record("SetShow(" + std::to_string(flag) + ")"); }
  void SetEnabled(int flag) override { Record("SetEnabled(" + std::to_string(flag) + ")"); }
  void SetSelected(int flag) override { Record("SetSelected(" + std::to_string(flag) + ")"); }
  void SetHotKey(int key, int mods) override {
    Record("SetHotKey(" + std::to_string(key) + "," + std::to_string(mods) + ")");
  }
  void SetIconStrip(const IconStripRef& strip) override {
    Record("SetIconStrip(" + std::to_string(strip ? strip->count : -1) + ")");
  }
  ObjectRef AttachGraphics(int flags) override {
    Record("AttachGraphics(" + std::to_string(flags) + ")");
    return nullptr;
  }
  int Class() override { return kind; }
  void ClearListItems() override {
    Record("ClearListItems");
    list.clear();
  }
  void InsertListItem(int index, const String& item_text, const String&, int icon,
                      const ObjectRef&) override {
    Record("InsertListItem(" + std::to_string(index) + "," + U8(item_text) + "," +
           std::to_string(icon) + ")");
    list.insert(list.begin() + index, ListEntry{U8(item_text), icon, 0});
  }
  void SetListItem(int index, const String& item_text, const String&, int icon,
                   const ObjectRef&) override {
    Record("SetListItem(" + std::to_string(index) + "," + U8(item_text) + "," +
           std::to_string(icon) + ")");
    list.at(index).text = U8(item_text);
    list.at(index).icon = icon;
  }
  void RemoveListItem(int index) override {
    Record("RemoveListItem(" + std::to_string(index) + ")");
    list.erase(list.begin() + index);
  }
  void SetListItemState(int index, int state) override {
    Record("SetListItemState(" + std::to_string(index) + "," + std::to_string(state) + ")");
    list.at(index).state = state;
  }
  int ListItemState(int index) override { return list.at(index).state; }

  std::vector<std::string> ListTexts() const {
    std::vector<std::string> texts;
    for (const ListEntry& entry : list) texts.push_back(entry.text);
    return texts;
  }
};

class TRecordingDriver : public TVexGUIDriver {
 public:
  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  int desktop_w = 1280, desktop_h = 1024;
  int color_answer = 0;
  IconStripRef strip_answer;

  GadgetRef CreateGadget(int kind, const String& text, int x, int y, int w, int h,
                         const GadgetRef& group, int style) override {
    log->push_back("CreateGadget(" + std::to_string(kind) + "," + U8(text) + "," +
                   std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
                   std::to_string(h) + "," + std::to_string(style) + ")");
    auto gadget = std::make_shared<TRecordingGadget>(log);
    gadget->kind = kind;
    gadget->text = text;
    gadget->style = style;
    if (kind == KIND_DESKTOP) {
      gadget->SetRect(0, 0, desktop_w, desktop_h);
    } else {
      gadget->SetRect(x, y, w, h);
      if (group) gadget->_setparent(group.get(), -1);
    }
    gadget->LockLayout();
    return gadget;
  }

  FontRef LoadFont(const String& name, int size, int style) override {
    log->push_back("LoadFont(" + U8(name) + "," + std::to_string(size) + "," +
                   std::to_string(style) + ")");
    auto font = std::make_shared<TGuiFont>();
    font->name = name;
    font->size = size;
    font->style = style;
    return font;
  }

  int RequestColor(int r, int g, int b) override {
    log->push_back("RequestColor(" + std::to_string(r) + "," + std::to_string(g) + "," +
                   std::to_string(b) + ")");
    return color_answer;
  }

  IconStripRef LoadIconStrip(const ObjectRef&) override { return strip_answer; }
};

// Installs a fresh recording driver for one test and removes it afterwards.
class ScopedRecordingDriver {
 public:
  ScopedRecordingDriver() : driver(std::make_shared<TRecordingDriver>()) {
    SetActiveGuiDriver(driver);
  }
  ~ScopedRecordingDriver() { SetActiveGuiDriver(nullptr); }
  std::shared_ptr<TRecordingDriver> driver;
};

inline std::shared_ptr<TRecordingGadget> Rec(const GadgetRef& gadget) {
  return std::dynamic_pointer_cast<TRecordingGadget>(gadget);
}

}  // namespace testing_support
}  // namespace lexidor

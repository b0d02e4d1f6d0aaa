#include "app/main_window.h"

#include "app/app_state.h"
#include "app/command_index.h"
#include "app/config.h"
#include "app/kit_lock.h"
#include "app/rebuild_runner.h"
#include "app/text_index_install.h"
#include "app/user_path.h"
#include "gui/events/event.h"
#include "gui/events/event_queue.h"
#include "gui/events/system_driver.h"
#include "gui/gadgets/gadget_functions.h"
#include "runtime/exit_handlers.h"

namespace lexidor {

namespace {

constexpr int kWindowStyle = 513;  // titled, centred on the desktop
constexpr int kPlainLabel = 0;
constexpr int kBorderedLabel = 1;
constexpr int kCheckBox = 2;
constexpr int kPushButton = 8;

String WindowTitle() { return String(kTitlePrefix) + kVersionText; }

// Titles the window before long work: the new title reaches the screen
// before the work starts, not with whatever follows it.
void ShowTitleNow(const GadgetRef& window, const String& title) {
  ChangeGadgetText(window, title);
  PumpSystemEvents();
}

// A failed save of the settings is said in the window: the user expects
// them kept.
void SaveSettings() {
  String error = SaveConfig();
  if (!error.empty()) ShowNotice(DecodeUtf8Bytes(error), 1);
}

}  // namespace

void RunMainWindow() {
  AppState& app = App();
  GadgetRef window = NewWindow(WindowTitle(), 100, 100, 400, 130, nullptr, kWindowStyle);
  NewLabel(u"Quandrel Path", 10, 10, 380, 20, window, kPlainLabel);
  // Paths are held as the file system's bytes, one per character; the
  // window shows them, and messages naming them, as the UTF-8 they are on
  // the desktop.
  GadgetRef pathLabel =
      NewLabel(DecodeUtf8Bytes(app.rootPath), 10, 30, 300, 20, window, kBorderedLabel);
  TintGadget(pathLabel, 200, 200, 200, 1);
  TintGadget(pathLabel, 20, 20, 230, 0);
  GadgetRef rebuildBox = NewButton(u"Rebuild docs", 10, 55, 380, 20, window, kCheckBox);
  GadgetRef changeButton = NewButton(u"Change", 320, 30, 70, 20, window, kPushButton);
  GadgetRef buildButton = NewButton(u" BUILD ", 10, 80, 180, 20, window, kPushButton);
  GadgetRef closeButton = NewButton(u" CLOSE ", 210, 80, 180, 20, window, kPushButton);
  NewLabel(u"Lexidor: a search index for the Quandrel reference", 10, 105, 380, 20, window,
           kPlainLabel);
  ChangeButtonCheck(rebuildBox, StringToInt(app.rebuildFlag));

  for (;;) {
    const int id = AwaitEvent();
    if (id == EVENT_WINDOWCLOSE) QuitProgram(0);  // the settings are not saved
    if (id != EVENT_GADGETACTION) continue;
    const ObjectRef source = CurrentEventSource();

    if (source == buildButton) {
      if (app.rootPath.empty()) {
        ShowNotice(u"Choose a path for Quandrel please!", 0);
        continue;
      }
      DisableGadgetInput(buildButton);
      DisableGadgetInput(closeButton);
      DisableGadgetInput(changeButton);
      // A builder that cannot run is told after the index is built (from the
      // command list as it stands), so the build never waits on a notice.
      auto lock = LockKitForBuild(
          app.rootPath, [&] { ShowTitleNow(window, u"Waiting for another build...."); },
          [] {
            if (PeekQueuedEvent()) AwaitEvent();
          });
      String problem;
      if (ButtonCheckState(rebuildBox) == 1) {
        ShowTitleNow(window, u"Creating documentation....");
        problem = RebuildDocumentation(app.rootPath);
      }
      ShowTitleNow(window, u"Creating index....");
      SetTextIndexProgress([&window](int percent) {
        ShowTitleNow(window, u"Indexing text\u2026 " + IntToString(percent) + u"%");
      });
      const String error = BuildIndex();
      SetTextIndexProgress(nullptr);
      lock.reset();  // not held while a notice waits for the user
      EnableGadgetInput(buildButton);
      EnableGadgetInput(closeButton);
      EnableGadgetInput(changeButton);
      if (error.empty()) {
        ChangeGadgetText(window, WindowTitle() + u" Items: " +
                                     IntToString(static_cast<int64_t>(app.commandList.Count())));
      } else {
        ChangeGadgetText(window, WindowTitle() + u" Build failed");
      }
      if (!problem.empty()) ShowNotice(DecodeUtf8Bytes(problem), 0);
      if (!error.empty()) ShowNotice(DecodeUtf8Bytes(error), 1);
    } else if (source == rebuildBox) {
      app.rebuildFlag = IntToString(ButtonCheckState(rebuildBox));
    } else if (source == closeButton) {
      SaveSettings();
      QuitProgram(0);
    } else if (source == changeButton) {
      app.rootPath = ResolveUserDirectory(
          AskDirectory(u"Find the Quandrel dir", ChooserStartDirectory(app.rootPath, UserHome())));
      ChangeGadgetText(pathLabel, DecodeUtf8Bytes(app.rootPath));
      SaveSettings();
    }
  }
}

}  // namespace lexidor

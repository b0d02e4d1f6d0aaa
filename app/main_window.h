// Window mode: the one small window with the kit path, the "Rebuild docs"
// check box and the Change / BUILD / CLOSE buttons.
#pragma once

namespace lexidor {

// Shows the window and runs its event loop for the rest of the program's
// life; ends through QuitProgram.  Needs the FLTK driver (an X display).
[[noreturn]] void RunMainWindow();

}  // namespace lexidor

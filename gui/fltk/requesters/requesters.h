// gui/fltk/requesters: the modal dialogs that ask the user (messages, choosers, fonts).
//
// The FLTK dialogs behind the GUI system driver's requesters and the FLTK
// driver's colour request: message boxes, questions, the file and directory
// choosers and the colour chooser.
//
// Every function here is modal: it runs FLTK's own loop until the dialog is
// closed and then returns.  FLTK must already be open on a display
// (fl_open_display).  Main thread only.
//
// Texts: titles and messages go to FLTK as UTF-8 and are shown exactly as
// given (a message is handed over as data, never as a format string, so
// "%" shows as "%").  Paths are bytes: a start path goes in as its Latin-1
// bytes (ToLatin1) and a chosen path comes back one code unit per byte
// (FromLatin1), so a path read from config.txt or the file system round-trips
// unchanged.
#pragma once

#include "runtime/string.h"

namespace lexidor {

// Raises TRuntimeException "<operation> currently not supported in
// fullscreen mode." when `fullscreen` is non-zero; otherwise does nothing.
// The system driver calls it with its IsFullScreen() and the operation name
// ("Notify", "Confirm", "Proceed", "RequestFile"; RequestDir uses
// "RequestFile" as well) before showing anything.
void CheckRequesterAllowed(int fullscreen, const char* operation);

// A message box with an OK button: an information box ("i") when `serious`
// is 0, an alert ("!") otherwise.  Returns 0.
int FLNotify(const String& text, int serious);

// A question with the buttons "No" and "Yes".  1 for Yes, 0 for No (closing
// the box with Escape counts as No).  `serious` is not used.
int FLConfirm(const String& text, int serious);

// A question with "Cancel", "No" and "Yes".  1 for Yes, 0 for No, -1 for
// Cancel (also when closed with Escape).  `serious` is not used.
int FLProceed(const String& text, int serious);

// FLTK's file chooser titled `text`, filtered by FileFilterPattern(exts),
// starting at `path` (the empty string: the current directory).  With
// `save` non-zero a new file name may be typed; otherwise one existing file
// is chosen.  Returns the chosen path, or the empty string when cancelled.
String FLRequestFile(const String& text, const String& exts, int save, const String& path);

// FLTK's chooser in directory mode titled `text`, pattern "*", starting at
// `path`.  Returns the chosen directory without a trailing "/" (except for
// "/" itself), or the empty string when cancelled.
String FLRequestDir(const String& text, const String& path);

// FLTK's colour chooser titled "Choose Color", preset to r/255, g/255,
// b/255.  On OK 0xff000000 | r << 16 | g << 8 | b with each chosen
// component c turned into int(255 * c + 0.5); on cancel 0.
int FLRequestColor(int r, int g, int b);

// The chooser's filter text for an extension list.  `exts` is either a
// comma-separated list of extensions ("png,jpg" -> "(*.{png,jpg})") or
// named groups "Name:ext,ext;Name:ext" -> one filter per group, separated
// by tabs ("Text:txt;All:*" -> "Text(*.{txt})\tAll(*)").  The empty string
// gives the empty string.
String FileFilterPattern(const String& exts);

}  // namespace lexidor

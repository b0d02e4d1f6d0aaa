// FLTK's standard dialogs behind the requesters.  See requesters.h.
#include "gui/fltk/requesters/requesters.h"

#include <FL/Fl.H>
#include <FL/Fl_Color_Chooser.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/fl_ask.H>

#include <string>

#include "gui/events/timing.h"
#include "runtime/exceptions.h"

namespace lexidor {

void CheckRequesterAllowed(int fullscreen, const char* operation) {
  if (fullscreen == 0) return;
  throw TRuntimeException(FromLatin1(operation) + u" currently not supported in fullscreen mode.");
}

int FLNotify(const String& text, int serious) {
  const std::string message = ToUtf8(text);
  // Each dialog runs FLTK's modal loop, which sleeps only with the tick held.
  TickHold hold;
  // The text is an argument, never the format: a "%" in it stays a "%".
  if (serious != 0) {
    fl_alert("%s", message.c_str());
  } else {
    fl_message("%s", message.c_str());
  }
  return 0;
}

int FLConfirm(const String& text, int /*serious*/) {
  const std::string message = ToUtf8(text);
  TickHold hold;
  // Button 0 also answers Escape and the window's close box.
  return fl_choice("%s", "No", "Yes", nullptr, message.c_str()) == 1 ? 1 : 0;
}

int FLProceed(const String& text, int /*serious*/) {
  const std::string message = ToUtf8(text);
  TickHold hold;
  return fl_choice("%s", "Cancel", "No", "Yes", message.c_str()) - 1;
}

namespace {

// Runs a chooser until it is closed and gives its answer as a byte-true
// path ("" when cancelled).
String RunChooser(const String& title, const String& pattern, int type, const String& path) {
  const std::string title_utf8 = ToUtf8(title);
  const std::string pattern_utf8 = ToUtf8(pattern);
  const std::string start = ToLatin1(path);
  Fl_File_Chooser chooser(start.empty() ? nullptr : start.c_str(), pattern_utf8.c_str(), type,
                          title_utf8.c_str());
  chooser.show();
  TickHold hold;
  while (chooser.shown()) Fl::wait();
  const char* chosen = chooser.value();
  if (chosen == nullptr) return String();
  return FromLatin1(chosen);
}

}  // namespace

String FLRequestFile(const String& text, const String& exts, int save, const String& path) {
  return RunChooser(text, FileFilterPattern(exts),
                    save != 0 ? Fl_File_Chooser::CREATE : Fl_File_Chooser::SINGLE, path);
}

String FLRequestDir(const String& text, const String& path) {
  String dir = RunChooser(text, u"*", Fl_File_Chooser::DIRECTORY, path);
  // The chooser ends a directory it was opened in with "/"; the same choice
  // gives the same path either way.
  while (dir.size() > 1 && dir.back() == u'/') dir.pop_back();
  return dir;
}

int FLRequestColor(int r, int g, int b) {
  double red = r / 255.0;
  double green = g / 255.0;
  double blue = b / 255.0;
  TickHold hold;
  if (fl_color_chooser("Choose Color", red, green, blue) == 0) return 0;
  const unsigned int ri = static_cast<unsigned int>(255 * red + 0.5) & 0xff;
  const unsigned int gi = static_cast<unsigned int>(255 * green + 0.5) & 0xff;
  const unsigned int bi = static_cast<unsigned int>(255 * blue + 0.5) & 0xff;
  return static_cast<int>(0xff000000u | ri << 16 | gi << 8 | bi);
}

String FileFilterPattern(const String& exts) {
  if (exts.empty()) return String();
  if (Find(exts, u":") < 0) return u"(*.{" + exts + u"})";
  String pattern = ReplaceAll(exts, u":", u"(*.{");
  pattern = ReplaceAll(pattern, u";", u"})\t");
  pattern += u"})";
  return ReplaceAll(pattern, u"*.{*}", u"*");
}

}  // namespace lexidor

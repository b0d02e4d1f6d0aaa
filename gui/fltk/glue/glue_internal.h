// State shared by the glue's own .cpp files (glue_core.cpp, glue_widgets.cpp,
// glue_items.cpp); nothing outside the glue includes this.  No FLTK types.
#pragma once

#include "gui/fltk/glue/glue.h"

namespace lexidor {
namespace glue_detail {

// The key filter installed by glue_init_fltk (nullptr before).
GlueKeyFilter KeyFilter();
// The driver's widget callback, as last given to glue_set_callback.
GlueCallback DriverCallback();
void SetDriverCallback(GlueCallback callback);
// The callback reason recorded by one of the glue's widget classes for the
// callback now running; 0 when none is.
int RecordedReason();
void SetRecordedReason(int reason);
// Calls the widget's callback for `reason` (0: FLTK's current event) when
// it is the driver's, then clears the changed flag; false when the callback
// deleted the widget.
bool ReportCallback(Fl_Widget* widget, int reason);
// Installs, once, the glue's watch over FLTK's event dispatch (it reports
// windows gaining the focus and counts the dispatch of input).
void WatchDispatch();
// How deep FLTK's dispatch of mouse buttons and keys is nested now: 0 while
// no click or key is being handled.  Counted once WatchDispatch has run.
int InputDispatchDepth();
// Asks the driver's key filter about the key press being handled.
bool KeyAllowedFor(Fl_Widget* widget);
// A text editor (`editor`) or a read-only text display (glue_text.cpp).
Fl_Widget* NewTextArea(int x, int y, int w, int h, bool editor);
// The HTML view (glue_help.cpp).
Fl_Widget* NewHelpView(int x, int y, int w, int h);
// Counts one glue_redraw.
void CountRedraw();
// An underline and/or a strike-through line along text drawn in the current
// font and colour from x = `left` to `right` (exclusive) on `baseline`:
// FLTK's fonts have no such faces, so labels and text areas draw them.
void DrawTextLines(int left, int right, int baseline, bool underline, bool strike);

}  // namespace glue_detail
}  // namespace lexidor

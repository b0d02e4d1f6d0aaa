// TFLWidget: the text-area operations (FLTK text editor and display).
//
// The glue counts characters; this file turns line units into characters
// and keeps the program's own edits apart from the user's.
#include <algorithm>

#include "gui/events/event.h"
#include "gui/fltk/glue/glue.h"
#include "gui/fltk/widget/fl_widget.h"
#include "gui/gadgets/gadget_functions.h"

namespace lexidor {

void TFLWidget::TextRange(int position, int length, int units, int* start, int* end) {
  const int size = glue_text_length(flhandle);
  int from, to;
  if (units == TEXTAREA_LINES) {
    from = glue_text_line_start(flhandle, std::max(0, position));
    to = length < 0 ? size : glue_text_line_start(flhandle, std::max(0, position) + length);
  } else {
    from = position;
    to = length < 0 ? size : position + length;
  }
  from = std::max(0, std::min(from, size));
  to = std::max(from, std::min(to, size));
  *start = from;
  *end = to;
}

void TFLWidget::ReplaceText(int position, int length, const String& text, int units) {
  if (!IsTextArea()) return;
  int start, end;
  TextRange(position, length, units, &start, &end);
  ++ignore;
  glue_text_replace(flhandle, start, end, text);
  --ignore;
}

void TFLWidget::AddText(const String& text) {
  if (!IsTextArea()) return;
  ++ignore;
  glue_text_replace(flhandle, glue_text_length(flhandle), -1, text);
  --ignore;
}

String TFLWidget::AreaText(int position, int length, int units) {
  if (!IsTextArea()) return String();
  int start, end;
  TextRange(position, length, units, &start, &end);
  return glue_text_range(flhandle, start, end);
}

int TFLWidget::AreaLen(int units) {
  if (!IsTextArea()) return 0;
  return units == TEXTAREA_LINES ? glue_text_line_count(flhandle) : glue_text_length(flhandle);
}

void TFLWidget::LockText() {
  if (!IsTextArea()) return;
  if (locked++ > 0) return;
  int start, end;
  glue_text_selection(flhandle, &start, &end);
  if (end > start) {
    lockedpos = start;
    lockedlen = end - start;
  } else {
    lockedpos = glue_text_cursor(flhandle);
    lockedlen = 0;
  }
}

void TFLWidget::UnlockText() {
  if (!IsTextArea() || locked == 0) return;
  if (--locked > 0) return;
  const int size = glue_text_length(flhandle);
  const int start = std::min(lockedpos, size);
  glue_text_select(flhandle, start, std::min(start + lockedlen, size));
  Redraw();
}

void TFLWidget::SetTabs(int tabs) {
  if (IsTextArea()) glue_text_set_tabs(flhandle, tabs);
}

int TFLWidget::GetCursorPos(int units) {
  if (!IsTextArea()) return 0;
  const int pos = glue_text_cursor(flhandle);
  return units == TEXTAREA_LINES ? glue_text_line_of(flhandle, pos) : pos;
}

int TFLWidget::GetSelectionLength(int units) {
  if (!IsTextArea()) return 0;
  int start, end;
  glue_text_selection(flhandle, &start, &end);
  if (end <= start) return 0;
  if (units != TEXTAREA_LINES) return end - start;
  // The lines the selection touches.
  return glue_text_line_of(flhandle, end - 1) - glue_text_line_of(flhandle, start) + 1;
}

void TFLWidget::SetStyle(int red, int green, int blue, int flags, int position, int length,
                         int units) {
  if (!IsTextArea()) return;
  int start, end;
  TextRange(position, length, units, &start, &end);
  glue_text_style(flhandle, start, end, red, green, blue, flags);
}

void TFLWidget::SetSelection(int position, int length, int units) {
  if (!IsTextArea()) return;
  int start, end;
  TextRange(position, std::max(0, length), units, &start, &end);
  glue_text_select(flhandle, start, end);
}

int TFLWidget::CharX(int position) {
  int x, y;
  if (!IsTextArea() || !glue_text_position_xy(flhandle, position, &x, &y)) return -1;
  return x;
}

int TFLWidget::CharY(int position) {
  int x, y;
  if (!IsTextArea() || !glue_text_position_xy(flhandle, position, &x, &y)) return -1;
  return y;
}

int TFLWidget::CharAt(int line) { return IsTextArea() ? glue_text_line_start(flhandle, line) : 0; }

int TFLWidget::LineAt(int position) {
  return IsTextArea() ? glue_text_line_of(flhandle, position) : 0;
}

void TFLWidget::SetTextFont(const FontRef& font) {
  if (!font) return;
  const unsigned handle = static_cast<unsigned>(font->handle);
  fnthandle = textfont = static_cast<int>(handle & 0xfff);
  fntsize = textsize = static_cast<int>(handle >> 16);
  fntstyle = font->style;
  glue_text_font(flhandle, textfont, textsize);
}

void TFLWidget::EditHandler(int pos, int inserted, int deleted, void* user_data) {
  auto* widget = static_cast<TFLWidget*>(user_data);
  if (!widget || widget->ignore > 0 || (inserted == 0 && deleted == 0)) return;
  GadgetRef self = widget->Self();
  if (!self) return;
  RaiseGadgetEvent(EVENT_GADGETACTION, self, 0, 0, 0, 0, nullptr);
  widget->CheckCursorPos(TEXTAREA_CHARS, pos + inserted);
}

void TFLWidget::CheckCursorPos(int units, int pos) {
  if (!IsTextArea()) return;
  int cursor = pos < 0 ? glue_text_cursor(flhandle) : pos;
  if (units == TEXTAREA_LINES) cursor = glue_text_line_of(flhandle, cursor);
  const int length = GetSelectionLength(units);
  if (cursor == intLastCursorPos && length == intLastCursorLen) return;
  intLastCursorPos = cursor;
  intLastCursorLen = length;
  GadgetRef self = Self();
  if (self) RaiseGadgetEvent(EVENT_GADGETSELECT, self, cursor, 0, length, 0, nullptr);
}

}  // namespace lexidor

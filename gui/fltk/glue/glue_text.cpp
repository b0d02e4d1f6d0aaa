// The glue's text areas: an editor and a read-only display over one text
// buffer and one style buffer each.
//
// FLTK keeps text as UTF-8 and counts positions in bytes; everything this
// file hands out counts characters (code points), so the driver never sees
// a byte offset.  The style buffer holds one style letter per byte of text
// ('A' + index into the style table); the buffer's change callback keeps it
// in step with every edit before the driver hears of the edit.
#include <FL/Fl.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gui/fltk/glue/glue.h"
#include "gui/fltk/glue/glue_internal.h"

namespace lexidor {

namespace {

constexpr char kFirstStyle = 'A';
// Style flags: 1 bold and 2 italic pick the face; FLTK 1.3's text widgets
// cannot draw the other two, so the widget draws their lines itself over
// the text FLTK drew.
constexpr int kUnderline = 4;
constexpr int kStrikeThrough = 8;
constexpr int kLines = kUnderline | kStrikeThrough;
// Style letters run from 'A' up to this many entries; further styles share
// the last entry.
constexpr int kMaxStyles = 120;

// What a text area keeps besides its FLTK widget.  A base of the widget
// classes, destroyed after the widget, so the buffers outlive the widget
// that reads them while being destroyed.
struct TextAreaState {
  Fl_Text_Buffer* text_buffer = new Fl_Text_Buffer;
  Fl_Text_Buffer* style_buffer = new Fl_Text_Buffer;
  // Entry 0 is the plain style (text colour, base font); the others are
  // (colour, font flags) pairs made by glue_text_style.
  std::vector<Fl_Text_Display::Style_Table_Entry> styles;
  std::vector<int> style_flags;
  unsigned text_color = FL_FOREGROUND_COLOR;
  int font = 0, size = 14;
  GlueTextChanged changed = nullptr;
  void* changed_data = nullptr;
  // Set while new tab stops make FLTK announce the whole text as replaced
  // by itself: no edit, so no style change and no report.
  bool retabbing = false;

  TextAreaState() {
    styles.push_back({FL_FOREGROUND_COLOR, 0, 14, 0});
    style_flags.push_back(0);
  }
  ~TextAreaState() {
    delete text_buffer;
    delete style_buffer;
  }
};

// The FLTK font for the base font with bold (1) and italic (2) flags: FLTK
// numbers the four faces of a family consecutively.
int FaceOf(int font, int flags) {
  int face = font;
  if ((flags & 1) && !(font & FL_BOLD)) face += FL_BOLD;
  if ((flags & 2) && !(font & FL_ITALIC)) face += FL_ITALIC;
  return face;
}

// The widget part the glue functions work on, for either class.
struct TextParts {
  TextAreaState* state = nullptr;
  Fl_Text_Display* display = nullptr;
  Fl_Text_Editor* editor = nullptr;  // nullptr for a read-only display
};

// The text buffer's change callback.
void OnBufferModified(int pos, int inserted, int deleted, int, const char* deleted_text,
                      void* data);

template <class Base>
class TextArea : public TextAreaState, public Base {
 public:
  TextArea(int x, int y, int w, int h) : Base(x, y, w, h) {
    this->end();
    this->buffer(text_buffer);
    ApplyStyles();
    // After the display's own callback: the display has taken the edit in
    // when the style buffer follows.
    text_buffer->add_modify_callback(OnBufferModified, static_cast<TextAreaState*>(this));
    // Edits are reported through the buffer, the rest through handle().
    this->when(FL_WHEN_NEVER);
  }
  ~TextArea() override {
    text_buffer->remove_modify_callback(OnBufferModified, static_cast<TextAreaState*>(this));
  }

  void ApplyStyles() {
    for (size_t i = 0; i < styles.size(); ++i) {
      styles[i].font = FaceOf(font, style_flags[i]);
      styles[i].size = size;
    }
    styles[0].color = text_color;
    this->textfont(font);
    this->textsize(size);
    this->textcolor(text_color);
    this->highlight_data(style_buffer, styles.data(), static_cast<int>(styles.size()), kFirstStyle,
                         nullptr, nullptr);
    this->redisplay_range(0, text_buffer->length());
  }

  void draw() override {
    Base::draw();
    DrawLines();
  }

  int handle(int event) override {
    switch (event) {
      case FL_PUSH:
      case FL_RELEASE:
        if (Fl::event_button() != FL_LEFT_MOUSE) {
          // Other buttons are the program's (a context menu): FLTK would
          // paste on the middle button.
          glue_detail::ReportCallback(this, 0);
          return 1;
        }
        return HandleThenReport(event);
      case FL_UNFOCUS:
        return HandleThenReport(event);
      case FL_KEYDOWN:
        if (!glue_detail::KeyAllowedFor(this)) return 1;
        return HandleThenReport(event);
      default:
        return Base::handle(event);
    }
  }

 private:
  // Underlines and strike-through lines of the visible text, in the colour
  // of each stretch's style.  Runs over the whole visible text on every
  // draw: FLTK's partial redraws repaint whole lines, lines included.
  void DrawLines() {
    bool any = false;
    for (int flags : style_flags) any = any || (flags & kLines);
    if (!any || this->mLastChar <= this->mFirstChar) return;
    const int first = this->mFirstChar;
    const int last = std::min(this->mLastChar, text_buffer->length());
    char* letters = style_buffer->text_range(first, last);
    char* text = text_buffer->text_range(first, last);
    fl_push_clip(this->text_area.x, this->text_area.y, this->text_area.w, this->text_area.h);
    int at = 0;
    const int count = last - first;
    while (at < count) {
      const int style = StyleAt(letters[at]);
      if (!(style_flags[style] & kLines) || text[at] == '\n') {
        ++at;
        continue;
      }
      // One stretch: the same style up to the end of the line.
      int end = at + 1;
      while (end < count && letters[end] == letters[at] && text[end] != '\n') ++end;
      DrawStretch(first + at, first + end, style);
      at = end;
    }
    fl_pop_clip();
    free(letters);
    free(text);
  }

  int StyleAt(char letter) const {
    const int index = letter - kFirstStyle;
    return index >= 0 && index < static_cast<int>(styles.size()) ? index : 0;
  }

  // Lines under and through the bytes [from, to) of one text line, a
  // display row at a time when the line wraps.
  void DrawStretch(int from, int to, int style) {
    const Fl_Text_Display::Style_Table_Entry& entry = styles[style];
    fl_font(entry.font, entry.size);
    const int descent = fl_descent();
    fl_color(entry.color);
    int x, y;
    if (!this->position_to_xy(from, &x, &y)) return;
    int pos = from;
    bool visible = true;
    while (visible && pos < to) {
      const int row = y, left = x;
      int right = x;
      while (pos < to) {
        const int next = text_buffer->next_char(pos);
        int nx = 0, ny = 0;
        visible = this->position_to_xy(next, &nx, &ny) != 0;
        if (visible && ny == row) {
          right = nx;
        } else {
          // The row ends with this character: the next one wraps or is
          // out of sight.
          char* ch = text_buffer->text_range(pos, next);
          right = x + static_cast<int>(fl_width(ch));
          free(ch);
        }
        pos = next;
        x = nx;
        y = ny;
        if (!visible || ny != row) break;
      }
      glue_detail::DrawTextLines(left, right, row + this->mMaxsize - descent,
                                 style_flags[style] & kUnderline,
                                 style_flags[style] & kStrikeThrough);
    }
  }

  int HandleThenReport(int event) {
    Fl_Widget_Tracker tracker(this);
    const int used = Base::handle(event);
    if (tracker.deleted()) return 1;
    glue_detail::ReportCallback(this, 0);
    return used;
  }
};

using TextEditor = TextArea<Fl_Text_Editor>;
using TextDisplay = TextArea<Fl_Text_Display>;

TextParts PartsOf(Fl_Widget* widget) {
  TextParts parts;
  if (auto* editor = dynamic_cast<TextEditor*>(widget)) {
    parts.state = editor;
    parts.display = editor;
    parts.editor = editor;
  } else if (auto* display = dynamic_cast<TextDisplay*>(widget)) {
    parts.state = display;
    parts.display = display;
  }
  return parts;
}

void ApplyStyles(const TextParts& parts) {
  if (parts.editor) {
    static_cast<TextEditor*>(parts.editor)->ApplyStyles();
  } else if (parts.display) {
    static_cast<TextDisplay*>(parts.display)->ApplyStyles();
  }
}

// Characters in `bytes` bytes of UTF-8 text.
int CharsIn(const char* text, int bytes) {
  int count = 0;
  for (int i = 0; i < bytes; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80) ++count;
  }
  return count;
}

// Characters before byte `pos` of the buffer.
int CharIndex(Fl_Text_Buffer* buffer, int pos) {
  int count = 0;
  for (int at = 0; at < pos && at < buffer->length(); at = buffer->next_char(at)) ++count;
  return count;
}

// The byte offset of character `index`, clamped to 0..length.
int ByteIndex(Fl_Text_Buffer* buffer, int index) {
  int at = 0;
  for (int n = 0; n < index && at < buffer->length(); ++n) at = buffer->next_char(at);
  return at;
}

void OnBufferModified(int pos, int inserted, int deleted, int, const char* deleted_text,
                      void* data) {
  auto* state = static_cast<TextAreaState*>(data);
  if (state->retabbing) return;
  if (deleted > 0) state->style_buffer->remove(pos, pos + deleted);
  if (inserted > 0) {
    // New text takes the plain style.
    std::string fill(static_cast<size_t>(inserted), kFirstStyle);
    state->style_buffer->insert(pos, fill.c_str());
  }
  if (!state->changed || (inserted == 0 && deleted == 0)) return;
  const int chars_deleted = deleted_text ? CharsIn(deleted_text, deleted) : 0;
  char* added = state->text_buffer->text_range(pos, pos + inserted);
  const int chars_inserted = CharsIn(added, inserted);
  free(added);
  state->changed(CharIndex(state->text_buffer, pos), chars_inserted, chars_deleted,
                 state->changed_data);
}

}  // namespace

namespace glue_detail {

Fl_Widget* NewTextArea(int x, int y, int w, int h, bool editor) {
  if (editor) {
    auto* area = new TextEditor(x, y, w, h);
    area->add_key_binding('z', FL_CTRL, Fl_Text_Editor::kf_undo);
    return area;
  }
  return new TextDisplay(x, y, w, h);
}

}  // namespace glue_detail

int glue_is_text_area(Fl_Widget* widget) { return PartsOf(widget).state ? 1 : 0; }

void glue_text_set_changed(Fl_Widget* area, GlueTextChanged handler, void* user_data) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  parts.state->changed = handler;
  parts.state->changed_data = user_data;
}

void glue_text_replace(Fl_Widget* area, int start, int end, const String& text) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  Fl_Text_Buffer* buffer = parts.state->text_buffer;
  const int from = ByteIndex(buffer, start);
  const int to = end < 0 ? buffer->length() : ByteIndex(buffer, end);
  buffer->replace(from, to < from ? from : to, ToUtf8(text).c_str());
}

String glue_text_range(Fl_Widget* area, int start, int end) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return String();
  Fl_Text_Buffer* buffer = parts.state->text_buffer;
  const int from = ByteIndex(buffer, start);
  const int to = end < 0 ? buffer->length() : ByteIndex(buffer, end);
  if (to <= from) return String();
  char* bytes = buffer->text_range(from, to);
  String text = FromUtf8(bytes);
  free(bytes);
  return text;
}

int glue_text_length(Fl_Widget* area) {
  TextParts parts = PartsOf(area);
  return parts.state ? CharIndex(parts.state->text_buffer, parts.state->text_buffer->length()) : 0;
}

int glue_text_line_count(Fl_Widget* area) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return 0;
  Fl_Text_Buffer* buffer = parts.state->text_buffer;
  return buffer->count_lines(0, buffer->length()) + 1;
}

int glue_text_line_start(Fl_Widget* area, int line) {
  TextParts parts = PartsOf(area);
  if (!parts.state || line <= 0) return 0;
  Fl_Text_Buffer* buffer = parts.state->text_buffer;
  if (line >= glue_text_line_count(area)) return glue_text_length(area);
  return CharIndex(buffer, buffer->skip_lines(0, line));
}

int glue_text_line_of(Fl_Widget* area, int pos) {
  TextParts parts = PartsOf(area);
  if (!parts.state || pos <= 0) return 0;
  Fl_Text_Buffer* buffer = parts.state->text_buffer;
  return buffer->count_lines(0, ByteIndex(buffer, pos));
}

int glue_text_cursor(Fl_Widget* area) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return 0;
  return CharIndex(parts.state->text_buffer, parts.display->insert_position());
}

void glue_text_selection(Fl_Widget* area, int* start, int* end) {
  *start = *end = 0;
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  Fl_Text_Buffer* buffer = parts.state->text_buffer;
  int from = 0, to = 0;
  if (!buffer->selection_position(&from, &to)) return;
  *start = CharIndex(buffer, from);
  *end = CharIndex(buffer, to);
}

void glue_text_select(Fl_Widget* area, int start, int end) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  Fl_Text_Buffer* buffer = parts.state->text_buffer;
  const int from = ByteIndex(buffer, start);
  const int to = ByteIndex(buffer, end);
  if (to > from) {
    buffer->select(from, to);
  } else {
    buffer->unselect();
  }
  parts.display->insert_position(to > from ? to : from);
  parts.display->show_insert_position();
}

void glue_text_set_tabs(Fl_Widget* area, int tabs) {
  TextParts parts = PartsOf(area);
  if (!parts.state || tabs <= 0) return;
  parts.state->retabbing = true;
  parts.state->text_buffer->tab_distance(tabs);
  parts.state->retabbing = false;
}

int glue_text_tabs(Fl_Widget* area) {
  TextParts parts = PartsOf(area);
  return parts.state ? parts.state->text_buffer->tab_distance() : 0;
}

int glue_text_position_xy(Fl_Widget* area, int pos, int* x, int* y) {
  *x = *y = 0;
  TextParts parts = PartsOf(area);
  if (!parts.state) return 0;
  int px = 0, py = 0;
  if (!parts.display->position_to_xy(ByteIndex(parts.state->text_buffer, pos), &px, &py)) {
    return 0;
  }
  *x = px - area->x();
  *y = py - area->y();
  return 1;
}

int glue_text_style(Fl_Widget* area, int start, int end, int r, int g, int b, int flags) {
  TextParts parts = PartsOf(area);
  if (!parts.state || end <= start) return 0;
  TextAreaState* state = parts.state;
  const unsigned color = glue_rgb_color(r, g, b);
  flags &= 3 | kLines;
  size_t index = 0;
  for (; index < state->styles.size(); ++index) {
    if (index > 0 && state->styles[index].color == color && state->style_flags[index] == flags) {
      break;
    }
  }
  if (index == state->styles.size()) {
    if (index >= static_cast<size_t>(kMaxStyles)) {
      index = kMaxStyles - 1;
    } else {
      state->styles.push_back({color, 0, 0, 0});
      state->style_flags.push_back(flags);
    }
  }
  ApplyStyles(parts);
  const int from = ByteIndex(state->text_buffer, start);
  const int to = ByteIndex(state->text_buffer, end);
  std::string letters(static_cast<size_t>(to - from), static_cast<char>(kFirstStyle + index));
  state->style_buffer->replace(from, to, letters.c_str());
  parts.display->redisplay_range(from, to);
  return static_cast<int>(index);
}

String glue_text_styles(Fl_Widget* area) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return String();
  char* letters = parts.state->style_buffer->text();
  String out = FromLatin1(letters);
  free(letters);
  return out;
}

void glue_text_font(Fl_Widget* area, int font, int size) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  parts.state->font = font;
  if (size > 0) parts.state->size = size;
  ApplyStyles(parts);
}

void glue_text_color(Fl_Widget* area, int r, int g, int b) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  parts.state->text_color = glue_rgb_color(r, g, b);
  ApplyStyles(parts);
}

void glue_text_wrap(Fl_Widget* area, int flag) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  parts.display->wrap_mode(flag ? Fl_Text_Display::WRAP_AT_BOUNDS : Fl_Text_Display::WRAP_NONE, 0);
}

void glue_text_clipboard(Fl_Widget* area, int operation) {
  TextParts parts = PartsOf(area);
  if (!parts.state) return;
  if (operation == 2) {
    // Copying needs no editor: the display's selection goes to the clipboard.
    char* text = parts.state->text_buffer->selection_text();
    if (text && *text) Fl::copy(text, static_cast<int>(strlen(text)), 1);
    free(text);
    return;
  }
  if (!parts.editor) return;
  if (operation == 1) Fl_Text_Editor::kf_cut(0, parts.editor);
  if (operation == 3) Fl_Text_Editor::kf_paste(0, parts.editor);
}

}  // namespace lexidor

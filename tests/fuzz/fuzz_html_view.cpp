// What the HTML view takes from pages and links: the page cleaner, the URL
// decoder and the navigation-script parser.  The first byte picks one.
#include <string>
#include <vector>

#include "gui/fltk/html/html_cleaner.h"
#include "gui/fltk/html/html_script.h"
#include "gui/fltk/widget/fl_widget.h"
#include "tests/fuzz/fuzz_support.h"

using namespace lexidor;

namespace {

void Page(std::string_view bytes) {
  const String text = DecodePageBytes(bytes);
  FUZZ_CHECK(text.size() <= bytes.size(), "decoding gives more units than bytes");
  const String page = CleanHtmlPage(bytes);
  FUZZ_CHECK(page == CleanHtmlMarkup(text), "cleaning is not decoding then markup");
  // Text without markup, references or a byte-order mark is left alone.
  if (text.find_first_of(u"<&\uFEFF") == String::npos) {
    FUZZ_CHECK(CleanHtmlMarkup(text) == text, "plain text changed");
  }
}

void Url(std::string_view bytes) {
  const String text = FromLatin1(bytes);
  const String decoded = TFLWidget::DecodeURL(text);
  FUZZ_CHECK(decoded.size() <= text.size(), "decoding grows the text");
  // Text without "%" or "+" decodes to itself.
  if (text.find_first_of(u"%+") == String::npos) FUZZ_CHECK(decoded == text, "plain text changed");
}

void Script(std::string_view bytes) {
  const String script = FromLatin1(bytes);
  std::vector<THtmlScriptStep> steps = {THtmlScriptStep{}};
  const bool ok = ParseHtmlScript(script, &steps);
  if (!ok) FUZZ_CHECK(steps.empty(), "a refused script leaves steps");
  // Without strings, a script twice over (joined by ";") is understood
  // exactly when the script is, with twice the steps.
  if (script.find_first_of(u"\"'\\") != String::npos) return;
  std::vector<THtmlScriptStep> twice;
  const bool ok2 = ParseHtmlScript(script + u";" + script, &twice);
  FUZZ_CHECK(ok2 == ok, "a script twice is understood differently");
  FUZZ_CHECK(twice.size() == 2 * steps.size(), "a script twice gives other steps");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0:
      Page(bytes);
      break;
    case 1:
      Url(bytes);
      break;
    default:
      Script(bytes);
      break;
  }
  return 0;
}

// The chooser filter text and the full-screen refusal of the requesters.
#include "gui/fltk/requesters/requesters.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"

namespace lexidor {
namespace {

struct PatternCase {
  const char16_t* exts;
  const char16_t* pattern;
};

TEST(FileFilterPatternTest, TurnsExtensionListsIntoChooserFilters) {
  const PatternCase cases[] = {
      {u"", u""},
      {u"png,jpg", u"(*.{png,jpg})"},
      {u"txt", u"(*.{txt})"},
      {u"*", u"(*.{*})"},  // a plain list is taken as it is
      {u"Text:txt;All:*", u"Text(*.{txt})\tAll(*)"},
      {u"Images:png,jpg,gif", u"Images(*.{png,jpg,gif})"},
      {u"Images:png,jpg;Text:txt,md;All files:*",
       u"Images(*.{png,jpg})\tText(*.{txt,md})\tAll files(*)"},
      {u"All:*;Code:cpp,h", u"All(*)\tCode(*.{cpp,h})"},
  };
  for (const PatternCase& c : cases) {
    EXPECT_EQ(ToUtf8(FileFilterPattern(c.exts)), ToUtf8(c.pattern)) << ToUtf8(c.exts);
  }
}

TEST(CheckRequesterAllowedTest, RefusesOnlyInFullScreen) {
  EXPECT_NO_THROW(CheckRequesterAllowed(0, "Notify"));
  const char* operations[] = {"Notify", "Confirm", "Proceed", "RequestFile"};
  for (const char* operation : operations) {
    try {
      CheckRequesterAllowed(1, operation);
      ADD_FAILURE() << operation << " was allowed in full screen";
    } catch (const TRuntimeException& e) {
      EXPECT_EQ(ToUtf8(e.error),
                std::string(operation) + " currently not supported in fullscreen mode.");
    }
  }
}

}  // namespace
}  // namespace lexidor

#include "app/page_install.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

// The program's path reaches the page inside an HTML attribute inside a
// script string: every character that would end either stays in the path.
TEST(ButtonScript, KeepsAnyPathInsideTheLink) {
  struct Case {
    const char16_t* path;
    const char16_t* script;
  };
  const Case cases[] = {
      {u"/opt/lexidor/Lexidor",
       u"document.write(\"<a href='/opt/lexidor/Lexidor'>Rebuild index</a>\");"},
      {u"/b'in/Lexidor", u"document.write(\"<a href='/b&#39;in/Lexidor'>Rebuild index</a>\");"},
      {u"/a\"b/<x>&y", u"document.write(\"<a href='/a&quot;b/&lt;x&gt;&amp;y'>Rebuild index</a>\");"},
      {u"/back\\slash\n", u"document.write(\"<a href='/back\\\\slash\\n'>Rebuild index</a>\");"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ButtonScript(c.path), c.script) << ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace lexidor

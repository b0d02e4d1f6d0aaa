#include "app/rebuild_page.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

TEST(RebuildPage, GivesACommandLineThatRunsAsCopied) {
  const struct {
    const char16_t* directory;
    const char16_t* searchPath;
    const char16_t* root;
    const char16_t* expected;
  } cases[] = {
      {u"/usr/bin", u"/usr/local/bin:/usr/bin/:/bin", u"/opt/quandrel",
       u"lexidor --kit /opt/quandrel"},
      {u"/opt/lx/bin", u"/usr/bin", u"/home/u/Quandrel Kit",
       u"/opt/lx/bin/lexidor --kit '/home/u/Quandrel Kit'"},
      {u"/usr/bin", u"", u"/k/it's $HOME", u"/usr/bin/lexidor --kit '/k/it'\\''s $HOME'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(RebuildCommand(ProgramCommand(c.directory, u"lexidor", c.searchPath), c.root)),
              ToUtf8(c.expected));
  }
  EXPECT_EQ(RebuildPage(u"<pre>@COMMAND@</pre>", u"x --kit '/a<b>&\"c'"),
            u"<pre>x --kit '/a&lt;b&gt;&amp;&quot;c'</pre>");
}

}  // namespace
}  // namespace lexidor

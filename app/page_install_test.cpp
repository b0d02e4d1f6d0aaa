#include "app/page_install.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

// The program's path reaches the page inside an HTML attribute inside a
// script string: every character that would end either stays in the path.
TEST(ButtonScript, LinksTheProgramFileByItsPercentEncodedBytes) {
  struct Case {
    const char16_t* path;
    const char16_t* script;
  };
  const Case cases[] = {
      {u"/opt/lexidor/Lexidor",
       u"document.write(\"<a href='/opt/lexidor/Lexidor'>Rebuild index</a>\");"},
      {u"/b'in/Lexidor", u"document.write(\"<a href='/b%27in/Lexidor'>Rebuild index</a>\");"},
      {u"/a\"b/<x>&y", u"document.write(\"<a href='/a%22b/%3Cx%3E%26y'>Rebuild index</a>\");"},
      {u"/back\\slash\n", u"document.write(\"<a href='/back%5Cslash%0A'>Rebuild index</a>\");"},
      // "#" and "%" are part of the folder's name, not a fragment or an escape.
      {u"/b#in%41/Lexidor",
       u"document.write(\"<a href='/b%23in%2541/Lexidor'>Rebuild index</a>\");"},
      // The bytes of the name, whether the folder is named in Latin-1 or UTF-8.
      {u"/jos\u00e9/x", u"document.write(\"<a href='/jos%E9/x'>Rebuild index</a>\");"},
      {u"/jos\u00c3\u00a9/x", u"document.write(\"<a href='/jos%C3%A9/x'>Rebuild index</a>\");"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ButtonScript(c.path), c.script) << ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace lexidor

#include "app/user_path.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

TEST(UserPath, ResolvesTypedDirectoriesAgainstTheStartDirectoryAndHome) {
  const struct {
    const char16_t* typed;
    const char16_t* home;
    const char16_t* expected;
  } cases[] = {
      {u"", u"/home/u", u""},
      {u"kit", u"/home/u", u"/start/here/kit"},
      {u"./kit/", u"/home/u", u"/start/here/kit"},
      {u"../kit", u"/home/u", u"/start/kit"},
      {u"/opt//q/", u"/home/u", u"/opt/q"},
      {u"/", u"/home/u", u"/"},
      {u"~", u"/home/u/", u"/home/u"},
      {u"~/q dir", u"/home/u", u"/home/u/q dir"},
      {u"~/q", u"", u"/start/here/q"},
      {u"~other", u"/home/u", u"/start/here/~other"},
      {u"/../..", u"/home/u", u"/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(ResolveDirectory(c.typed, u"/start/here", c.home)), ToUtf8(c.expected))
        << ToUtf8(c.typed);
  }
}

TEST(UserPath, ChooserOpensInTheKitsParentOrTheHome) {
  EXPECT_EQ(ChooserStartDirectory(u"", u"/home/u/"), u"/home/u/");
  EXPECT_EQ(ChooserStartDirectory(u"/opt/quandrel", u"/home/u"), u"/opt/");
  EXPECT_EQ(ChooserStartDirectory(u"/quandrel", u"/home/u"), u"/");
  EXPECT_EQ(ChooserStartDirectory(u"", u""), u"");
}

}  // namespace
}  // namespace lexidor

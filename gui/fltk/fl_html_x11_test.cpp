// The FLTK driver's HTML view on a real X server (Xvfb): pages read through
// the stream layer, the history, and link clicks resolved against the page
// shown.
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "gui/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/gadget_types.h"

namespace lexidor {
namespace fltest {
namespace {

class FlHtmlTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    char pattern[] = "/tmp/lexidor_html_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    Write("a.html",
          "<html><body><a href=\"b%20page.html\">to the b page, a long link</a>"
          "<p>Alpha page</p></body></html>");
    Write("b page.html", "<html><body><p>Beta page</p></body></html>");
    window_ = Window(u"html", 0, 0, 420, 300, 513);
    ASSERT_NE(window_, nullptr);
    view_ = NewHtmlView(10, 10, 380, 250, window_, 0);
    ASSERT_NE(view_, nullptr);
    Settle();
    xid_ = XidOf(window_);
    ASSERT_NE(xid_, 0u);
    TakeEvents();
  }
  void TearDown() override {
    DriverTest::TearDown();
    RunCommand("rm -rf '" + dir_ + "'");
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ + "/" + name) << text;
  }
  String Path(const std::string& name) { return FromUtf8(dir_ + "/" + name); }
  bool Shows(const char16_t* text) {
    return glue_help_value(FL(view_)->flhandle).find(text) != String::npos;
  }

  std::string dir_;
  GadgetRef window_, view_;
  unsigned long xid_ = 0;
};

TEST_F(FlHtmlTest, PagesLoadThroughTheStreamLayerWithAHistory) {
  EXPECT_EQ(FL(view_)->fltype, FLTYPE_HELPVIEW);
  HtmlViewGo(view_, Path("a.html"));
  EXPECT_TRUE(Shows(u"Alpha page"));
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("a.html"));
  ChangeGadgetText(view_, Path("b page.html"));
  EXPECT_TRUE(Shows(u"Beta page"));
  EXPECT_EQ(GadgetText(view_), Path("b page.html"));
  HtmlViewBack(view_);
  EXPECT_TRUE(Shows(u"Alpha page"));
  EXPECT_EQ(FL(view_)->historypos, 0);
  EXPECT_EQ(FL(view_)->history.size(), 2u);
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("a.html"));
  HtmlViewBack(view_);  // nothing before the first page
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("a.html"));
  HtmlViewForward(view_);
  EXPECT_TRUE(Shows(u"Beta page"));
  HtmlViewForward(view_);
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("b page.html"));
  // A new page after going back drops the pages ahead.
  HtmlViewBack(view_);
  HtmlViewGo(view_, Path("a.html#top"));
  HtmlViewForward(view_);
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("a.html#top"));
  // A page that cannot be read says so, naming it; nothing is thrown.
  HtmlViewGo(view_, Path("missing.html"));
  EXPECT_TRUE(Shows(u"Cannot show this page"));
  EXPECT_TRUE(Shows(Path("missing.html").c_str()));
  HtmlViewBack(view_);
  EXPECT_TRUE(Shows(u"Alpha page"));
}

TEST_F(FlHtmlTest, ClickOnARelativeLinkOpensItBesideThePageShown) {
  HtmlViewGo(view_, Path("a.html"));
  Settle();
  // The link is the first line of the page.
  RunCommand("xdotool mousemove --window " + std::to_string(xid_) +
             " 50 20 sleep 0.1 click 1");
  Settle(400);
  std::vector<Seen> seen = Only(TakeEvents(), {EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, view_);
  EXPECT_EQ(seen[0].text, Path("b page.html"));
  EXPECT_TRUE(Shows(u"Beta page"));
  HtmlViewBack(view_);
  EXPECT_TRUE(Shows(u"Alpha page"));
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor

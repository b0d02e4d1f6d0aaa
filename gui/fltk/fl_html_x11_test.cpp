// The FLTK driver's HTML view on a real X server (Xvfb): pages read through
// the stream layer and cleaned for FLTK, the history, link clicks resolved
// against the page shown, and navigation scripts.
#include <FL/Fl_Shared_Image.H>
#include <FL/Fl_Widget.H>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "gui/events/event.h"
#include "gui/fltk/fl_x11_test_support.h"
#include "gui/fltk/glue/glue_internal.h"
#include "gui/gadgets/gadget_types.h"

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
          "<html><head><title>Alpha</title></head><body>"
          "<a href=\"b%20page.html\">to the b page, a long link</a>"
          "<p>Alpha page</p></body></html>");
    Write("b page.html",
          "<html><head><title>Beta</title></head><body><p>Beta page</p></body></html>");
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
  RunCommand("xdotool mousemove --window " + std::to_string(xid_) + " 50 20 sleep 0.1 click 1");
  Settle(400);
  std::vector<Seen> seen = Only(TakeEvents(), {EVENT_GADGETACTION});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].source, view_);
  EXPECT_EQ(seen[0].text, Path("b page.html"));
  EXPECT_TRUE(Shows(u"Beta page"));
  HtmlViewBack(view_);
  EXPECT_TRUE(Shows(u"Alpha page"));
}

TEST_F(FlHtmlTest, RunNavigatesWithTheHistory) {
  EXPECT_EQ(HtmlViewRun(view_, u"location.href = '" + Path("a.html") + u"'"), u"");
  EXPECT_TRUE(Shows(u"Alpha page"));
  EXPECT_EQ(HtmlViewRun(view_, u"document.title"), u"Alpha");
  // The result is that of the last statement.
  EXPECT_EQ(HtmlViewRun(
                view_, u"window.location.assign(\"" + Path("b page.html") + u"\"); document.title"),
            u"Beta");
  EXPECT_TRUE(Shows(u"Beta page"));
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("b page.html"));
  EXPECT_EQ(HtmlViewRun(view_, u" history . back ( ) ; location.href "), Path("a.html"));
  EXPECT_TRUE(Shows(u"Alpha page"));
  EXPECT_EQ(HtmlViewRun(view_, u"history.forward(); document.title"), u"Beta");
  EXPECT_EQ(HtmlViewRun(view_, u"history.back(); history.back(); location.href"), Path("a.html"));
  // An anchor alone stays on the page shown and goes into the history.
  HtmlViewRun(view_, u"window.location = '#end'");
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("a.html#end"));
  EXPECT_EQ(FL(view_)->history.size(), 2u);  // "b page" was dropped, "#end" added
  EXPECT_EQ(HtmlViewRun(view_, u"history.back(); location.href"), Path("a.html"));
}

TEST_F(FlHtmlTest, RunReloadReadsThePageAgain) {
  HtmlViewGo(view_, Path("a.html#top"));
  Write("a.html", "<html><head><title>Changed</title></head><body><p>New text</p></body></html>");
  EXPECT_EQ(HtmlViewRun(view_, u"location.reload(); document.title"), u"Changed");
  EXPECT_TRUE(Shows(u"New text"));
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("a.html#top"));
  EXPECT_EQ(FL(view_)->history.size(), 1u);
  Write("a.html", "<html><body><p>Third text</p></body></html>");
  HtmlViewRun(view_, u"location.href = \"\"");  // the page shown, read again
  EXPECT_TRUE(Shows(u"Third text"));
  EXPECT_EQ(HtmlViewRun(view_, u"document.title"), u"");  // a page without a title
  Write("a.html", "<html><head><TITLE>Untitled</TITLE></head></html>");
  EXPECT_EQ(HtmlViewRun(view_, u"location.reload(); document.title"), u"Untitled");
}

TEST_F(FlHtmlTest, RunLeavesThePageForScriptsItDoesNotKnow) {
  HtmlViewGo(view_, Path("a.html"));
  HtmlViewGo(view_, Path("b page.html"));
  for (const char16_t* script :
       {u"alert('hi')", u"history.back(); alert('hi')", u"history.go(-1)",
        u"location.href = 'a' + 'b'", u"document.title = 'x'", u"location.href = \"open"}) {
    SCOPED_TRACE(ToUtf8(script));
    EXPECT_EQ(HtmlViewRun(view_, script), u"");
    EXPECT_EQ(HtmlViewCurrentURL(view_), Path("b page.html"));
    EXPECT_TRUE(Shows(u"Beta page"));
    EXPECT_EQ(FL(view_)->historypos, 1);
    EXPECT_EQ(FL(view_)->history.size(), 2u);
  }
  // Other gadgets run no scripts.
  GadgetRef button = NewButton(u"b", 10, 265, 60, 24, window_, 0);
  EXPECT_EQ(HtmlViewRun(button, u"location.href"), u"");
}

TEST_F(FlHtmlTest, ScriptAndStyleTextNeverReachTheView) {
  const std::string body = "<p>Some text of the page.</p>";
  std::string script;
  for (int i = 0; i < 40; ++i) script += "var longName" + std::to_string(i) + " = 'words';\n";
  Write("plain.html", "<html><body>" + body + "</body></html>");
  Write("scripted.html", "<html><body><SCRIPT type=\"text/javascript\">" + script + "</script>" +
                             body + "<style>p { color: red }</style>" +
                             "<script>document.write('<p>never closed');</body></html>");
  HtmlViewGo(view_, Path("plain.html"));
  Settle(50);
  const int plain_height = glue_help_document_height(FL(view_)->flhandle);
  HtmlViewGo(view_, Path("scripted.html"));
  Settle(50);
  EXPECT_TRUE(Shows(u"Some text of the page."));
  EXPECT_FALSE(Shows(u"longName"));
  EXPECT_FALSE(Shows(u"color"));
  EXPECT_FALSE(Shows(u"never closed"));
  // As laid out, the page is as tall as the one without scripts.
  EXPECT_GT(plain_height, 0);
  EXPECT_EQ(glue_help_document_height(FL(view_)->flhandle), plain_height);
}

TEST_F(FlHtmlTest, ImagesLoadFromThePagesDirectoryAndAreNotLinkClicks) {
  // A 24-pixel red square as a binary PPM file, beside the page.
  std::string ppm = "P6\n24 24\n255\n";
  for (int i = 0; i < 24 * 24; ++i) ppm += std::string("\xdc\x1e\x1e", 3);
  RunCommand("mkdir -p '" + dir_ + "/pics'");
  Write("pics/red.ppm", ppm);
  Write("pics/page.html",
        "<html><body><p><img src=\"red.ppm\" width=\"24\" height=\"24\"> red</p>"
        "<p><img src=\"missing.png\"> missing</p></body></html>");
  HtmlViewGo(view_, Path("pics/page.html"));
  Settle(300);
  EXPECT_TRUE(Shows(u"missing"));
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("pics/page.html"));
  EXPECT_TRUE(Only(TakeEvents(), {EVENT_GADGETACTION}).empty())
      << "loading an image is not a click on a link";
  EXPECT_EQ(HtmlViewCurrentURL(view_), Path("pics/page.html"));
  Fl_Widget* fl = FL(view_)->flhandle;
  Grab grab = GrabWindow(xid_, fl->x(), fl->y(), fl->w(), fl->h());
  ASSERT_FALSE(grab.rgb.empty());
  int red = 0;
  for (int y = 0; y < grab.height; ++y) {
    for (int x = 0; x < grab.width; ++x) {
      const unsigned char* p = grab.At(x, y);
      red += p[0] > 180 && p[1] < 80 && p[2] < 80 ? 1 : 0;
    }
  }
  EXPECT_GE(red, 20 * 20) << "the image is drawn";

  // Freeing a view that shows an image releases the image (and, under the
  // address sanitizer, touches no freed memory on the way).
  const std::string image = dir_ + "/pics/red.ppm";
  auto references = [&] {  // find() takes a reference of its own
    Fl_Shared_Image* found = Fl_Shared_Image::find(image.c_str());
    if (!found) return 0;
    const int count = found->refcount() - 1;
    found->release();
    return count;
  };
  const int shown = references();
  EXPECT_GE(shown, 1);
  Fl_Widget* other = glue_detail::NewHelpView(0, 0, 200, 100);
  glue_help_set_value(other, u"<p><img src=\"red.ppm\" width=24 height=24></p>",
                      FromUtf8(dir_ + "/pics"));
  delete other;
  EXPECT_EQ(references(), shown);
  view_->Free();
  Settle();
  EXPECT_EQ(Fl_Shared_Image::find(image.c_str()), nullptr);
}

TEST_F(FlHtmlTest, Utf8AndLatin1PagesShowTheirCharacters) {
  struct Page {
    const char* name;
    std::string bytes;
  };
  for (const Page& page : {Page{"utf8.html", "<p>Caf\xC3\xA9 \xE2\x82\xAC &rsquo;</p>"},
                           Page{"latin1.html", "<p>Caf\xE9 \x80 &rsquo;</p>"}}) {
    SCOPED_TRACE(page.name);
    Write(page.name, page.bytes);
    HtmlViewGo(view_, Path(page.name));
    EXPECT_TRUE(Shows(u"Caf\u00E9 \u20AC \u2019")) << ToUtf8(glue_help_value(FL(view_)->flhandle));
  }
}

}  // namespace
}  // namespace fltest
}  // namespace lexidor

#include "gui/fltk/html/html_cleaner.h"

#include <gtest/gtest.h>

#include <string>

namespace lexidor {
namespace {

struct MarkupCase {
  const char* what;
  String html;
  String cleaned;
};

std::ostream& operator<<(std::ostream& out, const MarkupCase& c) { return out << c.what; }

class CleanHtmlMarkupTest : public ::testing::TestWithParam<MarkupCase> {};

TEST_P(CleanHtmlMarkupTest, GivesTheViewOnlyWhatItShowsRightly) {
  EXPECT_EQ(ToUtf8(CleanHtmlMarkup(GetParam().html)), ToUtf8(GetParam().cleaned));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CleanHtmlMarkupTest,
    ::testing::Values(
        MarkupCase{"script", u"a<script>var x = 1;</script>b", u"ab"},
        MarkupCase{"mixed case with attributes",
                   u"a<ScRiPt type=\"text/javascript\" src='x.js'>x()</SCRIPT >b", u"ab"},
        MarkupCase{"style", u"a<style type=\"text/css\">p { color: red }</Style>b", u"ab"},
        MarkupCase{"tags and strings inside",
                   u"<script>s = \"</scr\" + \"ipt>\"; t = '<p>hi</p>';</script>b", u"b"},
        MarkupCase{"quoted > in the start tag", u"<script data-x=\"a>b\">x</script>c", u"c"},
        MarkupCase{"a longer name does not end it", u"<script>a</scripts>b</script>c", u"c"},
        MarkupCase{"unclosed script runs to the end", u"a<script>x\n<p>b</p>", u"a"},
        MarkupCase{"unclosed style runs to the end", u"a<STYLE>p {}<p>b</p>", u"a"},
        MarkupCase{"end tag cut off", u"a<script>x</script", u"a"},
        MarkupCase{"start tag cut off", u"a<script src=\"x", u"a"},
        MarkupCase{"several", u"<style>s</style>1<script>x</script>2<script>y</script>3", u"123"},
        MarkupCase{"other names kept", u"<scripts>a</scripts><styles/>",
                   u"<scripts>a</scripts><styles />"},
        MarkupCase{"stray end tag kept", u"a</script>b", u"a</script>b"},
        MarkupCase{"script inside an attribute value is text", u"<a title='1>0<script>'>after</a>",
                   u"<a title='1>0<script>'>after</a>"}));

INSTANTIATE_TEST_SUITE_P(
    Markup, CleanHtmlMarkupTest,
    ::testing::Values(
        MarkupCase{"comment kept, script inside untouched", u"a<!-- <script> &rsquo; -->b",
                   u"a<!-- <script> &rsquo; -->b"},
        MarkupCase{"noscript shown", u"<noscript>no scripts</noscript>",
                   u"<noscript>no scripts</noscript>"},
        MarkupCase{"doctype kept", u"<!DOCTYPE html><p>x</p>", u"<!DOCTYPE html><p>x</p>"},
        MarkupCase{"slash after the name", u"a<br/>b<BR/>c<hr/>", u"a<br />b<BR />c<hr />"},
        MarkupCase{"slash after attributes kept", u"<br /><img src=\"a/b.png\"/>",
                   u"<br /><img src=\"a/b.png\"/>"},
        MarkupCase{"a lone < is text", u"a < b <3 <= c <", u"a < b <3 <= c <"},
        MarkupCase{"byte-order mark at the start dropped", u"\uFEFFa\uFEFF", u"a\uFEFF"}));

INSTANTIATE_TEST_SUITE_P(
    References, CleanHtmlMarkupTest,
    ::testing::Values(MarkupCase{"unknown to the view", u"&rsquo;&mdash;&hellip;&apos;&rarr;&le;",
                                 u"\u2019\u2014\u2026'\u2192\u2264"},
                      MarkupCase{"known to the view kept",
                                 u"&lt;&amp;&gt;&quot;&copy;&eacute;&#8217;&#x27;",
                                 u"&lt;&amp;&gt;&quot;&copy;&eacute;&#8217;&#x27;"},
                      MarkupCase{"without semicolon, unknown or other case kept",
                                 u"&mdash &nosuch; &MDASH; & x", u"&mdash &nosuch; &MDASH; & x"},
                      MarkupCase{"inside a tag kept", u"<a title=\"&mdash;\">&mdash;</a>",
                                 u"<a title=\"&mdash;\">\u2014</a>"}));

struct BytesCase {
  const char* what;
  std::string bytes;
  String text;
};

std::ostream& operator<<(std::ostream& out, const BytesCase& c) { return out << c.what; }

class DecodePageBytesTest : public ::testing::TestWithParam<BytesCase> {};

TEST_P(DecodePageBytesTest, ReadsUtf8WhenValidElseWindows1252) {
  EXPECT_EQ(DecodePageBytes(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DecodePageBytesTest,
    ::testing::Values(
        BytesCase{"ASCII", "<p>plain</p>", u"<p>plain</p>"},
        BytesCase{"UTF-8", "caf\xC3\xA9 \xE2\x82\xAC \xE2\x9C\x93", u"caf\u00E9 \u20AC \u2713"},
        BytesCase{"UTF-8 beyond U+FFFF", "\xF0\x9F\x98\x80", u"\U0001F600"},
        BytesCase{"Latin-1", "caf\xE9 \xFC \xA9", u"caf\u00E9 \u00FC \u00A9"},
        BytesCase{"Windows quotes, euro, ellipsis", "\x93q\x94 \x91s\x92 \x80\x85\x96",
                  u"\u201Cq\u201D \u2018s\u2019 \u20AC\u2026\u2013"},
        BytesCase{"unassigned 0x80-0x9F kept", "\x81\x8D\x8F\x90\x9D",
                  u"\u0081\u008D\u008F\u0090\u009D"},
        BytesCase{"one bad byte makes the page Latin-1", "\xC3\xA9 \xE9", u"\u00C3\u00A9 \u00E9"},
        BytesCase{"over-long form", "\xC0\xAF", u"\u00C0\u00AF"},
        BytesCase{"over-long three bytes", "\xE0\x80\xAF", u"\u00E0\u20AC\u00AF"},
        BytesCase{"encoded surrogate", "\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},
        BytesCase{"above U+10FFFF", "\xF4\x90\x80\x80", u"\u00F4\u0090\u20AC\u20AC"},
        BytesCase{"cut-off sequence", "ab\xE2\x82", u"ab\u00E2\u201A"},
        BytesCase{"continuation without lead", "a\xA9", u"a\u00A9"}));

TEST(CleanHtmlPageTest, DecodesThenCleans) {
  const std::string page =
      "\xEF\xBB\xBF<title>Caf\xC3\xA9</title><script>alert('\xC3\xA9')</script><p>x&mdash;y</p>";
  EXPECT_EQ(CleanHtmlPage(page), u"<title>Caf\u00E9</title><p>x\u2014y</p>");
  EXPECT_EQ(CleanHtmlPage("<p>caf\xE9</p><STYLE>p{}"), u"<p>caf\u00E9</p>");
  EXPECT_EQ(CleanHtmlPage(""), u"");
}

}  // namespace
}  // namespace lexidor

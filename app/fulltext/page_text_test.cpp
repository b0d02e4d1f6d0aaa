#include "app/fulltext/page_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace lexidor::fulltext {
namespace {

// Each section as "anchor|title|title words|body words", one per line.
std::string Render(const PageText& page) {
  std::string out;
  for (const TextSection& s : page.sections) {
    out += s.anchor + "|" + s.title + "|" + s.titleWords + "|" + s.bodyWords + "\n";
  }
  return out;
}

std::string Words(const std::string& html) {
  const PageText page = ExtractPageText(html, {}, "f.html");
  std::string words;
  for (const TextSection& s : page.sections) words += s.titleWords + s.bodyWords;
  return words;
}

TEST(PageTextTest, OnlyTheTextAReaderSeesBecomesWords) {
  const struct {
    const char* html;
    const char* words;
  } cases[] = {
      {"<p class=\"hidden word\" title='attr'>seen</p>", "seen "},
      {"a<script>var hidden = '</p>';</script>b", "a b "},
      {"a<SCRIPT type=x>if (a</b) hidden()</ScRiPt >b", "a b "},
      {"a<style>p { hidden: 1 }</style>b", "a b "},
      {"a<script>x</scripts>hidden</script\xC2>hidden</script>b", "a b "},
      {"a<!-- hidden -- still > hidden -->b", "a b "},
      {"<!DOCTYPE html><?xml hidden?>x", "x "},
      {"<b>bo</b>ld <p>two</p>words", "bold two words "},
      {"<abbr>a</abbr>b <big>c</big>d <code>e</code>f <font>g</font>h <kbd>i</kbd>j "
       "<samp>k</samp>l <small>m</small>n <span>o</span>p <strong>q</strong>r <sub>s</sub>t "
       "<sup>u</sup>v <tt>w</tt>x <u>y</u>z <var>0</var>1 <i>2</i>3 <em>4</em>5 <a>6</a>7 "
       "<table>8</table>9 <h4>a</h4>b <smalls>c</smalls>d",
       "ab cd ef gh ij kl mn op qr st uv wx yz 01 23 45 67 8 9 a b c d "},
      {"<a href=\"x>y\">link</a> text", "link text "},
      {"caf&eacute; &Eacute;T&Eacute; na&iuml;ve &#233;t&#xE9; &amp;c", "cafe ete naive ete c "},
      {"fa&ccedil;ade &unknown; &#150;x&#0; 3&lt;4", "facade unknown x 3 4 "},
      {"Stra\xDF"
       "e \xC6sop \xD8re r\xE9sum\xE9",
       "strasse aesop ore resume "},
      {"<meta charset=\"utf-8\">Stra\xC3\x9F"
       "e caf\xC3\xA9 \xCE\x94\xCE\xB1",
       "strasse cafe δα "},
      {"<meta http-equiv=content-type content='text/html; charset=windows-1252'>\x93quoted\x94",
       "quoted "},
      {"bin\x01\xFF\x02"
       "ary\x7F bytes",
       "bin y ary bytes "},
      {"aaaaaaaaaabbbbbbbbbbccccccccccddddddddddeeee short",
       "aaaaaaaaaabbbbbbbbbbccccccccccdd short "},
      {"<!-- never closed <p>hidden", ""},
      {"shown<script>never closed", "shown "},
      {"a<", "a "},
      {"x &", "x "},
  };
  for (const auto& c : cases) EXPECT_EQ(Words(c.html), c.words) << c.html;
}

// Runs of ASCII letters and digits are scanned many bytes at a time: a run
// of any length, at any offset, ends at the first byte that is no letter
// or digit (those next to their ranges included) or at the page's end,
// lower-cased and cut at 32 characters.
TEST(PageTextTest, AsciiRunsEndAtTheFirstOtherByte) {
  const std::string letters = "AZaz09Mmq5";
  for (const char* stop : {"", "/", ":", "@", "[", "`", "{", "\x7F", " ", "\x80"}) {
    for (size_t offset = 0; offset < 17; ++offset) {
      for (size_t length = 1; length <= 40; ++length) {
        std::string run, folded;
        for (size_t k = 0; k < length; ++k) run += letters[(k * 7 + offset) % letters.size()];
        for (char c : run.substr(0, 32)) folded += static_cast<char>(std::tolower(c));
        const std::string page = std::string(offset, ' ') + run + stop + (*stop ? " end" : "");
        EXPECT_EQ(Words(page), folded + (*stop ? " end " : " "))
            << "offset " << offset << " length " << length << " stop " << int(*stop);
      }
    }
  }
}

TEST(PageTextTest, SectionsFollowCommandAnchorsAndHeadings) {
  const std::map<std::string, std::string> anchors = {{"Load", "LoadImage"}, {"Draw", "DrawIt"}};
  const struct {
    const char* html;
    const char* sections;
  } cases[] = {
      // The lead section is titled by <title>; a heading starts a section
      // that takes its anchor from the heading or the anchor just before it.
      {"<title>Images</title>intro<h2>Usage</h2>how<a name=u></a><h3>More</h3>more",
       "|Images|images |intro \n|Usage|usage |how \nu|More|more |more \n"},
      // A command's anchor starts its section, titled by the command; a
      // heading right after it joins its title; the element's id and the
      // <a name> inside it are one place.
      {"<div id=Load><a name=Load></a><h3>LoadImage</h3><p>Loads a file</p></div>"
       "<h3 id=Draw>DrawIt</h3>draws",
       "Load|LoadImage|loadimage |loads a file \nDraw|DrawIt|drawit |draws \n"},
      // An anchor inside a heading turns the heading's section into the
      // command's.
      {"x<h2><a name=\"Draw\">Draw it</a></h2>body", "|f.html||x \nDraw|DrawIt|draw it |body \n"},
      // A command with no text of its own is found by its name.
      {"<a name=Load></a><a name=Draw></a>", "Load|LoadImage|loadimage |\nDraw|DrawIt|drawit |\n"},
      // Sections without words are left out; unclosed headings end with the page.
      {"<h1></h1><h2>open", "|open|open |\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Render(ExtractPageText(c.html, anchors, "f.html")), c.sections) << c.html;
  }
}

TEST(PageTextTest, HostilePagesEndWithTheirText) {
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "<div><h2><b>";
  deep += "bottom";
  std::string big(30 << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = ' ';
  big += " <h2>end</h2>last";
  std::string binary;
  for (int i = 0; i < 1 << 16; ++i) binary += static_cast<char>(i * 7919 >> 3);
  binary += "<p>plain";
  for (const std::string& page : {deep, big, binary}) {
    const PageText text = ExtractPageText(page, {}, "f");
    ASSERT_FALSE(text.sections.empty());
    const std::string& words = text.sections.back().bodyWords + text.sections.back().titleWords;
    EXPECT_NE(words.find(page == deep  ? "bottom"
                         : page == big ? "last"
                                       : "plain"),
              std::string::npos);
    for (const TextSection& s : text.sections) {
      EXPECT_LE(s.excerpt.size(), kExcerptChars * 4);
      EXPECT_LE(s.title.size(), kTitleChars * 4);
    }
  }
}

}  // namespace
}  // namespace lexidor::fulltext

namespace lexidor::fulltext {
namespace {

// Text shown in excerpts and titles keeps the page's characters with blanks
// collapsed, up to its length, wherever the cut falls in a word.
TEST(PageTextTest, ExcerptsAreTheStartOfTheShownText) {
  for (size_t lead = 0; lead < 12; ++lead) {
    std::string html = "<h2>" + std::string(lead, 'T') + " Title</h2>\n";
    std::string shown;
    for (int w = 0; w < 80; ++w) {
      const std::string word = std::string(1 + lead + w % 5, static_cast<char>('a' + w % 26)) +
                               (w % 7 ? "" : "\xC3\xA9");
      html += word + (w % 3 ? " " : " \n\t ");
      shown += (shown.empty() ? "" : " ") + word;
    }
    html = "<meta charset=utf-8>" + html;
    const PageText page = ExtractPageText(html, {}, "f");
    ASSERT_EQ(page.sections.size(), 1u);
    const TextSection& s = page.sections[0];
    EXPECT_EQ(s.title, std::string(lead, 'T') + (lead ? " " : "") + "Title");
    size_t chars = 0;
    for (unsigned char c : s.excerpt) chars += (c & 0xC0) != 0x80;
    EXPECT_GE(chars, kExcerptChars) << lead;
    EXPECT_LE(chars, kExcerptChars + 1) << lead;  // a blank may bring one more
    EXPECT_EQ(shown.compare(0, s.excerpt.size(), s.excerpt), 0) << lead << ": " << s.excerpt;
  }
  // The cut right before, at and after a blank.
  for (size_t first = kExcerptChars - 3; first < kExcerptChars + 2; ++first) {
    const std::string shown = std::string(first, 'a') + " bcdef ghi";
    const std::string excerpt = ExtractPageText(shown, {}, "f").sections.at(0).excerpt;
    EXPECT_GE(excerpt.size(), kExcerptChars) << first;
    EXPECT_LE(excerpt.size(), kExcerptChars + 1) << first;
    EXPECT_EQ(shown.compare(0, excerpt.size(), excerpt), 0) << first;
  }
}

}  // namespace
}  // namespace lexidor::fulltext

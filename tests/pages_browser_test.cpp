// The installed search pages, opened in a real headless browser over a
// documentation tree with hand-made command lists.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "runtime/string.h"
#include "tests/browser_support.h"
#include "tests/page_session.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::Act;
using test::BrowserRun;
using test::Check;
using test::Command;
using test::CommandHref;
using test::Do;
using test::Goto;
using test::Json;
using test::Keys;
using test::PageLink;
using test::PageTree;
using test::Session;

const std::string kResources = std::string(LEXIDOR_SOURCE_DIR) + "/app/resources/";
// The two pages as the build makes them from their template.
const std::string kPages = std::string(LEXIDOR_BINARY_DIR) + "/app/pages/";

// Ordered as a build orders them: by character code, upper case first.
const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"Bar", "/kit/docs/html/Modules/core/core.text/index.html#Bar"},
      {"BitmapImage", "/kit/docs/html/Modules/media/media.image/index.html#BitmapImage"},
      {"Break", "/kit/docs/html/Modules/core/core.flow/index.html#Break"},
      {"Get text ready", "/kit/docs/html/Modules/core/core.text/index.html#GetTextReady"},
      {"GetImage", "/kit/docs/html/Modules/media/media.image/index.html#GetImage"},
      {"GetText", "/kit/docs/html/Modules/gui/gui.gadget/index.html#GetText"},
      {"Gr\xF6\xDF"
       "e",
       "/kit/docs/html/Modules/gui/gui.window/index.html#Groesse"},
      {"ImageCount", "/kit/docs/html/Modules/media/media.image/index.html#ImageCount"},
      {"LoadImage", "/kit/docs/html/Modules/media/media.image/index.html#LoadImage"},
      {"Quote\"<b>&amp;'x", "/kit/docs/html/Modules/odd/odd.names/index.html#Q\"<&'x"},
      {"Rate100%", "/kit/docs/html/Modules/net/net.http/index.html#Rate"},
      {"SetText", "/kit/docs/html/Modules/gui/gui.gadget/index.html#SetText"},
      {"TextWidth", "/kit/docs/html/Modules/media/media.font/index.html#TextWidth"},
      {"Xa(b", "/kit/docs/html/Modules/odd/odd.names/index.html#Xab"},
      {"back\\slash", "/kit/docs/html/Modules/odd/odd.names/index.html#back"},
      {"bogus", "/kit/docs/html/Modules/odd/odd.names/index.html#bogus"},
      {"context", "/kit/docs/html/Modules/core/core.text/index.html#context"},
      {"getter", "/kit/docs/html/Modules/core/core.object/index.html#getter"},
  };
  return commands;
}

// The command links of a page, in page order: the links into file:///.
std::vector<PageLink> Hits(const BrowserRun& run) {
  std::vector<PageLink> hits;
  for (const PageLink& link : test::ExtractLinks(run.dom)) {
    if (link.href.compare(0, 8, "file:///") == 0) hits.push_back(link);
  }
  return hits;
}

std::vector<std::string> HitNames(const BrowserRun& run) {
  std::vector<std::string> names;
  for (const PageLink& link : Hits(run)) names.push_back(link.text);
  return names;
}

std::vector<std::string> AllNames() {
  std::vector<std::string> names;
  for (const Command& c : Commands()) names.push_back(Latin1ToUtf8(c.name));
  return names;
}

std::vector<PageLink> LinksWithText(const BrowserRun& run, const std::string& text) {
  std::vector<PageLink> found;
  for (const PageLink& link : test::ExtractLinks(run.dom)) {
    if (link.text == text) found.push_back(link);
  }
  return found;
}

// The page loaded, its script ran to the end (both letter bars written) and
// nothing threw.
void ExpectCompletePage(const BrowserRun& run) {
  ASSERT_TRUE(run.ok) << run.url << ": " << run.error;
  EXPECT_FALSE(test::HasScriptError(run)) << run.url << ": " << run.console.front();
  EXPECT_EQ(LinksWithText(run, "ALL").size(), 2u) << run.url;
}

struct PageKind {
  const char* label;
  bool index;
  const char* prefix;         // of the navigation links and the logo
  const char* home;           // target of "Home"
  const char* letter_target;  // letter links are this followed by the letter
};

const PageKind kIndexPage = {"index page", true, "", "index.html", "Modules/commands.html?"};
const PageKind kCommandsPage = {"commands page", false, "../", "../index.html", "commands.html?"};

TEST(PagesBrowserTest, WithoutQueryBothPagesListEveryCommandAndTheirNavigation) {
  PageTree tree(&Commands());
  std::vector<BrowserRun> runs = test::DumpDoms({tree.IndexUrl(), tree.CommandsUrl()});
  const PageKind* kinds[] = {&kIndexPage, &kCommandsPage};
  for (int p = 0; p < 2; ++p) {
    const PageKind& kind = *kinds[p];
    const BrowserRun& run = runs[p];
    SCOPED_TRACE(kind.label);
    ExpectCompletePage(run);
    if (!run.ok) continue;

    // Every command in list order, its name shown exactly as written and its
    // link pointing at the page of the command.
    std::vector<PageLink> hits = Hits(run);
    ASSERT_EQ(hits.size(), Commands().size());
    for (size_t i = 0; i < hits.size(); ++i) {
      EXPECT_EQ(hits[i].text, Latin1ToUtf8(Commands()[i].name));
      EXPECT_EQ(hits[i].href, CommandHref(Commands()[i].link));
    }

    // Two letter bars, each Home, A to Z and ALL.
    std::vector<std::string> letters;
    for (const PageLink& link : test::ExtractLinks(run.dom)) {
      if (link.text.size() == 1 && link.text[0] >= 'A' && link.text[0] <= 'Z') {
        letters.push_back(link.text);
        EXPECT_EQ(link.href, kind.letter_target + link.text);
      }
    }
    std::vector<std::string> expected_letters;
    for (int bar = 0; bar < 2; ++bar) {
      for (char c = 'A'; c <= 'Z'; ++c) expected_letters.push_back(std::string(1, c));
    }
    EXPECT_EQ(letters, expected_letters);
    for (const PageLink& link : LinksWithText(run, "ALL")) {
      EXPECT_EQ(link.href, std::string(kind.letter_target) + " ");
    }
    std::vector<PageLink> home = LinksWithText(run, "Home");
    ASSERT_EQ(home.size(), 2u);
    EXPECT_EQ(home[0].href, kind.home);

    // The navigation table above and below, with the button script's link.
    const std::pair<const char*, const char*> nav[] = {
        {"Users guide", "User Guide/index.html"},
        {"Language reference", "Language/index.html"},
        {"Module reference", "Modules/index.html"},
        {"Tutorials and articles", "Tutorials/index.html"},
        {"Credits", "_credits.html"},
        {"Rebuild index", nullptr}};
    for (const auto& [text, target] : nav) {
      std::vector<PageLink> found = LinksWithText(run, text);
      ASSERT_EQ(found.size(), 2u) << text;
      if (target) {
        EXPECT_EQ(found[0].href, std::string(kind.prefix) + target) << text;
      }
    }

    // The form whose submit gives "?textfield=...&Submit=Search".
    EXPECT_NE(run.dom.find("<form name=\"cercatore\""), std::string::npos);
    EXPECT_NE(run.dom.find("name=\"textfield\""), std::string::npos);
    EXPECT_NE(run.dom.find("name=\"Submit\" value=\"Search\""), std::string::npos);
    EXPECT_NE(run.dom.find("<img src=\"" + std::string(kind.prefix) + "qdx120.png\""),
              std::string::npos);
    EXPECT_NE(run.dom.find("<title>Quandrel - Search</title>"), std::string::npos);
    EXPECT_EQ(LinksWithText(run, "support@quandrel.example").size(), 1u);

    std::string text = test::VisibleText(run.dom);
    EXPECT_EQ(text.find("Total commands 18 ") != std::string::npos, !kind.index) << text;
  }
}

TEST(PagesBrowserTest, LetterAndAllLinksLeadToTheirLists) {
  PageTree tree(&Commands());
  // The targets as a browser resolves the letter bar's links.
  std::vector<std::string> urls = {
      test::ResolveLink(tree.IndexUrl(), std::string(kIndexPage.letter_target) + "B"),
      test::ResolveLink(tree.IndexUrl(), std::string(kIndexPage.letter_target) + " "),
      test::ResolveLink(tree.CommandsUrl(), std::string(kCommandsPage.letter_target) + "B"),
      test::ResolveLink(tree.CommandsUrl(), std::string(kCommandsPage.letter_target) + " "),
      tree.CommandsUrl("?b"),
  };
  // A letter lists the names starting with it in either case.
  const std::vector<std::string> b_names = {"Bar", "BitmapImage", "Break", "back\\slash", "bogus"};
  const std::vector<std::vector<std::string>> expected = {b_names, AllNames(), b_names, AllNames(),
                                                          b_names};
  std::vector<BrowserRun> runs = test::DumpDoms(urls);
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(urls[i]);
    ExpectCompletePage(runs[i]);
    EXPECT_EQ(HitNames(runs[i]), expected[i]);
    EXPECT_NE(test::VisibleText(runs[i].dom).find("Total commands 18 "), std::string::npos);
  }
}

struct SearchCase {
  bool index_page;
  const char* query;
  std::vector<std::string> names;
};

TEST(PagesBrowserTest, SearchQueriesListTheMatchingCommands) {
  const std::string umlaut = Latin1ToUtf8(
      "Gr\xF6\xDF"
      "e");
  const std::vector<SearchCase> cases = {
      // A star at the end: names starting with the text, in any case.
      {false, "?textfield=get*&Submit=Search", {"Get text ready", "GetImage", "GetText", "getter"}},
      {true, "?textfield=get*&Submit=Search", {"Get text ready", "GetImage", "GetText", "getter"}},
      // A star in front: names ending with it.
      {false, "?textfield=*image&Submit=Search", {"BitmapImage", "GetImage", "LoadImage"}},
      // Stars at both ends: the end is what counts.
      {false, "?textfield=*TEXT*&Submit=Search", {"GetText", "SetText", "context"}},
      // A plain word: names containing it, those starting with it first.
      {false,
       "?textfield=text&Submit=Search",
       {"TextWidth", "Get text ready", "GetText", "SetText", "context"}},
      // A star inside: any run of characters; the whole name first.
      {false, "?textfield=b*k&Submit=Search", {"Break", "back\\slash"}},
      // Every other character stands for itself.
      {false, "?textfield=a(b&Submit=Search", {"Xa(b"}},
      {false, "?textfield=k\\&Submit=Search", {"back\\slash"}},
      // Form encoding: %XX and "+".
      {false, "?textfield=%2Aimage&Submit=Search", {"BitmapImage", "GetImage", "LoadImage"}},
      {false, "?textfield=get+text&Submit=Search", {"Get text ready"}},
      {false, "?textfield=%3Cb%3E%26amp&Submit=Search", {"Quote\"<b>&amp;'x"}},
      {false, "?textfield=100%25&Submit=Search", {"Rate100%"}},
      // The page is Latin-1, so the form sends Latin-1 bytes.
      {false, "?textfield=gr%F6%DF&Submit=Search", {umlaut}},
      // A broken escape: the text as it stands.
      {false, "?textfield=100%&Submit=Search", {"Rate100%"}},
      // Nothing found.
      {true, "?textfield=zzz&Submit=Search", {}},
  };
  PageTree tree(&Commands());
  std::vector<std::string> urls;
  for (const SearchCase& c : cases) {
    urls.push_back(c.index_page ? tree.IndexUrl(c.query) : tree.CommandsUrl(c.query));
  }
  std::vector<BrowserRun> runs = test::DumpDoms(urls);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(std::string(cases[i].index_page ? "index page " : "commands page ") +
                 cases[i].query);
    ExpectCompletePage(runs[i]);
    EXPECT_EQ(HitNames(runs[i]), cases[i].names);
    for (const PageLink& hit : Hits(runs[i])) {
      for (const Command& c : Commands()) {
        if (Latin1ToUtf8(c.name) == hit.text) {
          EXPECT_EQ(hit.href, CommandHref(c.link));
        }
      }
    }
  }
}

TEST(PagesBrowserTest, EmptyOrMissingListsGiveAnEmptyIndex) {
  std::vector<Command> none;
  PageTree empty(&none);
  PageTree missing(nullptr);
  EXPECT_EQ(test::ReadFile(empty.Html("Modules/command.js")), "var commands=new Array();");
  std::vector<BrowserRun> runs =
      test::DumpDoms({empty.CommandsUrl(), empty.IndexUrl("?textfield=a*&Submit=Search"),
                      missing.CommandsUrl(), missing.IndexUrl()});
  for (const BrowserRun& run : runs) {
    SCOPED_TRACE(run.url);
    ExpectCompletePage(run);
    EXPECT_TRUE(Hits(run).empty());
  }
  EXPECT_NE(test::VisibleText(runs[0].dom).find("Total commands 0 "), std::string::npos);
  EXPECT_NE(test::VisibleText(runs[2].dom).find("Total commands 0 "), std::string::npos);
}

TEST(PagesBrowserTest, ResourceFilesArePlainAsciiWithTheirLineEnds) {
  const std::pair<const char*, bool> files[] = {{"index.html", true},
                                                {"commands.html", true},
                                                {"qdxstyle.css", false},
                                                {"search.js", false},
                                                {"search.css", false}};
  for (const auto& [name, crlf] : files) {
    SCOPED_TRACE(name);
    const bool built = crlf || std::string(name) == "search.js";
    std::string bytes = test::ReadFile((built ? kPages : kResources) + name);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), '\n');
    for (size_t i = 0; i < bytes.size(); ++i) {
      unsigned char c = bytes[i];
      ASSERT_TRUE(c == '\n' || c == '\r' || c == '\t' || (c >= 32 && c < 127))
          << "byte " << int(c) << " at " << i;
      if (c == '\n') {
        ASSERT_EQ(i > 0 && bytes[i - 1] == '\r', crlf) << "line end at " << i;
      }
      if (c == '\r') {
        ASSERT_TRUE(crlf && i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at " << i;
      }
    }
  }
}

// ---- The page as a user works it: keys, typing, history, screens ----------

const char kNames[] =
    "[...document.querySelectorAll('#hits a.cmd')].map(a => a.textContent).join()";
const char kCountText[] = "document.getElementById('count').textContent";
const char kField[] = "document.getElementById('textfield').value";
const char kSelected[] = "document.querySelector('#hits .sel a.cmd').textContent";
// The lowest text contrast of the page's kinds of text against the
// background they are drawn on, or "ok" when every one reaches 4.5:1.
const char kContrast[] = R"((() => {
  const rgb = (c) => c.match(/[\d.]+/g).map(Number);
  const lum = (c) => {
    const v = rgb(c).slice(0, 3).map((x) => (x /= 255) <= 0.03928 ? x / 12.92 : Math.pow((x + 0.055) / 1.055, 2.4));
    return 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2];
  };
  const back = (e) => {
    for (; e; e = e.parentElement) {
      const c = getComputedStyle(e).backgroundColor, a = rgb(c);
      if (a.length < 4 || a[3] > 0) return c;
    }
    return 'rgb(255, 255, 255)';
  };
  let worst = 'ok';
  for (const sel of ['body', '#count', '#hits a.cmd', '#hits a.mod', '#hint', 'mark', 'td.small a',
                     '.navbar a', '#textfield', '.nomatch', '#hits .sel a.cmd']) {
    const e = document.querySelector(sel);
    if (!e) continue;
    const l1 = lum(getComputedStyle(e).color), l2 = lum(back(e));
    const ratio = (Math.max(l1, l2) + 0.05) / (Math.min(l1, l2) + 0.05);
    if (ratio < 4.5) worst = sel + ' ' + ratio.toFixed(2);
  }
  return worst;
})())";

const std::vector<Command>& SessionCommands() {
  static const std::vector<Command> commands = {
      {"BitmapImage", "/kit/docs/html/Modules/media/media.image/index.html#BitmapImage"},
      {"GetImage", "/kit/docs/html/Modules/media/media.image/index.html#GetImage"},
      {"GetText", "/kit/docs/html/Modules/gui/gui.gadget/index.html#GetText"},
      {"Image", "/kit/docs/html/Modules/media/media.image/index.html#Image"},
      {"ImageCount", "/kit/docs/html/Modules/media/media.image/index.html#ImageCount"},
      {"LoadImage", "/kit/docs/html/Modules/media/media.image/index.html#LoadImage"},
      {"SetText", "/kit/docs/html/Modules/gui/gui.gadget/index.html#SetText"},
      {"TextWidth", "/kit/docs/html/Modules/media/media.font/index.html#TextWidth"},
      {"context", "/kit/docs/html/Modules/core/core.text/index.html#context"},
      {"getimage2", "/kit/docs/html/Modules/media/media.image/index.html#getimage2"},
  };
  return commands;
}

TEST(PagesBrowserTest, SearchAsYouTypeRanksHighlightsAndFollowsTheKeyboardAndHistory) {
  PageTree tree(&SessionCommands());
  const std::string letter_b = test::ResolveLink(tree.CommandsUrl(), "commands.html?B");
  Session({
      Goto(tree.CommandsUrl()),
      // The page's own line gives the number; the count line adds nothing.
      Check(kCountText + std::string(" + '|' + document.getElementById('total').textContent"),
            "|Total commands 10 "),
      Check("document.querySelectorAll('#hits .hit').length", "10"),
      // "/" reaches the field from anywhere; typing searches at once and the
      // address follows in the form's own syntax.
      Keys({"/"}),
      Check("document.activeElement.id", "textfield"),
      Keys({"i", "m", "a", "g", "e"}),
      // (The address follows once the results are painted.)
      Do(R"js({"until":"location.search == '?textfield=image&Submit=Search'"})js"),
      // The exact name, then names starting with the text, then the rest.
      Check(kNames, "Image,ImageCount,BitmapImage,GetImage,LoadImage,getimage2"),
      Check(kCountText, "6 commands found for \u201cimage\u201d"),
      Check("document.querySelector('#hits .hit:nth-child(3) a.cmd').innerHTML",
            "Bitmap<mark>Image</mark>"),
      Check("document.querySelector('#hits .hit a.mod').getAttribute('href')",
            "media/media.image/index.html"),
      Check("document.querySelector('#hits .hit a.mod').textContent", "media/media.image"),
      // Stars keep their meaning, ranked the same way.
      Check("document.getElementById('textfield').value = ''", ""),
      Keys({"g", "e", "t", "i", "m", "a", "g", "e", "*"}),
      Check(kNames, "GetImage,getimage2"),
      Do(R"js({"until":"location.search == '?textfield=getimage*&Submit=Search'"})js"),
      Keys({"Escape"}),
      Do(R"js({"until":"location.search == ''"})js"),
      Check(kField + std::string(" + '|' + location.search + '|' + ") + kCountText, "||"),
      Keys({"*", "t", "e", "x", "t"}),
      Check(kNames, "GetText,SetText,context"),
      // Down and Up choose among the results, Enter opens the chosen one.
      Keys({"ArrowDown", "ArrowDown", "ArrowDown", "ArrowUp"}),
      Check(kSelected, "SetText"),
      Check("getComputedStyle(document.querySelector('#hits .sel a.cmd')).outlineStyle", "solid"),
      Keys({"Enter"}),
      Do(R"({"waitAddress":"file:///kit/docs/html/Modules/gui/gui.gadget/index.html#SetText"})"),
      Act{R"({"address":true})",
          Json("file:///kit/docs/html/Modules/gui/gui.gadget/index.html#SetText"), true},
      // Back brings the search back as it was left.
      Do(R"({"back":true})"),
      Check(kField + std::string(" + '|' + location.search + '|' + ") + kCountText,
            "*text|?textfield=*text&Submit=Search|3 commands found for \u201c*text\u201d"),
      Goto(letter_b),
      Check(kCountText, "1 command starting with B"),
      Do(R"({"back":true})"),
      Check(kNames, "GetText,SetText,context"),
      Do(R"({"forward":true})"),
      Check(kNames, "BitmapImage"),
      // Nothing found: said so, with the star forms to try.
      Goto(tree.IndexUrl("?textfield=zzz&Submit=Search")),
      Check("document.querySelector('.nomatch').textContent",
            "No command matches \u201czzz\u201d. Try zzz* for names starting with it, *zzz for "
            "names ending with it, or a shorter text."),
      Check("[...document.querySelectorAll('.nomatch a')].map(a => a.getAttribute('href')).join()",
            "Modules/commands.html?textfield=zzz*&Submit=Search,"
            "Modules/commands.html?textfield=*zzz&Submit=Search"),
      // The field is labelled, the count is announced, the text readable.
      Check("document.getElementById('textfield').labels[0].textContent + '|' + "
            "document.getElementById('count').getAttribute('aria-live')",
            "Search commands|polite"),
  });
}

TEST(PagesBrowserTest, ReadableInBothSchemesOnNarrowScreensAndWithoutScripts) {
  PageTree tree(&SessionCommands());
  const std::string search = tree.CommandsUrl("?textfield=text&Submit=Search");
  Session({
      Goto(search),
      Check(kContrast, "ok"),
      Do(R"({"dark":true})"),
      Goto(search),
      Check("getComputedStyle(document.body).backgroundColor", "rgb(20, 24, 29)"),
      Check(kContrast, "ok"),
      Do(R"({"size":[375,700]})"),
      Goto(search),
      // Nothing wider than the screen; field and hint take its width.
      Check("document.documentElement.scrollWidth <= 375 && "
            "document.getElementById('textfield').getBoundingClientRect().width >= 200 && "
            "document.getElementById('hint').getBoundingClientRect().width >= 300",
            "true"),
      Goto(tree.IndexUrl()),
      Check("document.documentElement.scrollWidth <= 375", "true"),
      Do(R"({"scripts":false})"),
      Goto(tree.CommandsUrl()),
      Check("document.querySelector('p.noscript a').getAttribute('href')", "../Modules/index.html"),
  });
}

// A kit of 200,000 commands built by the program itself: far more elements
// than a call takes arguments, so the script files must still load in every
// engine (Chromium, node, Firefox) and the pages list and search them.
TEST(PagesBrowserTest, AKitOfTwoHundredThousandCommandsLoadsListsAndSearches) {
  const int kCount = 200000;
  const char* verbs[] = {"Get", "Set", "Load", "Free", "Text", "Draw"};
  const char* nouns[] = {"Image", "Text", "Item"};
  std::vector<std::string> names;
  std::string list;
  for (int i = 0; i < kCount; ++i) {
    std::string name = std::string(verbs[i % 6]) + nouns[(i / 6) % 3] + std::to_string(i);
    names.push_back(name);
    list += name + "|/docs/html/Modules/core/core.m" + std::to_string(i % 97) + "/index.html#" +
            name + "\n";
  }
  std::sort(names.begin(), names.end());

  test::TempDir dir("lexidor-large");
  const std::string kit = dir.Sub("kit");
  const test::RunResult build = test::BuildKit(dir, list);
  ASSERT_EQ(build.exit_status, 0) << build.out << build.err;
  const std::string modules_dir = kit + "/docs/html/Modules/";

  // node reads the four files with their names, lengths and last elements.
  test::RunOptions node;
  node.args = {"-e",
               "const vm = require('vm'), fs = require('fs');"
               "for (const f of ['command', 'links', 'modules', 'mod'])"
               "  vm.runInThisContext(fs.readFileSync(process.argv[1] + f + '.js', 'latin1'));"
               "console.log([commands.length, links.length, modules.length, mods.length,"
               "  commands[commands.length - 1], mods[mods.length - 1] === ''].join(' '));",
               modules_dir};
  test::RunResult loaded = test::RunProgram("/usr/bin/node", node);
  EXPECT_EQ(loaded.out, "200000 200000 200000 98 " + names.back() + " true\n") << loaded.err;

  // Chromium: the first rows of everything at once, with no script error;
  // searches over the whole list once it is in.
  const std::string page = test::FileUrl(modules_dir + "commands.html");
  BrowserRun all = test::DumpDom(page, 120);
  ExpectCompletePage(all);
  std::vector<std::string> hits = HitNames(all);
  ASSERT_GE(hits.size(), 100u);
  EXPECT_TRUE(std::equal(hits.begin(), hits.end(), names.begin()));
  std::string prefix_hits, suffix_hits;
  for (const std::string& name : names) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (upper.compare(0, 12, "GETIMAGE1999") == 0)
      prefix_hits += (prefix_hits.empty() ? "" : ",") + name;
    if (upper.compare(upper.size() - 4, 4, "9999") == 0) {
      suffix_hits += (suffix_hits.empty() ? "" : ",") + name;
    }
  }
  ASSERT_NE(prefix_hits.find(','), std::string::npos);
  ASSERT_NE(suffix_hits.find(','), std::string::npos);
  const Act lists_in = Do(R"({"until":"pendingLists == 0 && current.done"})");
  Session({
      // A search opened from its address shows results at once, before the
      // rest of the lists is in.
      Goto(page + "?textfield=draw*&Submit=Search"),
      Check("document.querySelectorAll('#hits .hit').length", "120"),
      Goto(page + "?textfield=getimage1999*&Submit=Search"),
      lists_in,
      Check(kNames, prefix_hits),
      Goto(page + "?textfield=*9999&Submit=Search"),
      lists_in,
      Check(kNames, suffix_hits),
      Check(kCountText, "20 commands found for \u201c*9999\u201d"),
  });

  // A cut listing says so, and grows as the reader scrolls or asks for more.
  Session({
      Goto(page),
      Check(kCountText, "Showing the first 120 of 200000 commands"),
      lists_in,
      Check("(window.scrollTo(0, document.body.scrollHeight), 'scrolled')", "scrolled"),
      Do(R"({"until":"document.querySelectorAll('#hits .hit').length >= 620"})"),
      Check("document.querySelectorAll('#hits .hit').length", "620"),
      Check("(document.getElementById('showmore').click(), 'clicked')", "clicked"),
      Check(kCountText, "Showing the first 1120 of 200000 commands"),
      Check(kNames + std::string(".split(',').slice(-1)[0]"), names[1119]),
  });

  // While the page waits for its first keystroke it runs its name search
  // on its own names: nothing of that is shown, and what is typed then is
  // found whole.
  Session({
      Goto(page),
      lists_in,
      Do(R"({"until":"warmed == warmRounds"})"),
      Check(kCountText + std::string(" + '|' + document.querySelectorAll('#hits .hit').length"),
            "Showing the first 120 of 200000 commands|120"),
      Keys({"/", "g", "e", "t", "i", "m", "a", "g", "e", "1", "9", "9", "9", "*"}),
      lists_in,
      Check(kNames, prefix_hits),
  });

  // A rows file gone (in the build's folder that first.js names): the page
  // names the file and searches what did load, when opened and as the user types.
  std::smatch folder;
  const std::string first = test::ReadFile(modules_dir + "first.js");
  ASSERT_TRUE(std::regex_search(first, folder, std::regex("folder:\"([^\"]*)\"")));
  const std::string rows_name = folder[1].str() + "rows3.js";
  const std::string rows_file = modules_dir + rows_name;
  const std::string rows_text = test::ReadFile(rows_file);
  ASSERT_EQ(unlink(rows_file.c_str()), 0);
  int loaded_get = 0;
  for (int i = 0; i < kCount; ++i)
    loaded_get += (i < 60000 || i >= 80000) && names[i].compare(0, 3, "Get") == 0;
  const std::string get_count =
      std::to_string(loaded_get) +
      " commands found for \u201cget*\u201d in the 180000 of 200000 commands that loaded";
  Session({
      Goto(page + "?textfield=get*&Submit=Search"),
      Do(R"({"until":"document.getElementById('missing').textContent.indexOf('rows3.js') > 0"})"),
      lists_in,
      Check("document.getElementById('missing').textContent",
            "Part of the index is missing (" + rows_name +
                "): rebuild the index. Results come from the commands that loaded."),
      Check(kCountText, get_count),
      Check("document.getElementById('textfield').value = ''", ""),
      Keys({"g", "e", "t", "*"}),
      // The search goes on in slices after its first rows.
      Do(R"({"until":"current.done"})"),
      Check(kCountText, get_count),
      // The rows below the first screen follow when the page is idle.
      Do(R"({"until":"document.querySelectorAll('#hits .hit').length >= 120"})"),
      Check("document.querySelectorAll('#hits .hit').length", "120"),
  });
  test::WriteFile(rows_file, rows_text);

  // Firefox: a page loading the same four files turns green when all of
  // them hold what the build wrote, red otherwise.
  test::WriteFile(modules_dir + "check.html",
                  "<html><body style='background:#f00'>"
                  "<script src='command.js'></script><script src='links.js'></script>"
                  "<script src='modules.js'></script><script src='mod.js'></script><script>"
                  "if (commands.length == 200000 && links.length == 200000 &&"
                  " modules.length == 200000 && mods.length == 98 && commands[199999] == '" +
                      names.back() +
                      "') document.body.style.background = '#0f0';"
                      "</script></body></html>");
  test::TempDir profile("lexidor-firefox");
  test::RunOptions firefox;
  const std::string shot = dir.Sub("firefox.png");
  firefox.args = {"--headless",
                  "-no-remote",
                  "-profile",
                  profile.path(),
                  "--window-size=200,200",
                  "--screenshot",
                  shot,
                  test::FileUrl(modules_dir + "check.html")};
  firefox.env["HOME"] = profile.path();
  firefox.timeout_ms = 120000;
  test::RunResult ff = test::RunProgram("/usr/bin/firefox-esr", firefox);
  ASSERT_EQ(ff.exit_status, 0) << ff.err;
  test::RunOptions pixel;
  pixel.args = {shot, "-format", "%[hex:p{100,100}]", "info:"};
  EXPECT_EQ(test::RunProgram("/usr/bin/convert", pixel).out.substr(0, 6), "00FF00");

  // And the page itself: below its head, the screen is full of command rows
  // (an index that failed to load leaves it blank).
  firefox.args = {
      "--headless",   "-no-remote", "-profile", profile.path(), "--window-size=1280,1024",
      "--screenshot", shot,         page};
  ff = test::RunProgram("/usr/bin/firefox-esr", firefox);
  ASSERT_EQ(ff.exit_status, 0) << ff.err;
  pixel.args = {shot, "-crop", "1280x400+0+550", "+repage", "-format", "%[fx:minima<0.5]", "info:"};
  EXPECT_EQ(test::RunProgram("/usr/bin/convert", pixel).out, "1");
}

}  // namespace
}  // namespace lexidor

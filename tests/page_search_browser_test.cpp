// The search pages against hostile paths and names: links that must reach
// their very files, and queries that must find exactly what was typed,
// read back from the address, and never freeze the page.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/browser_support.h"
#include "tests/page_session.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::Act;
using test::Check;
using test::Command;
using test::CommandHref;
using test::Do;
using test::Goto;
using test::Keys;
using test::PageTree;
using test::Session;

// The page has been left for another one, which has loaded.
const Act kLeft = Do(
    R"js({"until":"location.href.indexOf('commands.html') == -1 && document.readyState == 'complete'"})js");

const char kNames[] =
    "[...document.querySelectorAll('#hits a.cmd')].map(a => a.textContent).join()";

// Each command's page is a real file whose title names it; clicking the
// command's link (or its module's) must open that file in the browser.
TEST(PageLinksBrowserTest, EveryLinkReachesTheFileWhoseBytesTheListNames) {
  struct Target {
    const char* name;
    const char* folder;  // below Modules/, as bytes
    const char* anchor;  // "" for none
  };
  const Target targets[] = {
      {"Accent", "d\xC3\xA9j\xC3\xA0/m", "Accent"},  // UTF-8 folder names
      {"Latin", "jos\xE9/m", "Latin"},               // a Latin-1 folder name
      {"Marks", "h#x/h%41 y", ""},                   // "#" and "%" in folders
      {"Quote", "q'\"<&>/m", "Q'x"},                 // HTML's special characters
      {"Windows", "w\x80\x9F/m", "W"},               // windows-1252 bytes
  };
  // The kit itself lies in a folder with a UTF-8 name.
  PageTree tree(nullptr, "lexidor-jos\xC3\xA9");
  std::vector<std::string> names, links, modules;
  for (const Target& t : targets) {
    const std::string page = tree.Html(std::string("Modules/") + t.folder + "/index.html");
    test::WriteFile(page, std::string("<html><head><title>") + t.name +
                              "</title></head><body style='background:#0f0'></body></html>");
    names.push_back(t.name);
    links.push_back(page + (*t.anchor ? std::string("#") + t.anchor : ""));
    modules.push_back(t.folder);
  }
  test::WriteFile(tree.Html("Modules/command.js"), test::ScriptArray("commands", names));
  test::WriteFile(tree.Html("Modules/links.js"), test::ScriptArray("links", links));
  test::WriteFile(tree.Html("Modules/modules.js"), test::ScriptArray("modules", modules));
  std::vector<Act> acts;
  for (size_t k = 0; k < names.size(); ++k) {
    const std::string pick = "document.querySelectorAll('#hits a.cmd')[" + std::to_string(k) + "]";
    for (const char* kind : {"cmd", "mod"}) {
      acts.push_back(Goto(tree.CommandsUrl()));
      acts.push_back(
          Check("(" + pick + ".closest('.hit').querySelector('a." + kind + "').click(), 1)", "1"));
      acts.push_back(kLeft);
      acts.push_back(Check("document.title", targets[k].name));
    }
    acts.push_back(Goto(tree.CommandsUrl()));
    acts.push_back(Check(pick + ".href", CommandHref(links[k])));
  }
  // An address that names a command opens its page at once, and so does
  // Enter on the one command of the typed name.
  acts.push_back(Goto(tree.CommandsUrl("?go=latin")));
  acts.push_back(kLeft);
  acts.push_back(Check("document.title", "Latin"));
  acts.push_back(Goto(tree.CommandsUrl()));
  acts.push_back(Keys({"/", "m", "a", "r", "k", "s", "Enter"}));
  acts.push_back(kLeft);
  acts.push_back(Check("document.title", "Marks"));
  Session(acts);

  // Firefox opens the same addresses as the same files.
  test::TempDir profile("lexidor-firefox");
  for (const std::string& link : links) {
    const std::string shot = profile.Sub("shot.png");
    test::RunOptions firefox;
    firefox.args = {
        "--headless",   "-no-remote", "-profile",       profile.path(), "--window-size=200,200",
        "--screenshot", shot,         CommandHref(link)};
    firefox.env["HOME"] = profile.path();
    firefox.timeout_ms = 120000;
    ASSERT_EQ(test::RunProgram("/usr/bin/firefox-esr", firefox).exit_status, 0);
    test::RunOptions pixel;
    pixel.args = {shot, "-format", "%[hex:p{100,100}]", "info:"};
    EXPECT_EQ(test::RunProgram("/usr/bin/convert", pixel).out.substr(0, 6), "00FF00") << link;
    unlink(shot.c_str());
  }
}

// A query typed, found, written into the address and read back from it
// (after a reload, and after the form's own submit) finds the same names.
TEST(PageSearchBrowserTest, TypedTextFindsExactNamesAndReadsBackFromTheAddress) {
  // As a build orders them: by byte.
  const std::vector<Command> commands = {
      {"$Dollar", "/k/docs/html/Modules/m/m.a/index.html#a"},
      {"A+B", "/k/docs/html/Modules/m/m.a/index.html#b"},
      {"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB", "/k/docs/html/Modules/m/m.a/index.html#c"},
      {"AAB", "/k/docs/html/Modules/m/m.a/index.html#d"},
      {"AB", "/k/docs/html/Modules/m/m.a/index.html#e"},
      {"BUTTON_CANCEL", "/k/docs/html/Modules/m/m.a/index.html#w"},
      {"Back\\Slash", "/k/docs/html/Modules/m/m.a/index.html#f"},
      {"Br[x]", "/k/docs/html/Modules/m/m.a/index.html#g"},
      {"Brx", "/k/docs/html/Modules/m/m.a/index.html#h"},
      {"CASE", "/k/docs/html/Modules/m/m.a/index.html#i"},
      {"Case", "/k/docs/html/Modules/m/m.a/index.html#j"},
      {"Euro\x80", "/k/docs/html/Modules/m/m.a/index.html#k"},
      {"GetImage", "/k/docs/html/Modules/m/m.a/index.html#l"},
      {"LoadImageFont", "/k/docs/html/Modules/media/media.font/index.html#u"},
      {"LoadIt", "/k/docs/html/Modules/core/core.x/index.html#v"},
      {"Path\\w", "/k/docs/html/Modules/m/m.a/index.html#m"},
      {"Q", "/k/docs/html/Modules/m/m.a/index.html#n"},
      {"Q?", "/k/docs/html/Modules/m/m.a/index.html#o"},
      {"QQuit", "/k/docs/html/Modules/m/m.a/index.html#p"},
      {"Stra\xDF"
       "e",
       "/k/docs/html/Modules/m/m.a/index.html#q"},
      {"^Caret", "/k/docs/html/Modules/m/m.a/index.html#r"},
      {"case", "/k/docs/html/Modules/m/m.a/index.html#s"},
      {"getimage", "/k/docs/html/Modules/m/m.a/index.html#t"},
  };
  struct Case {
    const char* typed;  // UTF-8
    const char* names;  // shown, in order
  };
  const Case cases[] = {
      // A name typed exactly is found, and first.
      {"$Dollar", "$Dollar"},
      {"A+B", "A+B"},
      {"^Caret", "^Caret"},
      {"Br[x]", "Br[x]"},
      {"Back\\Slash", "Back\\Slash"},
      {"Q?", "Q?"},
      {"\\w", "Path\\w"},
      // A pattern that would backtrack for ever as an expression.
      {"(.+)+Q", ""},
      // Stars: at the end, in front, inside.
      {"q*", "Q,Q?,QQuit"},
      {"*b", "A+B,AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB,AAB,AB"},
      {"a*b", "A+B,AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB,AAB,AB"},
      {"get*age", "GetImage,getimage"},
      // Equal names: the typed case first.
      {"case", "case,CASE,Case"},
      {"Case", "Case,CASE,case"},
      {"getimage", "getimage,GetImage"},
      // A name's capitals, below every other kind of match.
      {"lif", "LoadImageFont"},
      {"li", "LoadImageFont,LoadIt"},
      {"bc", "BUTTON_CANCEL"},
      // A scope: modules whose names contain it.
      {"font:load*", "LoadImageFont"},
      {"core:", "LoadIt"},
      {"CORE.X:i", "LoadIt"},
      // Above U+00FF, in and out of the page's character set.
      {"Euro\xE2\x82\xAC", "Euro\xE2\x82\xAC"},
      {"Stra\xC3\x9F"
       "e",
       "Stra\xC3\x9F"
       "e"},
      {"\xCE\xA9", ""},
  };
  PageTree tree(&commands);
  const std::string field = "document.getElementById('textfield')";
  // Each row's elements with their attributes and texts: rows a keystroke
  // wrote over those of the query before are as those of a page loaded
  // fresh at that query.
  const std::string rows =
      "[...document.querySelectorAll('#names .hit, #names .hit *')].map(e => e.tagName + ' ' + "
      "[...e.attributes].map(a => a.name + '=' + a.value).sort().join(' ') + ' ' + "
      "(e.tagName == 'DIV' ? '' : e.innerHTML)).join('|')";
  std::vector<Act> acts = {Goto(tree.CommandsUrl())};
  for (const Case& c : cases) {
    const std::string typed = test::Json(c.typed);
    const std::string type =
        "(" + field + ".value = " + typed + ", " + field + ".dispatchEvent(new Event('input')), 1)";
    acts.push_back(Check(type, "1"));
    acts.push_back(Check(kNames, c.names));
    acts.push_back(Check("(sessionStorage.rows = " + rows + ", 1)", "1"));
    // The address the page wrote (once the results were painted), loaded
    // again.
    acts.push_back(Do(R"js({"until":"addressWaiting == null"})js"));
    acts.push_back(Check("(location.reload(), 1)", "1"));
    acts.push_back(Do(R"({"wait":300})"));
    acts.push_back(Do(
        R"js({"until":"document.readyState == 'complete' && !!document.getElementById('count')"})js"));
    acts.push_back(Check(field + ".value", c.typed));
    acts.push_back(Check(kNames, c.names));
    acts.push_back(Check(rows + " == sessionStorage.rows", "true"));
    // The form's own submit.
    acts.push_back(Check("(document.querySelector('input[type=submit]').click(), 1)", "1"));
    acts.push_back(Do(R"({"wait":300})"));
    acts.push_back(Do(
        R"js({"until":"document.readyState == 'complete' && !!document.getElementById('count')"})js"));
    acts.push_back(Check(field + ".value + '|' + " + kNames, std::string(c.typed) + "|" + c.names));
    // The next query is typed over a chosen row.
    acts.push_back(Check("(" + field + ".focus(), 1)", "1"));
    acts.push_back(Keys({"ArrowDown"}));
  }
  Session(acts);
}

// A kit of the given commands.txt lines, indexed by the program; returns the
// url of its commands page.
std::string BuiltKit(const test::TempDir& dir, const std::string& list) {
  const test::RunResult build = test::BuildKit(dir, list);
  EXPECT_EQ(build.exit_status, 0) << build.out << build.err;
  return test::FileUrl(dir.Sub("kit") + "/docs/html/Modules/commands.html");
}

// The arguments a command's line gives after its name are shown in its row
// (the text found there marked) and found by a plain text, below every name
// that matches, in a small kit
// (no rows files) and a large one; a search opened from its address loads
// first the rows file where names of its initial lie.
TEST(PageSearchBrowserTest, ArgumentsShowAndMatchAndAnAddressLoadsItsRowsFirst) {
  const std::string link = "|/docs/html/Modules/m/m.a/index.html#x\n";
  std::string large;
  // By byte: Alpha (rows0), Get (rows1), Zed (rows1 and rows2).
  std::vector<std::string> alphas;
  for (int i = 0; i < 25000; ++i) {
    alphas.push_back("Alpha" + std::to_string(i));
    large += alphas.back() + "(g:Int)" + link;
  }
  std::sort(alphas.begin(), alphas.end());
  for (int i = 0; i < 100; ++i) large += "Get" + std::to_string(i) + "(x:Int)" + link;
  for (int i = 0; i < 24900; ++i) {
    large += "Zed" + std::to_string(i) + (i == 20000 ? "(sizeq:Int)" : "(g:Int)") + link;
  }
  const std::string small = "LoadImage(file:String, flags:Int)" + link + "FileSize(path:String)" +
                            link + "Open:TStream(url:Object)" + link + "Plain" + link;
  struct Case {
    const char* typed;
    const char* names;  // the first names shown
    const char* args;   // the first row's arguments, the text found there marked
  };
  const Case small_cases[] = {
      {"file", "FileSize,LoadImage", "(path:String)"},
      {"URL", "Open", "(<mark>url</mark>:Object)"},
      {"flags", "LoadImage", "(file:String, <mark>flags</mark>:Int)"},
      {"file*", "FileSize", "(path:String)"},
      {"plain", "Plain", ""},
  };
  const Case large_cases[] = {
      {"sizeq", "Zed20000", "(<mark>sizeq</mark>:Int)"},
      {"get1*", "Get1,Get10,Get11,Get12,Get13,Get14,Get15,Get16,Get17,Get18,Get19", "(x:Int)"},
  };
  const std::string field = "document.getElementById('textfield')";
  const std::string first_args = "document.querySelector('#hits .args').innerHTML";
  const Act lists_in = Do(R"({"until":"pendingLists == 0 && current.done"})");
  for (const bool is_large : {false, true}) {
    test::TempDir dir("lexidor-args");
    const std::string page = BuiltKit(dir, is_large ? large : small);
    std::vector<Act> acts = {Goto(page), lists_in};
    for (const Case& c : is_large
                             ? std::vector<Case>(std::begin(large_cases), std::end(large_cases))
                             : std::vector<Case>(std::begin(small_cases), std::end(small_cases))) {
      acts.push_back(Check("(" + field + ".value = " + test::Json(c.typed) + ", " + field +
                               ".dispatchEvent(new Event('input')), 1)",
                           "1"));
      // A large kit's search goes on in slices after its first rows.
      acts.push_back(Do(R"({"until":"current.done"})"));
      acts.push_back(Check(kNames + std::string(".split(',').slice(0, 11).join()"), c.names));
      acts.push_back(Check(first_args, c.args));
    }
    if (is_large) {
      const std::string rows_loaded =
          "[...document.scripts].map(e => e.src)"
          ".filter(n => /rows[0-9]+[.]js$/.test(n)).map(n => n.match(/rows[0-9]+/)[0])";
      // get* lies in rows1: it comes first, and the search shows its rows.
      acts.push_back(Goto(page + "?textfield=get*&Submit=Search"));
      acts.push_back(Check(rows_loaded + "[0]", "rows1"));
      acts.push_back(lists_in);
      acts.push_back(Check(kNames + std::string(".split(',').slice(0, 2).join()"), "Get0,Get1"));
      // "g": the Get names, then the arguments' hits in list order, though
      // rows1 came before rows0.
      acts.push_back(Goto(page + "?textfield=g&Submit=Search"));
      acts.push_back(lists_in);
      acts.push_back(Check(rows_loaded + ".join()", "rows1,rows0,rows2"));
      acts.push_back(Check("(document.getElementById('showmore').click(), 1)", "1"));
      acts.push_back(
          Check(kNames + std::string(".split(',').slice(99, 101).join()"), "Get99,Alpha0"));
      acts.push_back(Check(kNames + std::string(".split(',').slice(219, 221).join()"),
                           alphas[119] + "," + alphas[120]));
    }
    Session(acts);
  }
}

// The scans the pages run over a part's texts find what the matching rules
// find name by name, on random lists and queries (tests/page_match_checks.js
// in node, on the script's sources).
TEST(PageSearchBrowserTest, ScansAgreeWithMatchingNameByNameOnRandomLists) {
  const std::string node = test::NodeBinary();
  ASSERT_NE(node, "") << "node is not installed (scripts/install-deps installs nodejs)";
  test::RunOptions options;
  options.args = {std::string(LEXIDOR_SOURCE_DIR) + "/tests/page_match_checks.js",
                  std::string(LEXIDOR_SOURCE_DIR) + "/app/pages"};
  options.timeout_ms = 120000;
  const test::RunResult run = test::RunProgram(node, options);
  EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
}

}  // namespace
}  // namespace lexidor

// What a user sees and hears of the search pages: the letter groups a kit
// needs, the results on narrow and wide screens, the listbox a screen reader
// reads, and the page without scripts.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/browser_support.h"
#include "tests/page_session.h"

namespace lexidor {
namespace {

using test::Act;
using test::Check;
using test::Command;
using test::Do;
using test::Goto;
using test::Keys;
using test::PageTree;
using test::Session;

const char kNames[] =
    "[...document.querySelectorAll('#hits a.cmd')].map(a => a.textContent).join()";
// The letter bar's links a user can see, after A to Z.
const char kGroups[] =
    "[...document.querySelector('.navbar').querySelectorAll('a')].filter(a => a.offsetParent)"
    ".map(a => a.textContent).slice(27).join()";

std::vector<Command> LayoutCommands() {
  const std::string link = "/k/docs/html/Modules/media/media.image/index.html#";
  std::vector<Command> commands = {
      {"$Cash", link + "a"},
      {"9lives", link + "b"},
      {"Bar", link + "c"},
      {"Bitmap", link + "d"},
      {std::string(10000, 'L'), link + "e"},
      {"_under", link + "f"},
      {"bogus", link + "g"},
  };
  for (int i = 0; i < 40; ++i) commands.push_back({"zz" + std::to_string(100 + i), link + "z"});
  return commands;
}

TEST(PageLayoutBrowserTest, LetterGroupsScreensListboxAndNoScripts) {
  const std::vector<Command> commands = LayoutCommands();
  PageTree tree(&commands);
  const std::vector<Command> plain = {{"Bar", "/k/docs/html/Modules/m/m.a/index.html#a"}};
  PageTree plain_tree(&plain);
  Session({
      // Groups beside A-Z for the names that need them, and only then.
      Goto(tree.CommandsUrl()),
      Check(kGroups, "0-9,_,other,ALL"),
      Goto(plain_tree.CommandsUrl()),
      Check(kGroups, "ALL"),
      Goto(tree.CommandsUrl("?0-9")),
      Check(kNames, "9lives"),
      Goto(tree.CommandsUrl("?_")),
      Check(kNames, "_under"),
      Goto(tree.CommandsUrl("?other")),
      Check(kNames, "$Cash"),
      // A lower-case initial belongs to its letter.
      Goto(tree.CommandsUrl("?B")),
      Check(kNames, "Bar,Bitmap,bogus"),
      // The number of commands once, in the page's own line.
      Goto(tree.CommandsUrl()),
      Check("document.getElementById('total').textContent + '|' + "
            "document.getElementById('count').textContent",
            "Total commands 47 |"),
      // Narrow: nothing wider than the screen (the long name wraps and
      // carries its whole self in a title), the first result in the top third.
      Do(R"({"size":[375,812]})"),
      Goto(tree.CommandsUrl()),
      Check("document.documentElement.scrollWidth <= 375", "true"),
      Check("document.querySelector('#hits a.cmd[title]').title.length", "10000"),
      Check("document.querySelector('#hits .hit').getBoundingClientRect().top < 812 / 3", "true"),
      Goto(tree.IndexUrl("?textfield=b&Submit=Search")),
      Check("document.querySelector('#hits .hit').getBoundingClientRect().top < 812 / 3", "true"),
      // Wide: the module stands in a column of its own across the width.
      Do(R"({"size":[1280,1024]})"),
      Goto(tree.CommandsUrl()),
      Check("document.documentElement.scrollWidth <= 1280", "true"),
      Check("new Set([...document.querySelectorAll('#hits a.mod')].map(a => "
            "a.getBoundingClientRect().left)).size == 1 && "
            "document.querySelector('#hits a.mod').getBoundingClientRect().left > 300",
            "true"),
      // The field is a combobox whose active option the listbox marks.
      Keys({"/", "b", "ArrowDown"}),
      Check("document.querySelector('#hits .sel').id", "hit2"),
      Act{R"({"ax":"#textfield"})",
          test::Json(
              "combobox|Search commands|autocomplete=list|expanded=true|activedescendant=hit2"),
          true},
      Act{R"({"ax":"#hits"})", test::Json("listbox|Search results"), true},
      Act{R"({"ax":"#hits .sel"})", test::Json("option|Bar media/media.image|selected=true"), true},
      Act{R"js({"ax":"#hits .hit:nth-child(2)"})js",
          test::Json("option|Bitmap media/media.image|selected=false"), true},
      // The mark beside a row's module searches that module alone.
      Check("(document.querySelector('#hits a.scope').click(), "
            "document.getElementById('textfield').value + '|' + location.search)",
            "media/media.image:|?textfield=media%2Fmedia.image%3A&Submit=Search"),
      Check("document.getElementById('count').textContent",
            "47 commands found for \u201cmedia/media.image:\u201d"),
      // Without scripts: no promise of results as you type, and a word on
      // what does not work.
      Do(R"({"scripts":false})"),
      Goto(tree.CommandsUrl()),
      Check("document.body.innerText.indexOf('Results follow your typing') == -1", "true"),
      Check("document.querySelector('p.noscript').textContent.indexOf('cannot search') > 0",
            "true"),
  });
}

// Every search, and letter listings past 2,000 commands, draw their first
// rows and more on demand, whatever the kit's size; shorter letter listings
// are drawn whole for find-in-page, also when the field is typed back to them.
TEST(PageLayoutBrowserTest, SearchesDrawTheirFirstRowsAtAnySize) {
  std::vector<Command> commands, small;
  for (int i = 0; i < 2500; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "A%04d", i);
    commands.push_back({name, "/k/docs/html/Modules/m/m.a/index.html#" + std::string(name)});
    if (i < 1500) small.push_back(commands.back());
  }
  PageTree tree(&commands);
  PageTree small_tree(&small);
  const std::string rows = "document.querySelectorAll('#hits .hit').length";
  Session({
      Goto(tree.CommandsUrl("?textfield=a0&Submit=Search")),
      Check(rows, "120"),
      Goto(tree.CommandsUrl("?A")),
      Check(rows, "120"),
      Goto(small_tree.CommandsUrl("?A")),
      Check(rows, "1500"),
      // Typed back to it, the listing comes back whole: the rows past the
      // first screen follow while the page is idle.
      Keys({"/", "x", "Escape"}),
      Do(R"({"until":"document.querySelectorAll('#hits .hit').length == 1500"})"),
      Check("document.getElementById('count').textContent", "1500 commands starting with A"),
      Goto(small_tree.CommandsUrl("?textfield=a&Submit=Search")),
      Check(rows, "120"),
  });
}

}  // namespace
}  // namespace lexidor

// The search pages' second group, "In the documentation": the text index
// searched as the reader types, from file://, in Chromium and Firefox ESR,
// beside a name search that works as before.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/browser_support.h"
#include "tests/page_session.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::Act;
using test::Check;
using test::Do;
using test::Goto;
using test::Keys;

// The sample kit, indexed by the program (names and text).
class TextKit {
 public:
  TextKit() : dir_("lexidor-textkit") {
    test::CopyTree(test::SampleKit(), dir_.Sub("kit"));
    test::MakeDirs(dir_.Sub("prog"));
    test::CopyFile(test::LexidorBinary(), dir_.Sub("prog/Lexidor"));
    chmod(dir_.Sub("prog/Lexidor").c_str(), 0755);
    test::WriteFile(dir_.Sub("prog/config.txt"), dir_.Sub("kit") + "\r\n0\r\n");
    test::RunOptions options;
    options.args = {"batch"};
    options.env["DISPLAY"] = "";
    const test::RunResult run = test::RunProgram(dir_.Sub("prog/Lexidor"), options);
    EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
  }
  std::string Html(const std::string& relative) const {
    return dir_.Sub("kit/docs/html/" + relative);
  }
  std::string Url(const std::string& relative, const std::string& query = "") const {
    return test::FileUrl(Html(relative), query);
  }
  // The folder of the text index the pointer names, below Modules/.
  std::string IndexFolder() const {
    const std::string pointer = test::ReadFile(Html("Modules/textindex.js"));
    const size_t from = pointer.find("dir:\"") + 5;
    return pointer.substr(from, pointer.find('"', from) - from);
  }

 private:
  test::TempDir dir_;
};

// Each character typed as a key.
Act Type(const std::string& text) {
  std::vector<std::string> keys;
  for (char c : text) keys.push_back(std::string(1, c));
  return Keys(keys);
}

// The text group has drawn the answer to what the field holds.
const Act kTextIn = Do(
    R"js({"until":"!document.getElementById('textpart').hidden && document.getElementById('textcount').textContent.indexOf(document.getElementById('textfield').value.replace(/^[*]+|[*]+$/g, '')) != -1 && !document.getElementById('textpart').classList.contains('stale')"})js");
const char kNames[] =
    "[...document.querySelectorAll('#names a.cmd')].map(a => a.textContent).slice(0, 3).join()";
const char kTitles[] =
    "[...document.querySelectorAll('#texts a.cmd')].map(a => a.textContent).slice(0, 2).join()";
const char kChosen[] = "document.getElementById('textfield').getAttribute('aria-activedescendant')";
const char kClear[] =
    "(document.getElementById('textfield').value = '', document.getElementById('textfield')"
    ".focus(), 1)";

// A phrase from a command's page, typed on either page: its section heads
// the group with its module and the phrase marked, the keyboard goes down
// into the group, and Enter opens the section in its page, from the index
// page at the top and from the commands page in Modules; a search from the
// address shows its text hits.  Firefox too.
TEST(PageTextBrowserTest, APhraseTypedFindsItsSectionAndEnterOpensIt) {
  TextKit kit;
  const std::string target = kit.Url("Modules/core/core.stream/index.html") + "#OpenStream";
  auto acts_for = [&](const std::string& page, const std::string& up) {
    return std::vector<Act>{
        Goto(kit.Url(page)),
        Type("/\"url cannot be opened\""),
        kTextIn,
        Check("document.querySelector('#texts a.cmd').textContent + ' ' + "
              "document.querySelector('#texts a.cmd').getAttribute('href') + ' ' + "
              "document.querySelector('#texts .page').textContent",
              "OpenStream " + up + "Modules/core/core.stream/index.html#OpenStream core.stream"),
        Check("[...document.querySelectorAll('#texts .hit:first-child mark')]"
              ".map(m => m.textContent).filter(w => w == 'cannot').join()",
              "cannot"),
        Check("document.getElementById('textcount').textContent.replace(/^[0-9]+ /, 'N ')",
              "N sections found for \u201c\"url cannot be opened\"\u201d"),
        Keys({"ArrowDown"}),
        Check(kChosen, "text0"),
        Keys({"Enter"}),
        Do(R"js({"until":"location.hash == '#OpenStream' && document.readyState == 'complete'"})js"),
        Check("location.href", target),
        // A search from the address shows its text hits too.
        Goto(kit.Url(page, "?textfield=closestream&Submit=Search")),
        kTextIn,
        Check("document.querySelector('#texts a.cmd').textContent", "CloseStream"),
    };
  };
  for (const auto& [page, up] : std::vector<std::pair<std::string, std::string>>{
           {"index.html", ""}, {"Modules/commands.html", "../"}}) {
    test::Session(acts_for(page, up));
  }
  test::FirefoxSession(acts_for("Modules/commands.html", "../"));
}

// Name queries find the names as before; what they ask of the text (stars
// taken off, a scope or a single letter nothing); the keyboard runs down
// the names into the text group and back; the group is drawn once per
// query; Escape and the address bring back what they did before.
TEST(PageTextBrowserTest, NameQueriesKeepTheirMeaningAndTheKeysCrossBothGroups) {
  TextKit kit;
  struct Case {
    const char* typed;
    const char* names;   // the first three of the name group
    const char* titles;  // the first two text hits, or "hidden" (no text searched)
  };
  const Case cases[] = {
      {"drawimage", "DrawImage,DrawImageRect", "DrawImage,DrawImageRect"},
      {"*rect", "DrawImageRect,DrawRect", "DrawRect,SetViewport"},
      {"mapins*", "MapInsert", "MapInsert,Commands"},
      {"core.map:mapk*", "MapKeys", "hidden"},
      {"j", "JSON_ARRAY,JSON_NULL,JSON_NUMBER", "hidden"},
      // Two letters: a whole word, not the start of every word.
      {"dr", "DrawImage,DrawImageRect,DrawLine", ""},
  };
  const std::string field = "document.getElementById('textfield')";
  // Typed once the page has drawn its listing, which holds the text group:
  // on a loaded machine that came after the first query's check.
  std::vector<Act> acts = {Goto(kit.Url("Modules/commands.html")),
                           Do(R"js({"until":"!!document.getElementById('textpart')"})js")};
  for (const Case& c : cases) {
    acts.push_back(Check("(" + field + ".value = " + test::Json(c.typed) + ", " + field +
                             ".dispatchEvent(new Event('input')), 1)",
                         "1"));
    if (std::string(c.titles) == "hidden") {
      acts.push_back(Do(R"({"wait":300})"));
      acts.push_back(Check("document.getElementById('textpart').hidden", "true"));
    } else {
      acts.push_back(kTextIn);
      acts.push_back(Check(kTitles, c.titles));
    }
    acts.push_back(Check(kNames, c.names));
  }
  // A last word's first letter keeps the hits of the words before it (the
  // whole word "drawimage", not the start of words).
  for (const char* typed : {"drawimage", "drawimage s"}) {
    acts.push_back(Check("(" + field + ".value = " + test::Json(typed) + ", " + field +
                             ".dispatchEvent(new Event('input')), 1)",
                         "1"));
  }
  acts.push_back(Do(R"({"wait":300})"));
  acts.push_back(Check(std::string(kTitles) +
                           " + ' ' + /\u201cdrawimage\u201d/.test(document.getElementById("
                           "'textcount').textContent) + ' ' + document.getElementById('textpart')"
                           ".classList.contains('stale')",
                       "DrawImage,Commands true false"));
  // Down past the two names into the text group, Up back to the last name.
  acts.push_back(Check(kClear, "1"));
  acts.push_back(Type("drawimage"));
  acts.push_back(kTextIn);
  // A group on the first screen is laid out at once, one below a screen of
  // names (further down) only when it comes near.
  const std::string far =
      "document.getElementById('textpart').classList.contains('far') + ' ' + "
      "(document.getElementById('textpart').getBoundingClientRect().top >= innerHeight)";
  acts.push_back(Check(far, "false false"));
  acts.push_back(Keys({"ArrowDown", "ArrowDown", "ArrowDown"}));
  acts.push_back(Check(
      kChosen + std::string(" + ' ' + document.querySelectorAll('.hit.sel').length"), "text0 1"));
  // Typing on leaves no row marked chosen, in rows drawn again or kept.
  acts.push_back(Keys({"Backspace"}));
  acts.push_back(kTextIn);
  acts.push_back(Check(
      kChosen + std::string(" + ' ' + document.querySelectorAll('.hit.sel, [aria-selected=true]').length"),
      "null 0"));
  acts.push_back(Type("e"));
  acts.push_back(kTextIn);
  acts.push_back(Keys({"ArrowDown", "ArrowDown", "ArrowDown"}));
  acts.push_back(Keys({"ArrowUp"}));
  acts.push_back(
      Check("document.getElementById(" + std::string(kChosen) + ").firstChild.textContent",
            "DrawImageRect"));
  // The address holds the query (written once the results were painted): a
  // reload shows both groups again.
  acts.push_back(Do(R"js({"until":"addressWaiting == null"})js"));
  acts.push_back(Check("(location.reload(), 1)", "1"));
  acts.push_back(Do(R"({"wait":300})"));
  // (on a loaded machine the page may not have drawn its listing yet)
  acts.push_back(Do(
      R"js({"until":"document.readyState == 'complete' && !!document.getElementById('textpart')"})js"));
  acts.push_back(kTextIn);
  acts.push_back(Check(field + ".value + ' ' + " + kTitles, "drawimage DrawImage,DrawImageRect"));
  // A new query draws the group once, when all its files are in.
  acts.push_back(
      Check("(window.drawn = 0, new MutationObserver(r => window.drawn += r.length)"
            ".observe(document.getElementById('texts'), {childList: true}), " +
                field + ".value = 'colour', " + field + ".dispatchEvent(new Event('input')), 1)",
            "1"));
  acts.push_back(kTextIn);
  acts.push_back(Do(R"({"wait":300})"));
  acts.push_back(Check("window.drawn", "1"));
  // More hits come below those shown, which keep their places.
  const std::string titles =
      "[...document.querySelectorAll('#texts a.cmd')].map(a => a.textContent)";
  acts.push_back(Check("(window.first = " + titles +
                           ".join(), document.querySelector('#textmore button').click(), 1)",
                       "1"));
  acts.push_back(Do(R"js({"until":"document.querySelectorAll('#texts .hit').length > 10"})js"));
  acts.push_back(Check(titles + ".slice(0, 10).join() == window.first", "true"));
  acts.push_back(Check(kClear + std::string(" && (") + field + ".value = 'colour')", "colour"));
  acts.push_back(Keys({"Escape"}));
  acts.push_back(Check(field + ".value + document.getElementById('textpart').hidden", "true"));
  acts.push_back(Type("re"));
  acts.push_back(kTextIn);
  acts.push_back(Check(far, "true true"));
  acts.push_back(Keys({"Escape"}));
  // Back and Forward between two addresses show each one's text group.
  acts.push_back(Goto(kit.Url("index.html", "?textfield=closestream&Submit=Search")));
  acts.push_back(Goto(kit.Url("index.html", "?textfield=%22url+cannot%22&Submit=Search")));
  acts.push_back(Do(R"({"back":true})"));
  acts.push_back(kTextIn);
  acts.push_back(Check("document.querySelector('#texts a.cmd').textContent", "CloseStream"));
  acts.push_back(Do(R"({"forward":true})"));
  acts.push_back(kTextIn);
  acts.push_back(Check("document.querySelector('#texts a.cmd').textContent", "OpenStream"));
  test::Session(acts);
}

// Without the text index, or with part of it gone, names are found as
// before and the text group says which file is missing.
TEST(PageTextBrowserTest, AMissingTextIndexIsNamedAndNamesStillWork) {
  TextKit kit;
  const std::string folder = kit.IndexFolder();
  ASSERT_EQ(unlink(kit.Html("Modules/" + folder + "p0.js").c_str()), 0);
  const Act note_in = Do(R"js({"until":"!document.getElementById('textnote').hidden"})js");
  const std::string note = "document.getElementById('textnote').textContent";
  std::vector<Act> acts = {
      Goto(kit.Url("index.html")),
      Type("/closestream"),
      note_in,
      Check(note, "Part of the full-text index is missing (Modules/" + folder +
                      "p0.js): rebuild the index. Text results may be incomplete."),
      Check(kNames, "CloseStream"),
  };
  test::Session(acts);
  ASSERT_EQ(unlink(kit.Html("Modules/textindex.js").c_str()), 0);
  acts = {
      Goto(kit.Url("Modules/commands.html", "?textfield=closestream&Submit=Search")),
      note_in,
      Check(note,
            "Full-text index not found (Modules/textindex.js): rebuild the index to search "
            "the text of the documentation."),
      Check(kNames, "CloseStream"),
      Check("document.querySelectorAll('#texts .hit').length + ' ' + "
            "document.getElementById('textpart').className",
            "0 textpart"),
  };
  test::Session(acts);
}

}  // namespace
}  // namespace lexidor

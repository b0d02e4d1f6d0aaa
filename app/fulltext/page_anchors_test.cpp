#include "app/fulltext/page_anchors.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/fulltext/base_state.h"
#include "app/fulltext/page_source.h"
#include "runtime/string.h"

namespace lexidor::fulltext {
namespace {

// The table gives each page the anchors (and their hash) that a table per
// page, filled in list order with the first command kept, gives: a rebuild
// compares the hash with the one a full build stored, and a difference
// cuts the page again.
TEST(AnchorTableTest, HashesAndTablesMatchThoseMadePerPage) {
  // page, anchor, name (Latin-1), in list order.
  std::vector<std::tuple<std::string, std::string, std::string>> rows = {
      {"a.html", "Load", "LoadImage"},
      {"b/c.html", "x", "Xfirst"},
      {"a.html", "Draw", "DrawIt"},
      {"a.html", "Load", "LoadAgain"},  // several commands link to one anchor
      {"b/c.html", "x", "Xsecond"},
      {"b/c.html", "", "Empty"},
      {"odd \xE9.html", "caf\xE9", "na\xEFve\x01\x02"},  // bytes past ASCII and the key's marks
      {"a.html", "Clear", "ClearAll"},
      {"a.html", "Draw", "DrawIt"},  // a duplicate row
      {"b.html", "only", "One"},
  };
  // A page of many rows, given in reverse order with every anchor twice,
  // and many pages (past the table's first size) between its rows.
  for (int i = 99; i >= 0; --i) {
    const std::string anchor = "a" + std::to_string(i % 50);
    rows.emplace_back("many.html", anchor, "N" + std::to_string(i));
    rows.emplace_back("p" + std::to_string(i) + ".html", "x", "P");
  }
  TAnchorTable table;
  TAnchorTable::Anchors expected;
  for (const auto& [page, anchor, name] : rows) {
    table.Add(page, anchor, name);
    expected[page].try_emplace(anchor, Latin1ToUtf8(name));
  }
  table.Seal();
  ASSERT_EQ(table.Pages(), expected.size());
  for (const auto& [page, anchors] : expected) {
    SCOPED_TRACE(page);
    EXPECT_EQ(table.Map(page), anchors);
    EXPECT_EQ(table.Hash(page), AnchorsHash(AnchorsKey(anchors)));
  }
  EXPECT_EQ(table.Maps(), expected);
  // A page no command links to, or a prefix of one that some link to.
  for (const char* page : {"none.html", "a", ""}) {
    EXPECT_TRUE(table.Map(page).empty());
    EXPECT_EQ(table.Hash(page), AnchorsHash(AnchorsKey({})));
  }
  // An empty table, sealed or not, knows no page.
  TAnchorTable empty;
  EXPECT_EQ(empty.Hash("a.html"), AnchorsHash(""));
  empty.Seal();
  EXPECT_TRUE(empty.Maps().empty());
}

}  // namespace
}  // namespace lexidor::fulltext

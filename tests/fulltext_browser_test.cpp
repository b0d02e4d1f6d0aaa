// The text index's search script in a real browser from file://: only
// <script> loads, the files a query needs fetched as it runs, an index in
// two segments searched as one, and a missing file named in the result.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

// A page beside the installed index that runs one search and writes what
// it found into the page.
std::string ProbePage(const std::string& query) {
  return "<!DOCTYPE html><html><head><meta charset=\"iso-8859-1\">"
         "<script src=\"textindex.js\"></script><script src=\"fulltext.js\"></script></head>"
         "<body><div id=\"out\">waiting</div><script>"
         "LexidorFullText.create({base: ''}).search(" +
         query +
         ", function (r) {"
         "  var h = r.hits[0];"
         "  document.getElementById('out').textContent = 'total ' + r.total + ' missing ' +"
         "      (r.missing.join(',') || 0) + ' first ' + (h ? h.title + ' ' + h.link + ' ' +"
         "      h.excerpt.slice(h.highlights[0][0], h.highlights[0][1]) : '-');"
         "});</script></body></html>";
}

TEST(FullTextInBrowser, SearchesFromFileUrlsAndNamesAMissingFile) {
  test::TempDir dir("lexidor-textpage");
  test::CopyTree(test::SampleKit(), dir.Sub("kit"));
  test::MakeDirs(dir.Sub("prog"));
  test::CopyFile(test::LexidorBinary(), dir.Sub("prog/Lexidor"));
  chmod(dir.Sub("prog/Lexidor").c_str(), 0755);
  test::WriteFile(dir.Sub("prog/config.txt"), dir.Sub("kit") + "\r\n0\r\n");
  // The probes are pages of the kit too, there from the first build on.
  const std::string modules = dir.Sub("kit/docs/html/Modules/");
  test::WriteFile(modules + "found.html", ProbePage("'stretched rectangles'"));
  test::WriteFile(modules + "none.html", ProbePage("'zzzunknown'"));
  test::WriteFile(modules + "changed.html", ProbePage("'segmentword'"));
  test::RunOptions options;
  options.args = {"batch"};
  const test::RunResult run = test::RunProgram(dir.Sub("prog/Lexidor"), options);
  ASSERT_EQ(run.exit_status, 0) << run.out << run.err;

  const std::vector<test::BrowserRun> runs =
      test::DumpDoms({test::FileUrl(modules + "found.html"), test::FileUrl(modules + "none.html")});
  ASSERT_TRUE(runs[0].ok) << runs[0].error;
  EXPECT_NE(runs[0].dom.find("total 2 missing 0 first DrawImageRect "
                             "Modules/media/media.image/index.html#DrawImageRect stretched"),
            std::string::npos)
      << runs[0].dom;
  EXPECT_NE(runs[1].dom.find("total 0 missing 0 first -"), std::string::npos) << runs[1].dom;

  // Rebuilt after one page changed, the index is in two segments: the
  // changed page's sections come from the second, once each, the others
  // from the files kept.
  const std::string page = dir.Sub("kit/docs/html/Modules/media/media.image/index.html");
  std::string html = test::ReadFile(page);
  const std::string said = "stretched into a rectangle.</p>";
  ASSERT_NE(html.find(said), std::string::npos);
  test::WriteFile(page, html.replace(html.find(said), said.size(),
                                     "stretched into a rectangle, segmentword.</p>"));
  const test::RunResult again = test::RunProgram(dir.Sub("prog/Lexidor"), options);
  ASSERT_NE(again.out.find("indexed into a second segment"), std::string::npos) << again.out;
  const std::vector<test::BrowserRun> rebuilt = test::DumpDoms(
      {test::FileUrl(modules + "found.html"), test::FileUrl(modules + "changed.html")});
  EXPECT_NE(rebuilt[0].dom.find("total 2 missing 0 first DrawImageRect "
                                "Modules/media/media.image/index.html#DrawImageRect stretched"),
            std::string::npos)
      << rebuilt[0].dom;
  EXPECT_NE(rebuilt[1].dom.find("total 1 missing 0 first DrawImageRect "
                                "Modules/media/media.image/index.html#DrawImageRect segmentword"),
            std::string::npos)
      << rebuilt[1].dom;

  // Without the postings files of the kept files (in the last full build's
  // folder, which the pointer names as its base), the result names those
  // the words lead to, and holds what the second segment found.
  const std::string pointer = test::ReadFile(modules + "textindex.js");
  ASSERT_NE(pointer.find("base:\"g1\""), std::string::npos) << pointer;
  for (int n = 0; unlink((modules + "textindex/g1/p" + std::to_string(n) + ".js").c_str()) == 0;
       ++n) {
  }
  const std::vector<test::BrowserRun> missing =
      test::DumpDoms({test::FileUrl(modules + "found.html")});
  const size_t named = missing[0].dom.find("total 2 missing textindex/g1/p");
  EXPECT_NE(named, std::string::npos) << missing[0].dom;
  EXPECT_NE(missing[0].dom.find(".js first DrawImageRect", named), std::string::npos)
      << missing[0].dom;
}

}  // namespace
}  // namespace lexidor

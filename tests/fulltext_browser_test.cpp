// The text index's search script in a real browser from file://: only
// <script> loads, the files a query needs fetched as it runs, and a missing
// file named in the result.
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
         "      r.missing.length + ' first ' + (h ? h.title + ' ' + h.link + ' ' +"
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
  test::RunOptions options;
  options.args = {"batch"};
  const test::RunResult run = test::RunProgram(dir.Sub("prog/Lexidor"), options);
  ASSERT_EQ(run.exit_status, 0) << run.out << run.err;

  const std::string modules = dir.Sub("kit/docs/html/Modules/");
  test::WriteFile(modules + "found.html", ProbePage("'stretched rectangles'"));
  test::WriteFile(modules + "none.html", ProbePage("'zzzunknown'"));
  const std::vector<test::BrowserRun> runs =
      test::DumpDoms({test::FileUrl(modules + "found.html"), test::FileUrl(modules + "none.html")});
  ASSERT_TRUE(runs[0].ok) << runs[0].error;
  EXPECT_NE(runs[0].dom.find("total 2 missing 0 first DrawImageRect "
                             "Modules/media/media.image/index.html#DrawImageRect stretched"),
            std::string::npos)
      << runs[0].dom;
  EXPECT_NE(runs[1].dom.find("total 0 missing 0 first -"), std::string::npos) << runs[1].dom;

  // Without the postings file the words lead to, the result says so.
  const std::string pointer = test::ReadFile(modules + "textindex.js");
  const size_t from = pointer.find("dir:\"") + 5;
  const std::string folder = modules + pointer.substr(from, pointer.find('"', from) - from);
  ASSERT_EQ(unlink((folder + "p0.js").c_str()), 0) << folder;
  const std::vector<test::BrowserRun> missing =
      test::DumpDoms({test::FileUrl(modules + "found.html")});
  EXPECT_NE(missing[0].dom.find("total 0 missing 1 first -"), std::string::npos) << missing[0].dom;
}

}  // namespace
}  // namespace lexidor

// The text index's search script in a real browser from file://: only
// <script> loads, the files a query needs fetched as it runs, an index in
// two segments searched as one, and a missing file named in the result.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "app/fulltext/packed_text.h"
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

// An index file's packed bytes, every value among them, reach the page's
// script whole through the engine's own loader, on a page whose own
// charset (UTF-8) would mangle them.
TEST(FullTextInBrowser, PackedBytesOfEveryValueArriveWhole) {
  test::TempDir dir("lexidor-textbytes");
  std::mt19937 random(20261210);
  std::string text;
  while (text.size() < 60000) {
    const char first = random() % 2 ? 'a' : 'A';
    text += static_cast<char>(first + random() % 26);
  }
  test::WriteFile(dir.Sub("d0.js"),
                  "(self.lexidorText=self.lexidorText||[]).push({g:\"g1\",k:\"d\",n:0,z:\"" +
                      fulltext::PackText(text) + "\"});\n");
  test::WriteFile(dir.Sub("want.js"), "var want = \"" + text + "\";\n");
  const std::string resources = std::string(LEXIDOR_SOURCE_DIR) + "/app/resources/";
  std::string scripts =
      "<script src=\"" +
      test::FileUrl(std::string(LEXIDOR_BINARY_DIR) + "/app/pages/pako_inflate.js") +
      "\"></script><script src=\"want.js\"></script>";
  for (const char* name : {"unpack.js", "text_query.js", "text_rank.js", "fulltext.js"}) {
    scripts += "<script src=\"" + test::FileUrl(resources + name) + "\"></script>";
  }
  test::WriteFile(dir.Sub("page.html"),
                  "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + scripts +
                      "</head><body><div id=\"out\">waiting</div><script>"
                      "LexidorFullText.loadScript('d0.js', function () {"
                      "  var got = LexidorUnpack.text(LexidorFullText.registered('g1/d0').z);"
                      "  document.getElementById('out').textContent ="
                      "      got === want ? 'same' : 'differs ' + got.length;"
                      "});</script></body></html>");
  const test::BrowserRun run = test::DumpDom(test::FileUrl(dir.Sub("page.html")));
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_NE(run.dom.find("<div id=\"out\">same</div>"), std::string::npos) << run.dom;
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

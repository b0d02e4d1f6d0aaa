// The text index as the pages search it: built from generated pages (in
// process, or by the program on a kit), then searched by the pages' own
// script in node (tests/fulltext_checks.js) against what the generator
// knows of every section.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/fulltext/packed_text.h"
#include "app/fulltext/text_build.h"
#include "tests/browser_support.h"
#include "tests/program_runner.h"

namespace lexidor {
namespace {

using test::WriteFile;

// Runs a mode of fulltext_checks.js; its output is the failure message.
void Check(const std::vector<std::string>& args) {
  const std::string node = test::NodeBinary();
  ASSERT_NE(node, "") << "node is not installed (scripts/install-deps installs nodejs)";
  test::RunOptions options;
  options.args = {std::string(LEXIDOR_SOURCE_DIR) + "/tests/fulltext_checks.js"};
  options.args.insert(options.args.end(), args.begin(), args.end());
  options.timeout_ms = 240000;
  const test::RunResult run = test::RunProgram(node, options);
  EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
  std::printf("%s", run.out.c_str());
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string JsonWords(const std::vector<std::string>& words) {
  std::string out = "[";
  for (size_t i = 0; i < words.size(); ++i) out += (i ? "," : "") + Quoted(words[i]);
  return out + "]";
}

std::string Join(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

// A file's packed bytes, every value among them, reach the page's script
// whole when it reads the file as a page does (windows-1252).
TEST(FullTextInNode, PackedBytesOfEveryValueUnpackInThePage) {
  test::TempDir dir("lexidor-fulltext");
  std::mt19937 random(20261210);
  std::string text = "{\"w\":\"";
  while (text.size() < 60000) {
    const char first = random() % 2 ? 'a' : 'A';
    text += static_cast<char>(first + random() % 26);
  }
  text += "\"}";
  const std::string packed = fulltext::PackText(text);
  // Every value of a byte is there: 252 raw, and the quote, backslash, LF
  // and CR escaped.
  std::set<std::string> values;
  for (size_t i = 0; i < packed.size(); ++i) {
    values.insert(packed.substr(i, packed[i] == '\\' ? 2 : 1));
    if (packed[i] == '\\') ++i;
  }
  EXPECT_EQ(values.size(), 256u);
  for (const char* escape : {"\\\"", "\\\\", "\\n", "\\r"}) EXPECT_EQ(values.count(escape), 1u);
  WriteFile(dir.Sub("d0.js"),
            "(self.lexidorText=self.lexidorText||[]).push({g:\"g1\",k:\"d\",n:0,z:\"" + packed +
                "\"});\n");
  WriteFile(dir.Sub("text"), text);
  Check({"unpack", dir.Sub("d0.js"), dir.Sub("text")});
}

// Small corpora of words the stemmer leaves alone (no vowels, no "s" or
// "y"), so that what a section holds is plain to see; short words over few
// letters share prefixes, and words of two letters are searched ahead after
// a word's first letter.
TEST(FullTextInNode, RandomCorporaFindExactlyTheSectionsHoldingEveryWord) {
  test::TempDir dir("lexidor-fulltext");
  std::mt19937 random(20261210);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  std::string oracle = "[";
  for (int c = 0; c < 12; ++c) {
    const std::string root = dir.Sub("c" + std::to_string(c));
    std::vector<std::string> vocabulary;
    while (vocabulary.size() < 10) {
      std::string word;
      for (int n = 2 + below(3); n > 0; --n) word += "bcdfg"[below(5)];
      if (std::find(vocabulary.begin(), vocabulary.end(), word) == vocabulary.end()) {
        vocabulary.push_back(word);
      }
    }
    fulltext::TextBuildOptions options;
    options.htmlFolder = root + "/html";
    options.outputFolder = root + "/html/Modules/text";
    options.generation = "g1";
    std::string sections;
    for (int p = 0; p < 3; ++p) {
      const std::string page = "p" + std::to_string(p) + ".html";
      std::string html = "<html><body>";
      for (int s = 0; s < 1 + below(8); ++s) {
        std::vector<std::string> title, body;
        std::string anchor = "s" + std::to_string(s);
        if (below(2)) {  // a command's section, titled by its name
          anchor = "c" + std::to_string(s);
          title.push_back(vocabulary[below(10)]);
          options.anchors[page][anchor] = title[0];
          html += "<a name=\"" + anchor + "\"></a>";
        } else {
          for (int n = 1 + below(2); n > 0; --n) title.push_back(vocabulary[below(10)]);
          html += "<h2 id=\"" + anchor + "\">" + Join(title) + "</h2>";
        }
        for (int n = below(12); n > 0; --n) body.push_back(vocabulary[below(10)]);
        html += "<p>" + Join(body) + "</p>";
        sections += std::string(sections.empty() ? "" : ",") +
                    "{\"link\":" + Quoted(page + "#" + anchor) + ",\"title\":" + JsonWords(title) +
                    ",\"body\":" + JsonWords(body) + "}";
      }
      WriteFile(root + "/html/" + page, html + "</body></html>");
    }
    test::MakeDirs(root + "/html/Modules");
    const fulltext::TextBuildSummary summary = fulltext::BuildTextIndex(options);
    ASSERT_EQ(summary.error, "");
    WriteFile(root + "/html/Modules/textindex.js",
              "var lexidorTextIndex={dir:\"text/\",generation:\"g1\"};");
    oracle += std::string(c ? "," : "") + "{\"modules\":" + Quoted(root + "/html/Modules") +
              ",\"vocabulary\":" + JsonWords(vocabulary) + ",\"sections\":[" + sections + "]}";
  }
  WriteFile(dir.Sub("oracle.json"), oracle + "]");
  Check({"property", dir.Sub("oracle.json")});
}

// Common words' postings lie in tiers, best scores first, over several
// files: a page showing a few hits reads only the files it needs, and finds
// the same hits, in the same order, with the same count, as one that reads
// every file; a word read in part then searched with others is read whole.
TEST(FullTextInNode, WordsReadInPartFindTheBestHitsOfAllTheirPostings) {
  test::TempDir dir("lexidor-fulltext");
  std::mt19937 random(20261211);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  // The last word is rare: its postings, not in tiers, sort among theirs.
  const std::vector<std::string> vocabulary = {"bcd", "bcf", "bdg", "cfg", "dfb", "gbc", "bce"};
  const std::string root = dir.Sub("kit");
  for (int p = 0; p < 40; ++p) {
    std::string html = "<html><body>";
    for (int s = 0; s < 200; ++s) {
      // Some words in nearly every section, at every density, and in titles.
      std::vector<std::string> title(1, vocabulary[below(6)]), body;
      if (s % 97 == 0) title.push_back(vocabulary[6]);
      for (int n = 1 + below(80); n > 0; --n) body.push_back(vocabulary[below(1 + below(6))]);
      html +=
          "<h2 id=\"s" + std::to_string(s) + "\">" + Join(title) + "</h2><p>" + Join(body) + "</p>";
    }
    WriteFile(root + "/html/p" + std::to_string(p) + ".html", html + "</body></html>");
  }
  test::MakeDirs(root + "/html/Modules/text");
  WriteFile(dir.Sub("oracle.json"), "{\"modules\":" + Quoted(root + "/html/Modules") +
                                        ",\"vocabulary\":" + JsonWords(vocabulary) + "}");
  // A full build, then a rebuild after a page changed: two segments, the
  // first with that page's sections left out.
  for (const std::string generation : {"g1", "g2"}) {
    fulltext::TextBuildOptions options;
    options.htmlFolder = root + "/html";
    options.outputFolder = root + "/html/Modules/text/" + generation;
    options.generation = generation;
    options.cacheFile = root + "/html/Modules/text/pages.cache";
    if (generation == "g2") {
      options.baseFolder = root + "/html/Modules/text/g1";
      WriteFile(root + "/html/p7.html", "<html><body><h2>bcd</h2><p>bcd gbc</p></body></html>");
    }
    const fulltext::TextBuildSummary summary = fulltext::BuildTextIndex(options);
    ASSERT_EQ(summary.error, "");
    EXPECT_EQ(summary.baseKept, generation == "g2");
    WriteFile(root + "/html/Modules/textindex.js", "var lexidorTextIndex={dir:\"text/" +
                                                       generation + "/\",generation:\"" +
                                                       generation + "\"};");
    Check({"tiers", dir.Sub("oracle.json")});
  }
}

// A rebuild after a few pages changed keeps the last full build's files and
// indexes the changed and added pages into a second segment: the new text
// is found, the old and the removed not, and the hits and their order are
// those of a full build of the same pages.  Past a tenth of the pages
// changed, or without the base's files, a rebuild is a full build again.
TEST(FullTextInNode, RebuildsInSegmentsFindWhatAFullBuildFinds) {
  test::TempDir dir("lexidor-segments");
  const std::string html = dir.Sub("html"), text = html + "/Modules/text";
  test::MakeDirs(text);
  std::mt19937 random(20261211);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  std::vector<std::string> vocabulary;  // words the stemmer leaves alone
  while (vocabulary.size() < 30) {
    std::string word;
    for (int n = 3 + below(2); n > 0; --n) word += "bcdfghjklmnp"[below(12)];
    if (std::find(vocabulary.begin(), vocabulary.end(), word) == vocabulary.end()) {
      vocabulary.push_back(word);
    }
  }
  auto word = [&] {  // some words in most sections, most in few
    return vocabulary[static_cast<size_t>(std::pow(30.0, below(1000) / 1000.0)) - 1];
  };
  auto page = [&](int p, const std::string& extra) {
    std::string out = "<html><body>";
    for (int s = 0; s < 3 + below(3); ++s) {
      out += "<h2 id=s" + std::to_string(s) + ">" + word() + "</h2><p>";
      for (int n = 5 + below(25); n > 0; --n) out += word() + " ";
      if (s == 1) out += extra;
      out += "</p>";
    }
    WriteFile(html + "/p" + std::to_string(p) + ".html", out + "</body></html>");
  };
  for (int p = 0; p < 50; ++p) {
    page(p, p == 3 ? "oldword" : p == 7 ? "removedword" : p == 11 ? "<a name=cmd></a>" : "");
  }
  std::map<std::string, std::map<std::string, std::string>> anchors;
  std::string base;  // the last full build's folder
  auto build = [&](const std::string& generation) {
    fulltext::TextBuildOptions options;
    options.htmlFolder = html;
    options.outputFolder = text + "/" + generation;
    options.generation = generation;
    options.cacheFile = text + "/pages.cache";
    options.baseFolder = base.empty() ? "" : text + "/" + base;
    // A rebuild takes them as the program gives them: one flat table.
    fulltext::TAnchorTable table;
    for (const auto& [page, rows] : anchors) {
      for (const auto& [anchor, name] : rows) table.Add(page, anchor, name);
    }
    table.Seal();
    if (base.empty()) {
      options.anchors = anchors;
    } else {
      options.anchorTable = &table;
    }
    const fulltext::TextBuildSummary summary = fulltext::BuildTextIndex(options);
    EXPECT_EQ(summary.error, "");
    // A rebuild's folder holds only what changed; the base's stays whole.
    EXPECT_EQ(summary.baseFolder, summary.baseKept ? base : "");
    EXPECT_EQ(std::filesystem::exists(text + "/" + generation + "/d0.js"), !summary.baseKept);
    if (!summary.baseKept) base = generation;
    WriteFile(html + "/Modules/textindex.js", "var lexidorTextIndex={dir:\"text/" + generation +
                                                  "/\",generation:\"" + generation + "\"};");
    return summary;
  };
  // A full build of the same pages, elsewhere, for the ranking to compare.
  const std::string full = dir.Sub("full");
  auto compare = [&](const std::vector<std::string>& pages) {
    test::RemoveTree(full);
    test::MakeDirs(full);
    fulltext::TextBuildOptions options;
    options.htmlFolder = html;
    options.outputFolder = full + "/g1";
    options.generation = "g1";
    options.anchors = anchors;
    ASSERT_EQ(fulltext::BuildTextIndex(options).error, "");
    WriteFile(full + "/textindex.js", "var lexidorTextIndex={dir:\"g1/\",generation:\"g1\"};");
    std::vector<std::string> queries;  // as written in JSON
    for (int q = 0; q < 16; ++q) {
      std::string query = vocabulary[q % 8];
      if (q >= 8) query += " " + vocabulary[below(12)];
      if (q == 14) query = "\\\"" + query + "\\\"";  // a phrase
      if (q == 15) query.pop_back();                 // the last word as a prefix
      queries.push_back(query);
    }
    WriteFile(dir.Sub("same.json"),
              "{\"queries\":" + JsonWords(queries) + ",\"exact\":" + JsonWords(pages) + "}");
    Check({"same", html + "/Modules", full, dir.Sub("same.json")});
  };
  auto expect = [&](const std::string& json) {
    WriteFile(dir.Sub("expect.json"), json);
    Check({"expect", html + "/Modules", dir.Sub("expect.json")});
  };

  ASSERT_EQ(build("g1").segments, 1u);
  // A page changed, one added, one removed: 3 of 50.
  page(3, "newword");
  page(50, "addedword");
  unlink((html + "/p7.html").c_str());
  fulltext::TextBuildSummary summary = build("g2");
  EXPECT_TRUE(summary.baseKept);
  EXPECT_EQ(summary.segments, 2u);
  EXPECT_EQ(summary.pages, 50u);
  EXPECT_EQ(summary.reused, 48u);
  expect(R"([{"query": "newword", "links": ["p3.html#s1"]}, {"query": "oldword", "links": []},
    {"query": "addedword", "links": ["p50.html#s1"]}, {"query": "removedword", "links": []}])");
  compare({"p3.html", "p50.html"});

  // The next rebuild indexes every page changed since the base again: one
  // more changed, and one cut by other command anchors.
  page(5, "fifthword");
  anchors["p11.html"]["cmd"] = "anchoredname";
  summary = build("g3");
  EXPECT_TRUE(summary.baseKept);
  EXPECT_EQ(summary.reused, 46u);
  expect(R"([{"query": "newword", "links": ["p3.html#s1"]}, {"query": "oldword", "links": []},
    {"query": "fifthword", "links": ["p5.html#s1"]}, {"query": "removedword", "links": []},
    {"query": "anchoredname", "links": ["p11.html#cmd"]}])");
  compare({"p3.html", "p5.html", "p11.html", "p50.html"});

  // A sixth page changed since the base: past a tenth, a full build.
  page(6, "sixthword");
  summary = build("g4");
  EXPECT_FALSE(summary.baseKept);
  EXPECT_EQ(summary.segments, 1u);
  EXPECT_EQ(summary.reused, 45u);  // from the page cache
  expect(R"([{"query": "newword", "links": ["p3.html#s1"]},
    {"query": "sixthword", "links": ["p6.html#s1"]}, {"query": "removedword", "links": []},
    {"query": "anchoredname", "links": ["p11.html#cmd"]}])");

  // The next one keeps the new base again; one whose base lost a file
  // cannot, and is a full build.
  page(8, "eighthword");
  summary = build("g5");
  EXPECT_TRUE(summary.baseKept);
  EXPECT_EQ(summary.segments, 2u);
  page(9, "ninthword");
  unlink((text + "/g4/d0.js").c_str());
  summary = build("g6");
  EXPECT_FALSE(summary.baseKept);
  expect(R"([{"query": "eighthword", "links": ["p8.html#s1"]},
    {"query": "ninthword", "links": ["p9.html#s1"]}, {"query": "sixthword", "links": ["p6.html#s1"]}])");
}

// A private copy of the program with its settings naming a kit.
class FullTextKit : public testing::Test {
 protected:
  FullTextKit() : dir_("lexidor-textkit") {
    kit_ = dir_.Sub("kit");
    test::MakeDirs(dir_.Sub("prog"));
    test::CopyFile(test::LexidorBinary(), dir_.Sub("prog/Lexidor"));
    chmod(dir_.Sub("prog/Lexidor").c_str(), 0755);
    WriteFile(dir_.Sub("prog/config.txt"), kit_ + "\r\n0\r\n");
  }
  std::string Html() const { return kit_ + "/docs/html"; }
  test::RunResult Build() {
    test::RunOptions options;
    options.args = {"batch"};
    options.timeout_ms = 240000;
    return test::RunProgram(dir_.Sub("prog/Lexidor"), options);
  }

  test::TempDir dir_;
  std::string kit_;
};

// Reference pages of pronounceable words, long-tailed (some words in most
// sections, most in few), with inflected forms, tables and code; a
// distinctive run of words from each of 100 random sections finds it.
TEST_F(FullTextKit, KnownItemsRankInTheTopThree) {
  std::mt19937 random(7);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  std::vector<std::string> vocabulary;
  const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "ta", "vo", "bi", "de", "po", "gu"};
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    for (int n = 2 + below(2); n > 0; --n) w += syllables[below(11)];
    vocabulary.push_back(w + (i % 5 == 0 ? "ed" : i % 7 == 0 ? "ing" : i % 3 == 0 ? "s" : ""));
  }
  auto word = [&] {  // Zipf-like: rank r with weight about 1/r
    const double u = std::uniform_real_distribution<double>(0, 1)(random);
    return vocabulary[static_cast<size_t>(std::pow(3000.0, u)) - 1];
  };
  std::string commands, items = "[";
  std::vector<std::pair<std::string, std::vector<std::string>>> all;
  for (int p = 0; p < 30; ++p) {
    const std::string page = "Modules/m" + std::to_string(p) + "/index.html";
    std::string html = "<html><head><title>Module m" + std::to_string(p) + "</title></head><body>";
    for (int c = 0; c < 20; ++c) {
      const std::string name = "Cmd" + std::to_string(p) + "x" + std::to_string(c);
      commands += name + "()|/docs/html/" + page + "#" + name + "\n";
      std::vector<std::string> body;
      for (int n = 20 + below(40); n > 0; --n) body.push_back(word());
      html += "<a name=\"" + name + "\"></a><h3>" + name + "</h3><p>" + Join(body) +
              "</p><table><tr><td>" + word() + "</td></tr></table><pre>x = " + name + "(1)</pre>";
      all.emplace_back(page + "#" + name, body);
    }
    WriteFile(Html() + "/" + page, html + "</body></html>");
  }
  WriteFile(Html() + "/Modules/commands.txt", commands);
  for (int k = 0; k < 100; ++k) {
    const auto& [link, body] = all[below(static_cast<int>(all.size()))];
    const size_t at = below(static_cast<int>(body.size()) - 3);
    items += std::string(k ? "," : "") + "{\"link\":" + Quoted(link) +
             ",\"words\":" + JsonWords({body.begin() + at, body.begin() + at + 4}) + "}";
  }
  WriteFile(dir_.Sub("items.json"), items + "]");
  const test::RunResult run = Build();
  ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Full text: 30 pages, 630 sections"), std::string::npos) << run.out;
  Check({"known", Html() + "/Modules", dir_.Sub("items.json")});
}

// Pages no reader should meet: the build ends, counts what it could not
// read, leaves the name index whole, and finds only text a reader sees, by
// its plain spelling.
TEST_F(FullTextKit, HostilePagesAreCountedAndTheNameIndexStaysWhole) {
  WriteFile(Html() + "/Modules/commands.txt", "Open|/docs/html/Modules/a.html#Open\n");
  WriteFile(Html() + "/Modules/a.html",
            "<a name=Open></a><h3>Open</h3><p title=\"secretattr\" class=secretclass>Opens "
            "caf&eacute; cr&egrave;me</p><script>secretscript()</script>"
            "<style>.secretstyle{}</style><!-- secretcomment -->");
  WriteFile(Html() + "/latin1.html", "<h2 id=l>Latin</h2>\xE9l\xE8ve");
  WriteFile(Html() + "/utf8.html", "<meta charset=\"UTF-8\"><h2 id=u>Utf</h2>na\xC3\xAFve");
  WriteFile(Html() + "/comment.html", "<h2 id=c>Comment</h2>beforecomment<!-- secretopen");
  WriteFile(Html() + "/script.html", "<h2 id=s>Script</h2>beforescript<script>secretrun");
  std::string deep = "<h2 id=d>Deep</h2>";
  for (int i = 0; i < 10000; ++i) deep += "<div><span>";
  WriteFile(Html() + "/deep.html", deep + "deepword");
  std::string binary = "<h2 id=b>Binary</h2>";
  for (int i = 0; i < 100000; ++i) binary += static_cast<char>((i * 2654435761u) >> 24);
  WriteFile(Html() + "/binary.html", binary + " binaryend");
  std::string big = "<h2 id=g>Big</h2>";
  big.reserve(100 << 20);
  const char* filler[] = {"lorem ", "ipsum ", "dolor ", "sit ", "amet "};
  for (int i = 0; big.size() < (100u << 20); ++i) big += filler[i % 5];
  WriteFile(Html() + "/big.html", big + "bigend");
  std::filesystem::create_directory_symlink("..", Html() + "/Modules/loop");
  std::filesystem::create_symlink(Html() + "/missing.html", Html() + "/broken.html");
  // A pipe where the pointer goes names no index, and is not waited on.
  ASSERT_EQ(mkfifo((Html() + "/Modules/textindex.js").c_str(), 0644), 0);

  const test::RunResult run = Build();
  ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
  const size_t names = run.out.find("Indeces created...");
  const size_t text = run.out.find("Full text: 8 pages, ");
  ASSERT_NE(text, std::string::npos) << run.out;
  EXPECT_LT(names, text);
  EXPECT_NE(run.out.find(", 1 could not be read", text), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("broken.html"), std::string::npos) << run.err;
  EXPECT_EQ(test::ReadFile(Html() + "/Modules/command.js"), "var commands=new Array(\"Open\");");

  WriteFile(dir_.Sub("expect.json"), R"([
    {"query": "cafe creme", "links": ["Modules/a.html#Open"]},
    {"query": "CAFÉ", "links": ["Modules/a.html#Open"]},
    {"query": "opening", "links": ["Modules/a.html#Open"]},
    {"query": "eleve", "links": ["latin1.html#l"]},
    {"query": "naive", "links": ["utf8.html#u"]},
    {"query": "beforecomment", "links": ["comment.html#c"]},
    {"query": "beforescript", "links": ["script.html#s"]},
    {"query": "deepword", "links": ["deep.html#d"]},
    {"query": "binaryend", "links": ["binary.html#b"]},
    {"query": "bigend", "links": ["big.html#g"]},
    {"query": "\"lorem ipsum dolor\"", "links": ["big.html#g"]},
    {"query": "secretattr", "links": []}, {"query": "secretclass", "links": []},
    {"query": "secretscript", "links": []}, {"query": "secretstyle", "links": []},
    {"query": "secretcomment", "links": []}, {"query": "secretopen", "links": []},
    {"query": "secretrun", "links": []}, {"query": "h2", "links": []}
  ])");
  Check({"expect", Html() + "/Modules", dir_.Sub("expect.json")});

  // A rebuild reuses every page and replaces the index as one set.
  const test::RunResult again = Build();
  EXPECT_NE(again.out.find(", 8 pages unchanged"), std::string::npos) << again.out;
  EXPECT_NE(test::ReadFile(Html() + "/Modules/textindex.js").find("textindex/g2/"),
            std::string::npos);
  Check({"expect", Html() + "/Modules", dir_.Sub("expect.json")});
}

// A build killed while writing its text index leaves a folder no pointer
// names (a full build's, or a rebuild's that names the base's folder), a
// description beside it and half a cache file: the pages go on reading the
// whole set before it, and the next build removes what was left.  Each
// build keeps the set before its own (pages opened meanwhile read it) and
// no other; a rebuild reads the last full build's files in that build's
// folder, which stays while a pointer, the current or the one before,
// names it, and goes after that.
TEST_F(FullTextKit, GenerationsAreReplacedWholeAndLeftoversRemoved) {
  WriteFile(Html() + "/Modules/commands.txt", "Open|/docs/html/Modules/a.html#Open\n");
  WriteFile(Html() + "/Modules/a.html", "<a name=Open></a><h3>Open</h3><p>Opens a stream");
  // The excerpt shows the first word matched: from the start when it lies
  // there, else from a few words before it.
  std::string late = "<h2 id=late>Late</h2><p>";
  for (int i = 0; i < 22; ++i) late += "filler" + std::to_string(i) + " ";
  WriteFile(Html() + "/late.html", late + "farword closing words</p>");
  // A temporary page of the name index's, as a killed build leaves it, is
  // none of the kit's pages.
  WriteFile(Html() + "/.lexidor-1-0123456789abcdef-index.html", "<p>temporaryword</p>");
  WriteFile(dir_.Sub("expect.json"), R"([{"query": "stream", "links": ["Modules/a.html#Open"]},
    {"query": "opens", "links": ["Modules/a.html#Open"], "shows": ["Opens", "Opens"]},
    {"query": "farword", "links": ["late.html#late"], "shows": ["\u2026filler7 ", "farword"]},
    {"query": "late farw", "links": ["late.html#late"], "shows": ["\u2026filler7 ", "farword"],
     "titled": "Late"}, {"query": "temporaryword", "links": []}])");
  const std::string text = Html() + "/Modules/textindex";
  auto generations = [&] {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(text)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  };
  auto pointer = [&] { return test::ReadFile(Html() + "/Modules/textindex.js"); };

  ASSERT_EQ(Build().exit_status, 0);
  EXPECT_NE(pointer().find("textindex/g1/"), std::string::npos);
  test::MakeDirs(text + "/g2");  // what a full build killed while writing leaves
  WriteFile(text + "/g2/d0.js", "(self.lexidorText=self.lexidorText||[]).push({g:\"g2\",k:");
  WriteFile(text + "/g2.state", "LXTB");
  WriteFile(text + "/pages.cache.Xy12Z9", "LXTC");
  Check({"expect", Html() + "/Modules", dir_.Sub("expect.json")});

  // Rebuilds read the base's files where they are, and leave the search
  // script as it is while it is the same.
  struct stat script;
  ASSERT_EQ(stat((Html() + "/Modules/fulltext.js").c_str(), &script), 0);
  ASSERT_EQ(Build().exit_status, 0);
  struct stat same;
  ASSERT_EQ(stat((Html() + "/Modules/fulltext.js").c_str(), &same), 0);
  EXPECT_EQ(same.st_ino, script.st_ino);
  EXPECT_NE(pointer().find("textindex/g3/\",generation:\"g3\",base:\"g1\""), std::string::npos);
  EXPECT_EQ(generations(), (std::set<std::string>{"g1", "g1.state", "g3", "pages.cache"}));
  ASSERT_EQ(Build().exit_status, 0);
  EXPECT_NE(pointer().find("base:\"g1\""), std::string::npos);
  EXPECT_EQ(generations(), (std::set<std::string>{"g1", "g1.state", "g3", "g4", "pages.cache"}));
  Check({"expect", Html() + "/Modules", dir_.Sub("expect.json")});
  test::MakeDirs(text + "/g5");  // what a rebuild killed while writing leaves
  WriteFile(text + "/g5/xd0.js", "(self.lexidorText=self.lexidorText||[]).push({g:\"g5\",k:");
  Check({"expect", Html() + "/Modules", dir_.Sub("expect.json")});

  WriteFile(Html() + "/Modules/fulltext.js", "damaged");  // written again as it differs
  // Both pages changed: a full build.  The base stays while the pointer
  // before names it, and goes with the next build.
  for (const char* page : {"/Modules/a.html", "/late.html"}) {
    WriteFile(Html() + page, test::ReadFile(Html() + page) + "\n");
  }
  ASSERT_EQ(Build().exit_status, 0);
  EXPECT_EQ(pointer().find("base:"), std::string::npos);
  EXPECT_EQ(generations(),
            (std::set<std::string>{"g1", "g1.state", "g4", "g6", "g6.state", "pages.cache"}));
  ASSERT_EQ(Build().exit_status, 0);
  EXPECT_NE(pointer().find("base:\"g6\""), std::string::npos);
  EXPECT_EQ(generations(), (std::set<std::string>{"g6", "g6.state", "g7", "pages.cache"}));
  Check({"expect", Html() + "/Modules", dir_.Sub("expect.json")});

  // A file whose packed text is damaged is named as missing, like one that
  // is not there.
  std::string dictionary = test::ReadFile(text + "/g6/d0.js");
  dictionary.replace(dictionary.find("z:\"") + 3, 10, "##########");
  WriteFile(text + "/g6/d0.js", dictionary);
  WriteFile(dir_.Sub("damaged.json"),
            R"([{"query": "stream", "links": [], "missing": ["d0.js"]}])");
  Check({"expect", Html() + "/Modules", dir_.Sub("damaged.json")});
}

// A word's first letters typed alone are answered from the build's answers
// to them: on a generated kit and on the sample kit, built whole and then
// rebuilt after a page changed (two segments, that page's sections left
// out), every answered prefix shows what the search without them shows.
TEST_F(FullTextKit, AnsweredPrefixesShowWhatTheSearchShows) {
  for (const bool sample : {false, true}) {
    SCOPED_TRACE(sample ? "the sample kit" : "a generated kit");
    test::RemoveTree(kit_);
    if (sample) {
      test::CopyTree(test::SampleKit(), kit_);
    } else {
      test::RunOptions options;
      options.args = {std::string(LEXIDOR_SOURCE_DIR) + "/scripts/fulltext-kit.py", kit_, "300"};
      ASSERT_EQ(test::RunProgram("/usr/bin/python3", options).exit_status, 0);
    }
    test::RunResult run = Build();
    ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
    Check({"answers", Html() + "/Modules", "1"});
    std::vector<std::string> pages;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Html() + "/Modules")) {
      // The program's own pages lie in Modules itself; the kit's below it.
      if (entry.path().extension() == ".html" &&
          entry.path().parent_path() != Html() + "/Modules") {
        pages.push_back(entry.path().string());
      }
    }
    ASSERT_FALSE(pages.empty());
    const std::string page = *std::min_element(pages.begin(), pages.end());
    WriteFile(page, test::ReadFile(page) + "<p>changed</p>");
    run = Build();
    ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("indexed into a second segment"), std::string::npos) << run.out;
    Check({"answers", Html() + "/Modules", "2"});
  }
}

}  // namespace
}  // namespace lexidor

#include "app/fulltext/text_build.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <sstream>
#include <thread>

#include "app/fulltext/packed_text.h"
#include "app/fulltext/page_walk.h"
#include "app/fulltext/shard_writer.h"

namespace lexidor::fulltext {
namespace {

namespace fs = std::filesystem;

class TextBuildTest : public testing::Test {
 protected:
  TextBuildTest() {
    std::string pattern = fs::temp_directory_path().string() + "/lexidor-text-XXXXXX";
    dir_ = mkdtemp(pattern.data());
    html_ = dir_ + "/html";
    fs::create_directories(html_);
  }
  ~TextBuildTest() override { fs::remove_all(dir_); }

  void Write(const std::string& relative, const std::string& bytes) {
    const fs::path path = html_ + "/" + relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  TextBuildOptions Options(const std::string& generation) {
    TextBuildOptions options;
    options.htmlFolder = html_;
    options.outputFolder = dir_ + "/" + generation;
    options.generation = generation;
    options.cacheFile = dir_ + "/pages.cache";
    return options;
  }
  // The packed text of a file.
  static std::string Packed(const std::string& file) {
    const size_t from = file.find("z:\"") + 3;
    return file.substr(from, file.rfind('"') - from);
  }
  // Every file the build wrote, unpacked, read together.
  std::string Shards(const std::string& generation) {
    std::string all;
    for (const auto& entry : fs::directory_iterator(dir_ + "/" + generation)) {
      std::string text;
      EXPECT_TRUE(UnpackText(Packed(Read(entry.path())), &text)) << entry.path();
      all += text;
    }
    return all;
  }

  // The names in the test's folder.
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  std::string dir_, html_;
};

TEST_F(TextBuildTest, WalkTakesEachPageOnceAndStaysInTheTree) {
  Write("a.html", "a");
  Write("B.HTM", "b");
  Write("notes.txt", "not a page");
  Write("sub/c.html", "c");
  Write("index.html", "Lexidor's own page");
  fs::create_directories(dir_ + "/outside");
  std::ofstream(dir_ + "/outside/secret.html") << "outside";
  fs::create_directory_symlink("..", html_ + "/sub/loop");           // a loop
  fs::create_directory_symlink(dir_ + "/outside", html_ + "/out");   // leads out
  fs::create_symlink(html_ + "/a.html", html_ + "/sub/again.html");  // a second name
  fs::create_symlink(html_ + "/gone.html", html_ + "/dangling.html");
  // Folders deeper than a walk holds open at once, reached first through
  // a link inside the tree (listed with the link's folder), then not again.
  std::string deep;
  for (int i = 0; i < 60; ++i) deep += "/d";
  Write("sub/d/d" + deep + "/deep.html", "deep");
  fs::create_directory_symlink(html_ + "/sub/d/d", html_ + "/sub/short");
  const WalkResult walk = WalkPages(html_, {"index.html"});
  std::string pages;
  for (const WalkedPage& p : walk.pages) pages += p.path + " ";
  EXPECT_EQ(pages, "B.HTM a.html sub/c.html sub/short" + deep + "/deep.html ");
  ASSERT_EQ(walk.problems.size(), 1u);
  EXPECT_NE(walk.problems[0].find("dangling.html"), std::string::npos);
}

TEST_F(TextBuildTest, RebuildReadsOnlyChangedPagesAndCountsThoseItCannot) {
  for (int i = 0; i < 5; ++i) {
    Write("p" + std::to_string(i) + ".html", "<h2>page " + std::to_string(i) + "</h2>alpha");
  }
  TextBuildSummary first = BuildTextIndex(Options("g1"));
  ASSERT_EQ(first.error, "");
  EXPECT_EQ(first.pages, 5u);
  EXPECT_EQ(first.reused, 0u);
  EXPECT_EQ(first.sections, 5u);
  EXPECT_EQ(first.words, 15u);

  Write("p1.html", "<h2>page one</h2>omega changed");
  // Pages removed while the build runs, changed (p4) or not (p3), are
  // skipped and named: what the cache knows of a page that is gone is not
  // indexed.
  Write("p4.html", "<h2>page 4</h2>changed too");
  TextBuildOptions options = Options("g2");
  options.readAhead = 0;  // each page read when its turn comes
  options.progress = [this](int percent) {
    if (percent > 0) {
      unlink((html_ + "/p3.html").c_str());
      unlink((html_ + "/p4.html").c_str());
    }
  };
  TextBuildSummary second = BuildTextIndex(options);
  ASSERT_EQ(second.error, "");
  EXPECT_EQ(second.pages, 3u);
  EXPECT_EQ(second.reused, 2u);  // p0, p2
  ASSERT_EQ(second.skipped.size(), 2u);
  EXPECT_NE(second.skipped[0].find("p3.html"), std::string::npos);
  EXPECT_NE(second.skipped[1].find("p4.html"), std::string::npos);
  const std::string shards = Shards("g2");
  EXPECT_NE(shards.find("omega"), std::string::npos);
  EXPECT_EQ(shards.find("\"page 4\""), std::string::npos);
  EXPECT_EQ(shards.find("\"page 3\""), std::string::npos);

  // A damaged cache costs time, not results: an entry's text changed (its
  // page is read again), or the file cut short (its table gone).
  std::string cache = Read(dir_ + "/pages.cache");
  ASSERT_NE(cache.find("omega"), std::string::npos);
  cache.replace(cache.find("omega"), 5, "zzzzz");
  std::ofstream(dir_ + "/pages.cache", std::ios::binary | std::ios::trunc) << cache;
  TextBuildSummary third = BuildTextIndex(Options("g3"));
  EXPECT_EQ(third.error, "");
  EXPECT_EQ(third.reused, 2u);  // p0, p2
  EXPECT_EQ(third.words, second.words);
  EXPECT_NE(Shards("g3").find("omega"), std::string::npos);
  EXPECT_EQ(Shards("g3").find("zzzzz"), std::string::npos);
  cache = Read(dir_ + "/pages.cache");
  std::ofstream(dir_ + "/pages.cache", std::ios::binary | std::ios::trunc)
      << cache.substr(0, cache.size() - 9);
  TextBuildSummary fourth = BuildTextIndex(Options("g4"));
  EXPECT_EQ(fourth.reused, 0u);
  EXPECT_EQ(fourth.words, second.words);
}

TEST_F(TextBuildTest, ShardsStayUnderTheirLimitAndSpeakAscii) {
  // Many sections sharing common words (long postings), many distinct words
  // (a long dictionary) and non-ASCII titles and excerpts.
  std::string page = "<meta charset=utf-8>";
  for (int s = 0; s < 6000; ++s) {
    // "often" in half the sections, 1 to 7 times: its postings in tiers.
    std::string more;
    for (int k = s % 2 ? 0 : 1 + s % 7; k > 0; --k) more += " often";
    page += "<h2>Caf\xC3\xA9 " + std::to_string(s) + "</h2>common words here again w" +
            std::to_string(s * 7919) + " \xE2\x80\x9Cquoted\xE2\x80\x9D" + more + "\n";
  }
  Write("big.html", page);
  Write("empty.html", "");
  TextBuildSummary summary = BuildTextIndex(Options("g1"));
  ASSERT_EQ(summary.error, "");
  EXPECT_EQ(summary.sections, 6000u);
  EXPECT_GT(summary.files, 4u);
  uint64_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(dir_ + "/g1")) {
    const std::string text = Read(entry.path());
    bytes += text.size();
    EXPECT_LE(text.size(), kShardBytes) << entry.path();
    EXPECT_EQ(text.rfind("(self.lexidorText=self.lexidorText||[]).push({g:\"g1\",k:\"", 0), 0u)
        << entry.path();
    // The packed fields are bytes of any value; around them, and unpacked,
    // everything is ASCII.
    std::string fields;
    ASSERT_TRUE(UnpackText(Packed(text), &fields)) << entry.path();
    for (unsigned char c : text.substr(0, text.find("z:\"")) + fields) {
      ASSERT_TRUE(c < 0x80) << entry.path();
    }
  }
  EXPECT_EQ(bytes, summary.bytes);
  // The postings, written on two threads, are numbered in stem order: each
  // file's stems follow the last one of the file before, and the manifest
  // names each file's range.
  std::string manifest, previous;
  ASSERT_TRUE(UnpackText(Packed(Read(dir_ + "/g1/manifest.js")), &manifest));
  size_t files = 0;
  for (;; ++files) {
    const std::string file = dir_ + "/g1/p" + std::to_string(files) + ".js";
    if (!fs::exists(file)) break;
    EXPECT_NE(Read(file).find(",n:" + std::to_string(files) + ","), std::string::npos);
    std::string body;
    ASSERT_TRUE(UnpackText(Packed(Read(file)), &body));
    const size_t from = body.find("\"t\":[\"") + 6, to = body.find("\"],\"d\":[");
    const std::string first = body.substr(from, body.find('"', from) - from);
    const std::string last =
        body.substr(body.rfind('"', to - 1) + 1, to - body.rfind('"', to - 1) - 1);
    EXPECT_LE(previous, first) << file;
    EXPECT_NE(manifest.find("\"" + first + "\",\"" + last + "\""), std::string::npos) << file;
    previous = last;
  }
  EXPECT_GT(files, 2u);
  // The further tiers of the common words are in the q files,
  // and only theirs: a rare word's first part, all of it, lies among the
  // other stems' in the p files.
  const std::set<std::string> common = {"again", "cafe", "common", "here", "often", "quot", "word"};
  size_t further = 0;
  for (;; ++further) {
    const std::string file = dir_ + "/g1/q" + std::to_string(further) + ".js";
    if (!fs::exists(file)) break;
    std::string body;
    ASSERT_TRUE(UnpackText(Packed(Read(file)), &body));
    const size_t from = body.find("\"t\":[\"") + 6, to = body.find("\"],\"d\":[");
    std::string stems = body.substr(from, to - from) + "\",\"";
    for (size_t at = 0, end; (end = stems.find("\",\"", at)) != std::string::npos; at = end + 3) {
      EXPECT_EQ(common.count(stems.substr(at, end - at)), 1u) << file << ": " << stems;
    }
  }
  EXPECT_GT(further, 0u);
  EXPECT_NE(manifest.find("\"q\":[\"often\""), std::string::npos);
  // An output folder that exists already is refused.
  EXPECT_NE(BuildTextIndex(Options("g1")).error, "");
}

TEST_F(TextBuildTest, WritesNothingBeforeItsGateOpensAndNothingAtAllWhenGivenUp) {
  // Enough pages for one changed page to be rebuilt in segments.
  for (int i = 0; i < 20; ++i) {
    Write("p" + std::to_string(i) + ".html", "<h2>page " + std::to_string(i) + "</h2>alpha");
  }
  // A full build (no cache yet), then rebuilds in segments over g1.
  const struct {
    const char* generation;
    bool rebuild, open;
  } cases[] = {{"g1", false, false}, {"g1", false, true}, {"g2", true, false}, {"g2", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.generation) + (c.open ? " opened" : " cancelled"));
    if (c.rebuild) Write("p1.html", "<h2>page one</h2>omega");
    const std::set<std::string> before = Listing();
    TWriteGate gate;
    TextBuildOptions options = Options(c.generation);
    if (c.rebuild) options.baseFolder = dir_ + "/g1";
    options.gate = &gate;
    std::promise<void> indexed;
    bool told = false;
    options.progress = [&](int percent) {
      if (percent >= 90 && !told) {
        told = true;
        indexed.set_value();
      }
    };
    TextBuildSummary summary;
    std::thread build([&] { summary = BuildTextIndex(options); });
    indexed.get_future().wait();
    // Every page is read and indexed, and nothing written: no folder, no
    // cache file.
    EXPECT_EQ(Listing(), before);
    if (c.open) {
      gate.Open();
    } else {
      gate.Cancel();
    }
    build.join();
    if (c.open) {
      EXPECT_EQ(summary.error, "");
      EXPECT_EQ(summary.baseKept, c.rebuild);
      EXPECT_TRUE(fs::exists(options.outputFolder + "/manifest.js"));
      EXPECT_TRUE(fs::exists(dir_ + "/pages.cache"));
    } else {
      EXPECT_EQ(summary.error, kCancelledBuild);
      EXPECT_EQ(Listing(), before);
    }
  }
}

TEST_F(TextBuildTest, AFullBuildCutsPagesByTheAnchorTableAsByItsMaps) {
  Write("m/a.html", "<a name=Load></a>loads a file<h3 id=Draw>Draw it</h3>draws");
  Write("m/b.html", "<h2>plain</h2>no command here");
  const std::string list[][3] = {{"m/a.html", "Load", "LoadImage"}, {"m/a.html", "Draw", "DrawIt"}};
  TAnchorTable table;
  for (const auto& row : list) table.Add(row[0], row[1], row[2]);
  table.Seal();
  // The same pages cut by each page's table made up front, and by the
  // table made page by page as the pages are read.
  TextBuildOptions maps = Options("g1"), rows = Options("g2");
  maps.anchors = table.Maps();
  rows.anchorTable = &table;
  for (TextBuildOptions* options : {&maps, &rows}) {
    options->cacheFile.clear();
    const TextBuildSummary summary = BuildTextIndex(*options);
    EXPECT_EQ(summary.error, "");
    EXPECT_EQ(summary.sections, 3u);
  }
  const std::string cut = Shards("g1");
  EXPECT_NE(cut.find("LoadImage"), std::string::npos);
  EXPECT_EQ(Shards("g2"), cut);
}

TEST_F(TextBuildTest, APageChangedAfterAnEarlyWalkIsIndexedAsReadAndReadAgainNextTime) {
  Write("a.html", "<h2>a</h2>alpha");
  Write("b.html", "<h2>b</h2>beta");
  // The walk runs ahead (during the echo); the page changes before it is
  // read, to a size of its own.
  TextBuildInput input = ReadTextBuildInput(html_, {}, "");
  Write("b.html", "<h2>b</h2>gamma delta");
  TextBuildSummary first = BuildTextIndex(Options("g1"), std::move(input));
  ASSERT_EQ(first.error, "");
  EXPECT_NE(Shards("g1").find("gamma"), std::string::npos);
  EXPECT_EQ(Shards("g1").find("beta"), std::string::npos);
  // It is kept with the size the walk saw, so the next build reads it
  // again rather than trust the cache.
  TextBuildSummary second = BuildTextIndex(Options("g2"));
  ASSERT_EQ(second.error, "");
  EXPECT_EQ(second.reused, 1u);  // a.html only
  EXPECT_NE(Shards("g2").find("gamma"), std::string::npos);
}

TEST(ShardWriterTest, NumbersLiteralsAndLinks) {
  std::string numbers;
  for (uint32_t v : {0u, 63u, 64u, 1855u, 1856u, 4294967295u}) {
    AppendNumber(numbers, v);
    numbers += '|';
  }
  EXPECT_EQ(numbers, " |a|c |~a|cb |ei{spwa|");
  std::string literal;
  AppendScriptLiteral(literal, "a\"b\\c\n\xC3\xA9\xF0\x9F\x98\x80\xFF</script>");
  EXPECT_EQ(literal, "\"a\\\"b\\\\c\\u000a\\u00e9\\ud83d\\ude00\\ufffd</script>\"");
  EXPECT_EQ(LinkFromPath("Modules/a b/%x#y\xE9.html"), "Modules/a%20b/%25x%23y%E9.html");
  // Each character that is escaped, at every place of a long plain run:
  // runs are scanned sixteen bytes at a time.
  const std::pair<std::string, std::string> kEscaped[] = {
      {"\"", "\\\""},      {"\\", "\\\\"},          {"\x01", "\\u0001"},
      {"\x7F", "\\u007f"}, {"\xC3\xA9", "\\u00e9"}, {" ", " "}};
  for (const auto& [character, escaped] : kEscaped) {
    for (size_t at = 0; at < 40; ++at) {
      literal.clear();
      AppendScriptLiteral(literal, std::string(at, 'x') + character + std::string(40 - at, 'y'));
      EXPECT_EQ(literal, '"' + std::string(at, 'x') + escaped + std::string(40 - at, 'y') + '"')
          << at;
    }
  }
}

}  // namespace
}  // namespace lexidor::fulltext

#include "app/fulltext/page_source.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lexidor::fulltext {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// Pages read on the reading threads come in walk order, each with its own
// text, the unreadable ones among them where the walk had them, and the new
// cache holds them in that order: byte for byte what reading each page in
// its turn on the caller's thread gives, however the threads took turns.
// A consumer that stops early ends the threads.
TEST(PageSourceTest, ThreadsGiveThePagesAndTheCacheInWalkOrder) {
  std::string pattern = fs::temp_directory_path().string() + "/lexidor-source-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  const std::string html = dir + "/html";
  fs::create_directories(html);
  std::vector<WalkedPage> pages;
  TPageSource::Anchors anchors;
  for (int i = 0; i < 300; ++i) {
    const std::string path = "p" + std::to_string(i) + ".html";
    // Pages of very different lengths, so that the threads overtake each
    // other; every 17th is gone by the time it is read.
    std::string body = "<h2>page " + std::to_string(i) + "</h2><a id=\"c\"></a>";
    for (int k = 0; k < (i % 7) * (i % 7) * 300; ++k) body += "word" + std::to_string(k % 50) + " ";
    body += " last" + std::to_string(i);
    if (i % 17 != 0) std::ofstream(html + "/" + path, std::ios::binary) << body;
    if (i % 5 == 0) anchors[path]["c"] = "Command" + std::to_string(i);
    // Every 11th page grew or shrank after the walk: it is read whole as
    // it is now.
    const int64_t walked = static_cast<int64_t>(body.size()) + (i % 11 ? 0 : i % 2 ? 9 : -9);
    pages.push_back({path, walked, 0});
  }
  // What a run gives: per page its path and error or its sections' words.
  auto run = [&](size_t readAhead, const std::string& cacheFile, size_t stopAfter) {
    const TPageCacheReader none{std::string()};
    TPageCacheWriter fresh(cacheFile);
    std::string seen;
    {
      TPageSource source(html, pages, anchors, none, &fresh, readAhead);
      SourcePage page;
      for (size_t n = 0; n < stopAfter && source.Next(&page); ++n) {
        seen += page.page->path + (page.error.empty() ? ":" : " unreadable:");
        for (const TextSection& s : page.entry.text.sections) {
          seen += s.anchor + "|" + s.title + "|" + s.titleWords + "|" + s.bodyWords;
        }
        seen += "\n";
      }
    }
    EXPECT_EQ(fresh.Commit(), "");
    return seen;
  };
  const std::string inTurn = run(0, dir + "/turn.cache", pages.size());
  EXPECT_EQ(std::count(inTurn.begin(), inTurn.end(), '\n'), 300);
  EXPECT_NE(inTurn.find("p17.html unreadable:\n"), std::string::npos);
  EXPECT_NE(inTurn.find("c|Command5|command5 |"), std::string::npos);
  for (int i : {1, 11, 22, 33, 299}) {
    EXPECT_NE(inTurn.find(" last" + std::to_string(i) + " \n"), std::string::npos) << i;
  }
  for (size_t readAhead : {1, 3, 32}) {
    EXPECT_EQ(run(readAhead, dir + "/ahead.cache", pages.size()), inTurn) << readAhead;
    EXPECT_TRUE(ReadFile(dir + "/ahead.cache") == ReadFile(dir + "/turn.cache")) << readAhead;
  }
  const std::string part = run(4, dir + "/part.cache", 10);
  EXPECT_EQ(part, inTurn.substr(0, part.size()));
  EXPECT_EQ(std::count(part.begin(), part.end(), '\n'), 10);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lexidor::fulltext

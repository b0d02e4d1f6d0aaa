#include "app/fulltext/page_cache.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace lexidor::fulltext {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Every page added is read back whole, whatever the file's length against
// the blocks it is written in (one entry of several blocks among them),
// before or after a gate opens; a cancelled gate leaves no file at all,
// and nothing is written while the gate is closed.
TEST(PageCacheTest, WrittenInBlocksAndReadBack) {
  std::string pattern = fs::temp_directory_path().string() + "/lexidor-cache-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  const std::string file = dir + "/pages.cache";
  enum Gate { kNone, kOpened, kCancelled };
  const struct {
    size_t pages, wordsEach;  // words of 8 bytes
    size_t hugePage;          // the page with 5 MB of words; pages: none
    Gate gate;
  } cases[] = {
      {1, 0, 1, kNone},         // a file far shorter than a block
      {3, 512, 3, kNone},       // an entry longer than a block
      {1000, 500, 700, kNone},  // several blocks, the last one part full
      {1000, 500, 1000, kOpened}, {300, 300, 300, kCancelled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.pages) + " pages, gate " + std::to_string(c.gate));
    fs::remove(file);
    std::vector<CachedPage> pages(c.pages);
    for (size_t i = 0; i < c.pages; ++i) {
      CachedPage& p = pages[i];
      p.size = static_cast<int64_t>(i * 1000 + 7);
      p.mtime = static_cast<int64_t>(i) << 33;
      p.anchors = i % 3 ? "" : "a\x01" + std::to_string(i) + "\x02";
      TextSection s;
      s.anchor = "s" + std::to_string(i);
      s.title = "Title " + std::to_string(i);
      const size_t words = i == c.hugePage ? (size_t{5} << 20) / 8 : c.wordsEach + i % 13;
      for (size_t w = 0; w < words; ++w)
        s.bodyWords += "w" + std::to_string(100000 + (w * 7 + i) % 900000) + " ";
      p.text.sections = {s, s};
      p.text.sections[1].anchor.clear();
    }
    TWriteGate gate;
    {
      TPageCacheWriter writer(file, c.gate == kNone ? nullptr : &gate);
      for (size_t i = 0; i < c.pages; ++i)
        writer.Add("m/p" + std::to_string(i) + ".html", pages[i]);
      if (c.gate != kNone) {
        EXPECT_EQ(Listing(dir), std::vector<std::string>());
        c.gate == kOpened ? gate.Open() : gate.Cancel();
      }
      const std::string error = writer.Commit();
      EXPECT_EQ(error.empty(), c.gate != kCancelled) << error;
    }
    if (c.gate == kCancelled) {
      EXPECT_EQ(Listing(dir), std::vector<std::string>());
      continue;
    }
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"pages.cache"});
    const TPageCacheReader reader(file);
    ASSERT_EQ(reader.Count(), c.pages);
    for (size_t i = 0; i < c.pages; ++i) {
      const CachedPage& p = pages[i];
      CachedPage read;
      ASSERT_TRUE(
          reader.Find("m/p" + std::to_string(i) + ".html", p.size, p.mtime, p.anchors, &read))
          << i;
      ASSERT_EQ(read.text.sections.size(), 2u);
      for (size_t k = 0; k < 2; ++k) {
        const TextSection &a = read.text.sections[k], &b = p.text.sections[k];
        EXPECT_TRUE(a.anchor == b.anchor && a.title == b.title && a.bodyWords == b.bodyWords) << i;
      }
      // Another size or time is not this entry.
      EXPECT_FALSE(
          reader.Find("m/p" + std::to_string(i) + ".html", p.size + 1, p.mtime, p.anchors, &read));
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lexidor::fulltext

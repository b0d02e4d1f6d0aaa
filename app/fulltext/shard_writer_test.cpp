#include "app/fulltext/shard_writer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace lexidor::fulltext {
namespace {

TEST(ShardWriterTest, ScoreDigitIsTheNearestStepOfTheLogarithm) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> scores(0, 80);
  for (int i = 0; i < 200000; ++i) {
    const double score = i < 1000 ? i / 1000.0 : scores(random);
    const double exact = 16 * std::log1p(score);
    if (std::fabs(exact - std::floor(exact) - 0.5) < 1e-9) continue;  // on a step: below
    const long nearest = std::lround(exact);
    ASSERT_EQ(ScoreDigit(score), static_cast<uint32_t>(std::clamp(nearest, 1L, 63L))) << score;
  }
  // On each step exactly, the digit goes up by one.
  for (int k = 1; k < 63; ++k) {
    const double step = std::expm1((k + 0.5) / 16);
    EXPECT_EQ(ScoreDigit(step), ScoreDigit(std::nextafter(step, 0)) + 1) << k;
    EXPECT_EQ(ScoreDigit(std::nextafter(step, 100)), ScoreDigit(step)) << k;
  }
  EXPECT_EQ(ScoreDigit(1e9), 63u);
}

// A postings file that cannot be written (one of its name is there
// already) fails the whole index, named with its reason, whichever thread
// packed and wrote it; the other files are still written.  The caller
// hears once, before the manifest is written (it comes after the syncs),
// with the ranges and the failure the result gives, and the names and
// bytes of the files the folder holds in the end (the postings in two
// halves, the second's files written while the caller hears).
TEST(ShardWriterTest, AFileThatCannotBeWrittenIsNamed) {
  for (const bool blocked : {true, false}) {
    SCOPED_TRACE(blocked);
    std::string pattern =
        std::filesystem::temp_directory_path().string() + "/lexidor-shards-XXXXXX";
    const std::string dir = mkdtemp(pattern.data());
    if (blocked) close(open((dir + "/p0.js").c_str(), O_WRONLY | O_CREAT, 0644));
    TTextIndex index;
    index.AddPage("page.html");
    for (int s = 0; s < 800; ++s) {
      TextSection section;
      section.titleWords = "title" + std::to_string(s) + " ";
      for (int w = 0; w < 300; ++w)
        section.bodyWords += "word" + std::to_string(w * s % 4999) + " ";
      index.AddSection(0, section);
    }
    int calls = 0;
    ShardResult heard;
    bool manifestBefore = true;
    const ShardResult result = WriteShards(index, dir, "g1", nullptr, [&](const ShardResult& so) {
      ++calls;
      heard = so;
      manifestBefore = std::filesystem::exists(dir + "/manifest.js");
    });
    EXPECT_EQ(result.error,
              blocked ? "Cannot write " + dir + "/p0.js: " + std::strerror(EEXIST) : "");
    EXPECT_TRUE(std::filesystem::exists(dir + "/s0.js"));
    EXPECT_TRUE(std::filesystem::exists(dir + "/d0.js"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(heard.error, result.error);
    EXPECT_EQ(heard.ranges, result.ranges);
    EXPECT_EQ(heard.stemOrder, result.stemOrder);
    EXPECT_FALSE(manifestBefore);
    EXPECT_EQ(std::filesystem::exists(dir + "/manifest.js"), !blocked);
    if (!blocked) {
      std::vector<std::string> names;
      uint64_t bytes = 0;
      for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename() == "manifest.js") continue;
        names.push_back(entry.path().filename().string());
        bytes += entry.file_size();
      }
      std::sort(names.begin(), names.end());
      EXPECT_EQ(heard.names, names);
      EXPECT_EQ(heard.bytes, bytes);
      EXPECT_EQ(heard.files, names.size());
      EXPECT_GT(std::count_if(names.begin(), names.end(),
                              [](const std::string& name) { return name[0] == 'p'; }),
                2);
    }
    std::filesystem::remove_all(dir);
  }
}

}  // namespace
}  // namespace lexidor::fulltext

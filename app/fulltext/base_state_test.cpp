#include "app/fulltext/base_state.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lexidor::fulltext {
namespace {

namespace fs = std::filesystem;

// What a rebuild trusts of the last full build comes back as written, and
// a file that is not such a description, whole, is refused: a refused one
// costs a full build, a misread one a wrong index.
TEST(BaseStateTest, ReadsBackWhatWasWrittenAndRefusesAnythingElse) {
  std::string pattern = fs::temp_directory_path().string() + "/lexidor-state-XXXXXX";
  const std::string dir = mkdtemp(pattern.data());
  BaseState state;
  state.generation = "g7";
  state.files = {"d0.js", "p0.js", "s0.js"};
  state.bytes = 123456789;
  state.ranges = "\"d\":[\"a\",\"z\"],\"p\":[\"a\",\"z\"],\"s\":[\"0\",\"9\"]";
  state.sections = 10;
  state.words = uint64_t{1} << 40;
  state.length = 77;
  state.pages = {{"a b/\xE9.html", 1234, -5, AnchorsHash("x\x01y\x02"), 0, 4, 50},
                 {"c.html", 1, int64_t{1} << 60, AnchorsHash(""), 4, 6, 27}};
  state.stems = {"caf\xC3\xA9", "draw", "imag"};
  state.frequency = {1, 9, 3};
  const std::string file = dir + "/g7.state";
  ASSERT_EQ(WriteBaseState(file, state), "");
  EXPECT_NE(WriteBaseState(file, state), "");  // a new file, never one overwritten

  BaseState back;
  ASSERT_TRUE(ReadBaseState(file, &back));
  EXPECT_EQ(back.generation, "g7");
  EXPECT_EQ(back.files, state.files);
  EXPECT_EQ(back.bytes, state.bytes);
  EXPECT_EQ(back.ranges, state.ranges);
  EXPECT_EQ(back.words, state.words);
  ASSERT_EQ(back.pages.size(), 2u);
  EXPECT_EQ(back.pages[0].path, state.pages[0].path);
  EXPECT_EQ(back.pages[0].mtime, -5);
  EXPECT_EQ(back.pages[1].mtime, int64_t{1} << 60);
  EXPECT_EQ(back.pages[1].firstSection, 4u);
  EXPECT_EQ(back.pages[1].words, 27u);
  EXPECT_EQ(back.pages[0].anchors, AnchorsHash("x\x01y\x02"));
  EXPECT_NE(back.pages[0].anchors, back.pages[1].anchors);
  EXPECT_EQ(back.Frequency("draw"), 9u);
  EXPECT_EQ(back.Frequency("caf\xC3\xA9"), 1u);
  EXPECT_EQ(back.Frequency("dra"), 0u);

  std::ifstream in(file, std::ios::binary);
  std::stringstream whole;
  whole << in.rdbuf();
  const std::string bytes = whole.str();
  std::string flipped = bytes;
  flipped[bytes.size() / 2] ^= 0x01;
  BaseState bad = state;
  bad.files = {"../d0.js"};  // a name that leads out of the folder
  const std::string named = dir + "/named.state";
  ASSERT_EQ(WriteBaseState(named, bad), "");
  std::ifstream badIn(named, std::ios::binary);
  std::stringstream badWhole;
  badWhole << badIn.rdbuf();
  for (const std::string& content : {flipped, bytes.substr(0, bytes.size() - 3),
                                     "LXTB3\n" + bytes.substr(6), std::string(), badWhole.str()}) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    EXPECT_FALSE(ReadBaseState(file, &back)) << content.size();
  }
  EXPECT_FALSE(ReadBaseState(dir + "/missing.state", &back));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lexidor::fulltext

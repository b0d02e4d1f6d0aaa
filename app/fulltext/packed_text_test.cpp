#include "app/fulltext/packed_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace lexidor::fulltext {
namespace {

// Bytes that do not pack: every value appears, in runs of any length.
std::string Noise(size_t size) {
  std::string noise;
  for (uint32_t i = 0, x = 1; i < size; ++i) {
    noise += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  }
  return noise;
}

TEST(PackedTextTest, PacksIntoAStringLiteralAndBack) {
  struct Case {
    std::string text;
    size_t most;  // packed bytes at most
  };
  const Case cases[] = {
      {"", 8},
      {"{\"w\":\"a\\\"b\"}\n\r", 40},
      {std::string(200000, 'x'), 1000},
      // Deflated noise is stored as it is, its escapes about 1.6 % more:
      // well below the quarter more that base 85 took.
      {Noise(300000), 300000 * 103 / 100},
  };
  for (const Case& c : cases) {
    const std::string packed = PackText(c.text);
    EXPECT_LE(packed.size(), c.most);
    // What a double-quoted script string may hold: no quote, LF or CR
    // alone, and a backslash only as the escapes of those and of itself.
    for (size_t i = 0; i < packed.size(); ++i) {
      ASSERT_TRUE(packed[i] != '"' && packed[i] != '\n' && packed[i] != '\r') << i;
      if (packed[i] == '\\') {
        ASSERT_LT(i + 1, packed.size());
        ASSERT_NE(std::string("\\\"nr").find(packed[++i]), std::string::npos) << i;
      }
    }
    std::string back;
    EXPECT_TRUE(UnpackText(packed, &back));
    EXPECT_EQ(back, c.text);
  }
}

TEST(PackedTextTest, RefusesWhatItDidNotPack) {
  const std::string good = PackText("{\"w\":\"some words, some words\"}");
  struct Case {
    std::string packed;
    size_t limit;
    const char* what;
  } const cases[] = {
      {good + "\\", 1 << 20, "a backslash at the end"},
      {good + "\\t", 1 << 20, "an escape it never writes"},
      {good + "\"", 1 << 20, "a quote standing alone"},
      {good + "\n", 1 << 20, "a line end"},
      {good.substr(0, 4), 1 << 20, "cut short"},
      {"not deflated at all", 1 << 20, "no deflated data"},
      {PackText(std::string(100000, 'x')), 99999, "more than the limit"},
      {PackText(std::string(500, 'x')), 100, "more than the limit, within the first room tried"},
  };
  for (const Case& c : cases) {
    std::string back;
    EXPECT_FALSE(UnpackText(c.packed, &back, c.limit)) << c.what;
  }
  std::string back;
  EXPECT_TRUE(UnpackText(PackText(std::string(100000, 'x')), &back, 100000));
  EXPECT_EQ(back.size(), 100000u);
}

}  // namespace
}  // namespace lexidor::fulltext

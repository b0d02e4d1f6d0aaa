#include "app/fulltext/charset.h"

#include <gtest/gtest.h>

#include <string>

namespace lexidor::fulltext {
namespace {

// The declaration is found at any offset (the search looks at sixteen bytes
// at a time), in any letter case, past look-alikes ("c", "charse",
// "charset" without "="), and only when it and the name it gives lie
// within the first 4 KB.
TEST(CharsetTest, TheFirstDeclarationInThePagesHeadCounts) {
  for (size_t offset = 0; offset < 40; ++offset) {
    for (const char* key : {"charset=", "CHARSET=", "ChArSeT="}) {
      const std::string lead = std::string(offset, 'x') + "c charse charset ";
      EXPECT_EQ(DetectCharset(lead + key + "\"utf-8\">"), Charset::kUtf8) << offset << key;
      EXPECT_EQ(DetectCharset(lead + key + "windows-1252 " + key + "utf-8"), Charset::kWindows1252)
          << offset << key;
      EXPECT_EQ(DetectCharset(lead + "<p>" + std::string(offset, 'c')), Charset::kLatin1);
    }
  }
  for (size_t end = 4085; end < 4100; ++end) {  // where "charset=" ends
    const std::string page = std::string(end - 8, ' ') + "charset=utf-8";
    EXPECT_EQ(DetectCharset(page), end + 5 <= 4096 ? Charset::kUtf8 : Charset::kLatin1) << end;
  }
  EXPECT_EQ(DetectCharset("\xEF\xBB\xBFno declaration"), Charset::kUtf8);
}

}  // namespace
}  // namespace lexidor::fulltext

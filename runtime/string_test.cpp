#include "runtime/string.h"

#include <gtest/gtest.h>

namespace lexidor {
namespace {

TEST(StringToInt, FollowsTheTextToIntegerRule) {
  struct Case {
    const char16_t* text;
    int64_t value;
  } cases[] = {
      {u"42", 42},  {u"  \t 17x", 17}, {u"-8", -8},    {u"+9", 9},  {u"$ff", 255},     {u"$1G", 1},
      {u"%101", 5}, {u"%12", 1},       {u"", 0},       {u"abc", 0}, {u"-", 0},         {u"$", 0},
      {u" - 3", 0}, {u"007", 7},       {u"-$10", -16}, {u"1 2", 1}, {u"$FfFf", 65535}, {u"%", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(StringToLong(c.text), c.value) << ToUtf8(c.text);
}

TEST(StringToInt, KeepsTheLow32BitsOfLargeValues) {
  EXPECT_EQ(StringToInt(u"4294967297"), 1);
  EXPECT_EQ(StringToInt(u"2147483648"), INT32_MIN);
  EXPECT_EQ(StringToLong(u"$7fffffffffffffff"), INT64_MAX);
}

TEST(IntToString, IsPlainDecimal) {
  EXPECT_EQ(IntToString(0), u"0");
  EXPECT_EQ(IntToString(-12), u"-12");
  EXPECT_EQ(IntToString(INT64_MIN), u"-9223372036854775808");
}

TEST(Latin1, KeepsLowBitsOutAndOneCharacterPerByteIn) {
  EXPECT_EQ(ToLatin1(u"A\u0141\u00e9"), std::string("A\x41\xe9"));
  String back = FromLatin1(std::string("\xff\x00z", 3));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0], 0xFF);
  EXPECT_EQ(back[1], 0);
}

TEST(Utf8, RoundTripsBasicAndSupplementaryCharacters) {
  String text = u"a\u00e9\u20ac\U0001F600";
  std::string bytes = ToUtf8(text);
  EXPECT_EQ(bytes, "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
  EXPECT_EQ(FromUtf8(bytes), text);
  const std::string latin1("A\xe9\xff\x00", 4);
  EXPECT_EQ(Latin1ToUtf8(latin1), ToUtf8(FromLatin1(latin1)));
}

TEST(Utf8, TakesMalformedBytesAsLatin1) {
  EXPECT_EQ(FromUtf8("\xe9t\xc3"), String(u"\u00e9t\u00c3"));
  EXPECT_EQ(FromUtf8("\xc0\x80"), String(u"\u00c0\u0080"));  // overlong NUL is not decoded
}

TEST(Utf8, ValidityRejectsStrayShortOverlongSurrogateAndTooHighSequences) {
  for (const char* good :
       {"", "plain", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xf4\x8f\xbf\xbf"}) {
    EXPECT_TRUE(IsValidUtf8(good)) << testing::PrintToString(good);
  }
  for (const char* bad : {"\x80", "\xc3", "\xc3x", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                          "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\xff"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(bad);
  }
}

TEST(Utf8, DecodesByteTextOnlyWhenItIsUtf8BeyondAscii) {
  // A path read byte by byte: its UTF-8 becomes the characters.
  EXPECT_EQ(DecodeUtf8Bytes(FromLatin1("/home/j\xc3\xb6s\xc3\xa9")), u"/home/j\u00f6s\u00e9");
  // Latin-1 bytes that are no UTF-8, ASCII, and wide text stay as they are.
  EXPECT_EQ(DecodeUtf8Bytes(u"/home/j\u00f6s\u00e9"), u"/home/j\u00f6s\u00e9");
  EXPECT_EQ(DecodeUtf8Bytes(u"plain"), u"plain");
  const String wide = u"\u20ac \u00c3\u00a9";
  EXPECT_EQ(DecodeUtf8Bytes(wide), wide);
}

TEST(Double, RoundTripsThroughText) {
  for (double v : {0.0, 1.5, -2.25, 0.1, 1e300, 3.141592653589793}) {
    EXPECT_EQ(StringToDouble(DoubleToString(v)), v);
  }
  EXPECT_EQ(DoubleToString(0.1), u"0.1");
  EXPECT_EQ(StringToDouble(u"  2.5e1xyz"), 25.0);
  EXPECT_EQ(StringToDouble(u"nope"), 0.0);
}

TEST(Search, FindsFromAnIndexAndSlicesSafely) {
  EXPECT_EQ(Find(u"a|b|c", u"|"), 1);
  EXPECT_EQ(Find(u"a|b|c", u"|", 2), 3);
  EXPECT_EQ(Find(u"a|b|c", u"|", 4), -1);
  EXPECT_EQ(Find(u"abc", u"x", 99), -1);
  EXPECT_EQ(FindLast(u"a/b/c", u"/"), 3);
  EXPECT_EQ(Slice(u"hello", 1, 3), u"el");
  EXPECT_EQ(Slice(u"hello", 3, 1), u"");
  EXPECT_EQ(Slice(u"hello", -4, 99), u"hello");
  EXPECT_EQ(ReplaceAll(u"a\\b\\c", u"\\", u"/"), u"a/b/c");
  EXPECT_EQ(AsciiUpper(u"aZ\u00e9"), u"AZ\u00e9");
  EXPECT_EQ(AsciiLower(u"AZ\u00c9"), u"az\u00c9");
}

TEST(Order, ComparesByUnsignedCodeUnit) {
  EXPECT_LT(String(u"Z"), String(u"a"));
  EXPECT_LT(String(u"ab"), String(u"abc"));
  EXPECT_LT(String(u"\u00ff"), String(u"\uffff"));
}

}  // namespace
}  // namespace lexidor

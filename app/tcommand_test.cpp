#include "app/tcommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace lexidor {
namespace {

// Lists long enough to be sorted on two threads, and short ones sorted on
// one, give the stable order by name: equal names keep their order, names
// past the 16 bytes the sort keys hold are compared in full.
TEST(TCommandList, SortIsTheStableOrderByNameOnOneThreadOrTwo) {
  std::mt19937 random(7);
  for (size_t count : {1000u, 70000u}) {
    SCOPED_TRACE(count);
    TCommandList list;
    std::vector<std::pair<std::string, std::string>> expected;
    for (size_t i = 0; i < count; ++i) {
      std::string name(std::uniform_int_distribution<int>(0, 24)(random), 'A');
      for (char& c : name) c = static_cast<char>('A' + std::uniform_int_distribution<int>(0, 2)(random));
      if (i % 5 == 0) name = "SHARED_PREFIX_OF_LENGTH_" + name;
      const std::string link = "/l" + std::to_string(i);
      list.Add(name, link, "0", "m");
      expected.emplace_back(name, link);
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    list.Sort();
    ASSERT_EQ(list.Count(), count);
    for (size_t i = 0; i < count; ++i) {
      ASSERT_EQ(list[i].comando, expected[i].first) << i;
      ASSERT_EQ(list[i].link, expected[i].second) << i;
    }
  }
}

// Room asked for from a list file's size is a hint: more than the machine
// can give (a huge or sparse file) leaves the list growing as it would.
TEST(TCommandList, AReservationBeyondMemoryIsOnlyAHint) {
  TCommandList list;
  EXPECT_NO_THROW(list.Reserve(size_t{1} << 31));
  list.Add("Name", "/link", "0", "m");
  EXPECT_EQ(list.Count(), 1u);
}

}  // namespace
}  // namespace lexidor

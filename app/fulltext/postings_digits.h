// The numbers of the postings' files as they are written: printable
// characters, most numbers one, written through a pointer into room made
// first.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace lexidor::fulltext {

// The printable ASCII characters but the quote and the backslash, in order.
struct NumberSymbols {
  char symbol[93];
  constexpr NumberSymbols() : symbol() {
    for (int index = 0; index < 93; ++index) {
      const int c = 0x20 + index;
      symbol[index] = static_cast<char>(c + (c >= 0x22) + (c + (c >= 0x22) >= 0x5C));
    }
  }
};
constexpr NumberSymbols kNumberSymbols;

// The most characters a number takes: its last digit and five in base 29.
constexpr size_t kNumberChars = 7;

// Writes a number in the postings' form at `out`; returns its end.
inline char* PutDigits(char* out, uint32_t value) {
  if (value < 64) {  // most numbers: one character
    *out = kNumberSymbols.symbol[value];
    return out + 1;
  }
  // Written in place from its last digit back, its length counted first.
  uint32_t high = value / 64;
  size_t digits = 1;
  for (uint32_t rest = high; rest >= 29; rest /= 29) ++digits;
  char* const last = out + digits;
  *last = kNumberSymbols.symbol[value % 64];
  for (char* at = last; high; high /= 29) *--at = kNumberSymbols.symbol[64 + high % 29];
  return last + 1;
}

// Text written at its end through a pointer, room made first: the
// postings' digits, a few per posting, went through a string's append
// one number at a time.
class TextBuffer {
 public:
  // Room for `bytes` more at End(); what is there is kept.
  char* Room(size_t bytes) {
    if (size_ + bytes > capacity_) {
      const size_t capacity = std::max(size_ + bytes, capacity_ * 2);
      std::unique_ptr<char[]> bigger(new char[capacity]);
      if (size_) std::memcpy(bigger.get(), bytes_.get(), size_);
      bytes_ = std::move(bigger);
      capacity_ = capacity;
    }
    return bytes_.get() + size_;
  }
  char* Begin() { return bytes_.get(); }
  size_t Size() const { return size_; }
  // Sets the size to end at `end`, a place within the room made.
  void EndAt(const char* end) { size_ = static_cast<size_t>(end - bytes_.get()); }
  void Resize(size_t size) { size_ = size; }
  std::string_view View() const { return std::string_view(bytes_.get(), size_); }

 private:
  std::unique_ptr<char[]> bytes_;
  size_t size_ = 0, capacity_ = 0;
};

}  // namespace lexidor::fulltext

// One command of the index, and the storage that holds a build's commands.
//
// Every field is Latin-1 bytes, one byte per character: names and links come
// byte for byte from commands.txt and go out byte for byte into the script
// files, and bytes compare unsigned, which is the order of the characters.
// A record's fields are views into its list's byte store, so a list of a
// million commands is a few large blocks instead of millions of small ones.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/large_memory.h"

namespace lexidor {

struct tcommand {
  std::string_view comando;    // the name as shown and searched
  std::string_view link;       // the kit root + the link text, "\" turned into "/"
  std::string_view fast_link;  // decimal (first character of the name - 65); unused
  std::string_view Modules;    // the module, derived from the link
  std::string_view arguments;  // the name's text from its "(" on, as the list gives it; may be ""

  // 1 when this name sorts after the other's, else 0 (never negative).
  int Compare(const tcommand& other) const { return comando > other.comando ? 1 : 0; }
};

// The records of one build.  Records and their bytes live until Clear().
class TCommandList {
 public:
  // Appends a record whose fields are copies of the arguments.
  void Add(std::string_view comando, std::string_view link, std::string_view fast_link,
           std::string_view module, std::string_view arguments = std::string_view());
  void Clear();
  // Room for `count` records, so that a long list is not copied as it grows.
  // Only a hint: where that much memory cannot be had, the list grows as
  // records come.
  void Reserve(size_t count);
  size_t Count() const { return records_.size(); }
  const tcommand& operator[](size_t i) const { return records_[i]; }
  using Records = std::vector<tcommand, LargeAllocator<tcommand>>;
  Records::const_iterator begin() const { return records_.begin(); }
  Records::const_iterator end() const { return records_.end(); }
  // Stable ascending sort by Compare: equal names keep their order.
  void Sort();

 private:
  std::string_view Store(std::string_view bytes);

  Records records_;
  std::vector<std::unique_ptr<char, LargeDelete>> blocks_;
  char* free_ = nullptr;  // the unused rest of the newest block
  size_t left_ = 0;
};

// A record kept past its build (the module map's values): it owns its bytes.
class TCommandCopy {
 public:
  TCommandCopy() = default;
  TCommandCopy(const TCommandCopy&) = delete;
  TCommandCopy& operator=(const TCommandCopy&) = delete;
  void Assign(const tcommand& from);
  const tcommand& Record() const { return record_; }

 private:
  tcommand record_;
  std::unique_ptr<char[]> bytes_;
};

}  // namespace lexidor

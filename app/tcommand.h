// One command of the index.
//
// Every field holds Latin-1 bytes, one byte per character: the names and
// links come byte for byte from commands.txt and go out byte for byte into
// the script files, and a byte string compares by unsigned byte, which is the
// order of the characters.  A million commands must fit in a few hundred MB.
#pragma once

#include <memory>
#include <string>

namespace lexidor {

struct tcommand {
  std::string comando;    // the name as shown and searched
  std::string link;       // the kit root + the link text, "\" turned into "/"
  std::string fast_link;  // decimal (first character of the name - 65); unused
  std::string Modules;    // the module, derived from the link

  // 1 when this name sorts after the other's, else 0 (never negative).
  int Compare(const tcommand& other) const { return comando > other.comando ? 1 : 0; }
};

using CommandRef = std::shared_ptr<tcommand>;

}  // namespace lexidor

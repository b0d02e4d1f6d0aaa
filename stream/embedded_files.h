// Files carried inside the program image, found by name.
//
// The table is filled at start-up, before anything reads it, and then stays
// fixed for the life of the process.  Names compare exactly, code unit for
// code unit (case and backslashes count).  The bytes are never copied or
// freed: they must outlive the process (static data).
#pragma once

#include <cstdint>

#include "runtime/string.h"

namespace lexidor {

struct EmbeddedFile {
  const EmbeddedFile* next;  // the entry registered before this one
  String name;
  const uint8_t* data;
  int32_t size;
};

// 1 when the entry was added at the head of the table; 0, with nothing
// changed, when an entry of an equal name exists already.
int RegisterEmbeddedFile(const String& name, const uint8_t* data, int32_t size);

// The newest entry with exactly this name, or nullptr.
const EmbeddedFile* FindEmbeddedFile(const String& name);

// The head of the table (the newest entry), or nullptr when it is empty.
const EmbeddedFile* EmbeddedFileTable();

}  // namespace lexidor

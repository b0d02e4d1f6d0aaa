#include "stream/embedded_files.h"

namespace lexidor {

namespace {
const EmbeddedFile*& Head() {
  static const EmbeddedFile* head = nullptr;
  return head;
}
}  // namespace

int RegisterEmbeddedFile(const String& name, const uint8_t* data, int32_t size) {
  if (FindEmbeddedFile(name)) return 0;
  // Entries live for the process, like the bytes they point at.
  Head() = new EmbeddedFile{Head(), name, data, size};
  return 1;
}

const EmbeddedFile* FindEmbeddedFile(const String& name) {
  for (const EmbeddedFile* e = Head(); e; e = e->next) {
    if (e->name == name) return e;
  }
  return nullptr;
}

const EmbeddedFile* EmbeddedFileTable() { return Head(); }

}  // namespace lexidor

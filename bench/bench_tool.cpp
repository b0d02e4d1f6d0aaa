// Tools for scripts/bench:
//   lexidor_bench_tool gen-commands LINES FILE   writes a realistic commands.txt
//   lexidor_bench_tool read-lines FILE           reads FILE line by line through
//                                                a file stream, prints lines and ms
//   lexidor_bench_tool read-blocks FILE          the same lines through a block
//                                                line reader (as the index build)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "stream/line_reader.h"
#include "stream/stream.h"

namespace {

const char* kGroups[] = {"core", "gui", "media", "net", "math", "text", "sound", "data"};
const char* kVerbs[] = {"Get",   "Set",  "Create", "Load",   "Save", "Draw",  "Free", "Read",
                        "Write", "Find", "Count",  "Update", "Open", "Close", "Add",  "Remove"};
const char* kNouns[] = {"Image",  "Window", "Stream", "Pixmap",  "Sound", "Socket", "Text",
                        "Gadget", "Matrix", "Vector", "Channel", "Font",  "Buffer", "Timer"};
const char* kTails[] = {":Int(handle:Int)",
                        "(x:Float, y:Float)",
                        ":String(url:Object)",
                        "[]",
                        ":TList()",
                        "",
                        ":Int(a:Int, b:Int, c:Int)",
                        "=1"};

// A deterministic generator, so every run measures the same file.
uint32_t Next(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

int GenCommands(long lines, const char* path) {
  FILE* f = std::fopen(path, "wb");
  if (!f) {
    std::fprintf(stderr, "cannot write %s: %s\n", path, std::strerror(errno));
    return 1;
  }
  // As a kit's builder writes it: module after module, about forty commands
  // each, names unsorted within a module.
  uint32_t s = 12345;
  const char* group = kGroups[0];
  const char* module_noun = kNouns[0];
  unsigned module = 0;
  for (long i = 0; i < lines; ++i) {
    if (i % 40 == 0) {
      group = kGroups[Next(s) % 8];
      module_noun = kNouns[Next(s) % 14];
      module = Next(s) % 400;
    }
    const char* verb = kVerbs[Next(s) % 16];
    const char* noun = kNouns[Next(s) % 14];
    const char* tail = kTails[Next(s) % 8];
    bool lower = Next(s) % 10 == 0;
    std::fprintf(f, "%s%s%s%u%s|/docs/html/Modules/%s/%s.%s%u/index.html#%s\r\n", lower ? "x" : "",
                 verb, noun, (unsigned)(Next(s) % 100000), tail, group, group, module_noun, module,
                 verb);
  }
  return std::fclose(f) == 0 ? 0 : 1;
}

int ReadLines(const char* path) {
  auto start = std::chrono::steady_clock::now();
  auto s = lexidor::OpenFileStream(lexidor::FromLatin1(path), 1, 0);
  if (!s) {
    std::fprintf(stderr, "cannot open %s\n", path);
    return 1;
  }
  long lines = 0, units = 0;
  while (!s->Eof()) {
    units += static_cast<long>(s->ReadLine().size());
    ++lines;
  }
  s->Close();
  auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
  std::printf("%ld lines, %ld characters, %.0f ms\n", lines, units, ms.count());
  return 0;
}

int ReadBlocks(const char* path) {
  auto start = std::chrono::steady_clock::now();
  auto s = lexidor::OpenFileStream(lexidor::FromLatin1(path), 1, 0);
  if (!s) {
    std::fprintf(stderr, "cannot open %s\n", path);
    return 1;
  }
  long lines = 0, units = 0;
  lexidor::TLineReader reader(*s);
  std::string_view line;
  while (reader.Next(&line)) {
    units += static_cast<long>(line.size());
    ++lines;
  }
  s->Close();
  auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
  std::printf("%ld lines, %ld characters, %.0f ms\n", lines, units, ms.count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "gen-commands") == 0)
    return GenCommands(std::atol(argv[2]), argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "read-lines") == 0) return ReadLines(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "read-blocks") == 0) return ReadBlocks(argv[2]);
  std::fprintf(stderr, "usage: %s gen-commands LINES FILE | read-lines FILE | read-blocks FILE\n",
               argv[0]);
  return 2;
}

// What the fuzz targets share: a failed check that every fuzzing engine
// sees as a crash, and a private scratch folder.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace lexidor::fuzz {

// Prints what failed and aborts: libFuzzer and the corpus replay both report
// the input that did it.
#define FUZZ_CHECK(condition, what)                                                    \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__,      \
                   #condition, std::string(what).c_str());                             \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

// A folder of its own for this process, made on the first call under
// $TMPDIR (else /tmp) and removed when the process exits normally; a failed
// check aborts and leaves it, with the files the failure is about.
inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lexidor-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    return pattern;
  }();
  static const bool removed_at_exit = [] {
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
    return true;
  }();
  (void)removed_at_exit;
  return folder;
}

}  // namespace lexidor::fuzz

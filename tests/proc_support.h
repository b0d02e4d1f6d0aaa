// Looking at processes through /proc in tests: header-only, so that tests
// in any folder can use it without linking the test-support library.
#ifndef LEXIDOR_TESTS_PROC_SUPPORT_H_
#define LEXIDOR_TESTS_PROC_SUPPORT_H_

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace lexidor {
namespace test {

// A file under /proc, read with plain system calls: a process that ends
// while it is read gives what came so far (or "") instead of an error.
inline std::string ReadProcFile(const std::string& path) {
  std::string text;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  close(fd);
  return text;
}

// The number of descriptors this process has open (the listing's own not
// counted).
inline int OpenDescriptorCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count - 1;
}

}  // namespace test
}  // namespace lexidor

#endif  // LEXIDOR_TESTS_PROC_SUPPORT_H_

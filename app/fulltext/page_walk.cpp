#include "app/fulltext/page_walk.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <utility>

namespace lexidor::fulltext {

namespace {

// Folders this deep and deeper are opened by their path from the top, not
// from their parent's descriptor, so that a deep tree holds no more than
// this many folders open.
constexpr size_t kOpenDepth = 48;
// The folders' entries are read this many bytes at a time.
constexpr size_t kListingBytes = 64 * 1024;

bool IsPageName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot + 1);
  if (ext.size() != 3 && ext.size() != 4) return false;
  char lower[4];
  for (size_t i = 0; i < ext.size(); ++i) {
    lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(ext[i])));
  }
  const std::string_view folded(lower, ext.size());
  return folded == "html" || folded == "htm";
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return std::string();
  std::string result(real);
  free(real);
  return result;
}

// The folders and files taken, by device and inode: an open-addressed
// table, no allocation per entry (a kit has tens of thousands of each).
class SeenSet {
 public:
  SeenSet() : slots_(1024) {}
  // Whether (dev, ino) was not there before; it is now.
  bool Insert(uint64_t dev, uint64_t ino) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    if (Place(slots_, dev, ino)) {
      ++count_;
      return true;
    }
    return false;
  }

 private:
  struct Slot {
    uint64_t dev = 0, ino = 0;
    bool used = false;
  };
  static bool Place(std::vector<Slot>& slots, uint64_t dev, uint64_t ino) {
    const size_t mask = slots.size() - 1;
    for (size_t i = ((ino * 0x9E3779B97F4A7C15ull) ^ dev) & mask;; i = (i + 1) & mask) {
      Slot& s = slots[i];
      if (!s.used) {
        s = {dev, ino, true};
        return true;
      }
      if (s.dev == dev && s.ino == ino) return false;
    }
  }
  void Grow() {
    std::vector<Slot> larger(slots_.size() * 2);
    for (const Slot& s : slots_) {
      if (s.used) Place(larger, s.dev, s.ino);
    }
    slots_.swap(larger);
  }
  std::vector<Slot> slots_;
  size_t count_ = 0;
};

// One entry of a folder's listing, its name in the listing's pool.
struct Entry {
  uint32_t at, length;
  unsigned char type;
  uint64_t ino;
};

// Reads the entries of the open folder `fd` but "." and "..", and plain
// files that are no pages, into `entries` (names in `pool`), in name order.
// False with errno set when the folder cannot be read.
bool ListFolder(int fd, std::vector<char>& buffer, std::string& pool, std::vector<Entry>& entries) {
  pool.clear();
  entries.clear();
  for (;;) {
    const long got = syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
    if (got < 0) return false;
    if (got == 0) break;
    for (long at = 0; at < got;) {
      // The kernel's record: inode, offset, record length, type, name.
      uint64_t ino;
      unsigned short length;
      std::memcpy(&ino, buffer.data() + at, sizeof ino);
      std::memcpy(&length, buffer.data() + at + 16, sizeof length);
      const unsigned char type = static_cast<unsigned char>(buffer[at + 18]);
      const std::string_view name(buffer.data() + at + 19);
      at += length;
      if (name == "." || name == "..") continue;
      // A plain file that is no page needs no look (the index's own
      // thousands of files among them).
      if (type == DT_REG && !IsPageName(name)) continue;
      entries.push_back(
          {static_cast<uint32_t>(pool.size()), static_cast<uint32_t>(name.size()), type, ino});
      pool.append(name);
    }
  }
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    return std::string_view(pool).substr(a.at, a.length) <
           std::string_view(pool).substr(b.at, b.length);
  });
  return true;
}

}  // namespace

WalkResult WalkPages(const std::string& folder, const std::set<std::string>& skip) {
  WalkResult result;
  const std::string realRoot = RealPath(folder);
  if (realRoot.empty()) {
    result.problems.push_back(folder + ": " + std::strerror(errno));
    return result;
  }
  const int root = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st;
  if (root < 0 || fstat(root, &st) != 0) {
    result.problems.push_back(folder + ": " + std::strerror(errno));
    if (root >= 0) close(root);
    return result;
  }
  SeenSet seen;
  seen.Insert(st.st_dev, st.st_ino);
  // The folders being walked, depth first: each one's subfolders are taken
  // in name order after its own pages.  A folder is opened from its
  // parent's descriptor (a look at one name, not along the whole path)
  // while the parent is held open.
  struct Child {
    std::string name;
    bool followed;  // reached through a symbolic link
  };
  struct Frame {
    int fd;  // -1 when the folder's children are opened from the top
    dev_t dev;
    std::string relative;
    std::vector<Child> folders;
    size_t next = 0;
  };
  std::vector<Frame> stack;
  std::vector<char> buffer(kListingBytes);
  std::string pool;
  std::vector<Entry> entries;

  // Lists the open folder `fd` (its path below the top `relative`, its
  // device `dev`): its pages go to the result, its subfolders to a frame.
  auto list = [&](int fd, std::string relative, dev_t dev) {
    Frame frame{fd, dev, std::move(relative), {}, 0};
    const std::string& rel = frame.relative;
    if (!ListFolder(fd, buffer, pool, entries)) {
      result.problems.push_back((rel.empty() ? folder : folder + "/" + rel) + ": " +
                                std::strerror(errno));
      entries.clear();
    }
    for (const Entry& e : entries) {
      const std::string name = pool.substr(e.at, e.length);
      std::string below = rel.empty() ? name : rel + "/" + name;
      unsigned char type = e.type;
      if (type == DT_DIR) {
        // A folder's own inode, as its entry gives it (a mount point's is
        // checked again once it is open).
        if (seen.Insert(dev, e.ino)) frame.folders.push_back({name, false});
        continue;
      }
      if (type == DT_REG && skip.count(below)) continue;
      if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone
      bool followed = false;
      if (S_ISLNK(st.st_mode)) {
        const std::string full = folder + "/" + below;
        const std::string target = RealPath(full);
        if (target.empty()) {
          result.problems.push_back(full + ": " + std::strerror(errno));
          continue;
        }
        if (target != realRoot && target.compare(0, realRoot.size() + 1, realRoot + "/") != 0) {
          continue;  // leads out of the documentation
        }
        if (stat(full.c_str(), &st) != 0) continue;
        followed = true;
      }
      if (S_ISDIR(st.st_mode)) {
        if (seen.Insert(st.st_dev, st.st_ino)) frame.folders.push_back({name, followed});
      } else if (S_ISREG(st.st_mode) && IsPageName(name) && !skip.count(below)) {
        if (seen.Insert(st.st_dev, st.st_ino)) {
          result.pages.push_back(
              {std::move(below), static_cast<int64_t>(st.st_size),
               static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
        }
      }
    }
    // Deep down, the folder is let go of: its children are opened by path.
    if (stack.size() >= kOpenDepth && frame.fd != root) {
      close(frame.fd);
      frame.fd = -1;
    }
    stack.push_back(std::move(frame));
  };

  list(root, std::string(), st.st_dev);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.folders.size()) {
      if (top.fd >= 0) close(top.fd);
      stack.pop_back();
      continue;
    }
    const Child child = std::move(top.folders[top.next++]);
    std::string relative = top.relative.empty() ? child.name : top.relative + "/" + child.name;
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (child.followed ? 0 : O_NOFOLLOW);
    const int fd = top.fd >= 0 ? openat(top.fd, child.name.c_str(), flags)
                               : openat(root, relative.c_str(), flags);
    const dev_t parent = top.dev;
    if (fd < 0 || fstat(fd, &st) != 0) {
      result.problems.push_back(folder + "/" + relative + ": " + std::strerror(errno));
      if (fd >= 0) close(fd);
      continue;
    }
    // A file system mounted here: its entry's inode was the folder below.
    if (!child.followed && st.st_dev != parent && !seen.Insert(st.st_dev, st.st_ino)) {
      close(fd);
      continue;
    }
    list(fd, std::move(relative), st.st_dev);
  }
  return result;
}

}  // namespace lexidor::fulltext

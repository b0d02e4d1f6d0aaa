// Memory for the large arrays of a build: the byte store and the record
// lists of a million commands run to hundreds of megabytes, and touching
// them a 4 KB page at a time costs more than the work done on them.
// Allocations of a few huge pages or more are aligned to huge pages and
// marked for them, so the kernel maps them 2 MB at a time where it can.
#pragma once

#include <cstddef>
#include <new>

namespace lexidor {

// At least `bytes` of memory for LargeFree; throws std::bad_alloc.
void* LargeAllocate(size_t bytes);
void LargeFree(void* memory);

// Frees with LargeFree, for unique_ptr.
struct LargeDelete {
  void operator()(void* memory) const { LargeFree(memory); }
};

// A standard allocator over LargeAllocate, for vectors that grow large.
template <typename T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(LargeAllocate(n * sizeof(T)));
  }
  void deallocate(T* p, size_t) { LargeFree(p); }
  template <typename U>
  bool operator==(const LargeAllocator<U>&) const { return true; }
  template <typename U>
  bool operator!=(const LargeAllocator<U>&) const { return false; }
};

}  // namespace lexidor

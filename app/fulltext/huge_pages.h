// An allocator for the index's large tables that are read all over, at
// random: a table of megabytes in 4 KB pages costs a page-table walk for
// nearly every lookup, as the processor's TLB holds the places of far
// fewer pages than it touches.  Arrays of a huge page or more are aligned
// to huge pages and marked for them, so the kernel maps them 2 MB at a
// time where it can (only advice: without huge pages the memory works the
// same).  Every byte of such a table is written when it is made, so the
// kernel zeroing a huge page whole on its first touch wastes nothing.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace lexidor::fulltext {

inline constexpr size_t kHugePage = size_t{2} << 20;

template <typename T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T) - kHugePage) throw std::bad_alloc();
    const size_t bytes = n * sizeof(T);
    void* memory;
    if (bytes < kHugePage) {
      memory = std::malloc(bytes ? bytes : 1);
    } else {
      const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
      memory = std::aligned_alloc(kHugePage, rounded);
      if (memory) madvise(memory, rounded, MADV_HUGEPAGE);
    }
    if (!memory) throw std::bad_alloc();
    return static_cast<T*>(memory);
  }
  void deallocate(T* p, size_t) { std::free(p); }
  template <typename U>
  bool operator==(const HugePageAllocator<U>&) const {
    return true;
  }
  template <typename U>
  bool operator!=(const HugePageAllocator<U>&) const {
    return false;
  }
};

}  // namespace lexidor::fulltext

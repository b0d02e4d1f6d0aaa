// Memory for the large arrays of a build: the byte store and the record
// lists of a million commands run to hundreds of megabytes, and the text
// index's word table and postings are read all over, at random.  Touching
// such memory a 4 KB page at a time costs more than the work done on it (a
// page-table walk for nearly every lookup: the processor's TLB holds the
// places of far fewer pages than are touched).  Allocations from a size on
// are aligned to huge pages and marked for them, so the kernel maps them
// 2 MB at a time where it can (only advice: without huge pages the memory
// works the same).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace lexidor {

inline constexpr size_t kHugePage = size_t{2} << 20;

// Where huge pages start by default.  A huge page is zeroed whole when
// first touched: for the few megabytes of a small kit (a rebuild of 27,000
// commands) that zeroing took a tenth of the run, more than the fewer page
// faults saved.  Tables written whole when they are made lose nothing to
// it and may start at one huge page.
inline constexpr size_t kHugeAdvice = kHugePage * 4;

// At least `bytes` of memory for LargeFree, in huge pages from `hugeFrom`
// bytes on; throws std::bad_alloc.
void* LargeAllocate(size_t bytes, size_t hugeFrom = kHugeAdvice);
void LargeFree(void* memory);

// Frees with LargeFree, for unique_ptr.
struct LargeDelete {
  void operator()(void* memory) const { LargeFree(memory); }
};

// A standard allocator over LargeAllocate, for vectors that grow large.
template <typename T, size_t HugeFrom = kHugeAdvice>
struct LargeAllocator {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = LargeAllocator<U, HugeFrom>;
  };
  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U, HugeFrom>&) {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(LargeAllocate(n * sizeof(T), HugeFrom));
  }
  void deallocate(T* p, size_t) { LargeFree(p); }
  template <typename U>
  bool operator==(const LargeAllocator<U, HugeFrom>&) const {
    return true;
  }
  template <typename U>
  bool operator!=(const LargeAllocator<U, HugeFrom>&) const {
    return false;
  }
};

}  // namespace lexidor

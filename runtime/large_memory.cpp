#include "runtime/large_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace lexidor {

void* LargeAllocate(size_t bytes, size_t hugeFrom) {
  if (bytes < hugeFrom || bytes < kHugePage) {
    void* memory = std::malloc(bytes ? bytes : 1);
    if (!memory) throw std::bad_alloc();
    return memory;
  }
  if (bytes > SIZE_MAX - kHugePage) throw std::bad_alloc();
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, rounded);
  if (!memory) throw std::bad_alloc();
  // Only advice: where the kernel gives no huge pages the memory works the same.
  madvise(memory, rounded, MADV_HUGEPAGE);
  return memory;
}

void LargeFree(void* memory) { std::free(memory); }

}  // namespace lexidor

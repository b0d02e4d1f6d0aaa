#include "app/large_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace lexidor {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

void* LargeAllocate(size_t bytes) {
  if (bytes < kHugePage) {
    void* memory = std::malloc(bytes ? bytes : 1);
    if (!memory) throw std::bad_alloc();
    return memory;
  }
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, rounded);
  if (!memory) throw std::bad_alloc();
  // Only advice: where the kernel gives no huge pages the memory works the same.
  madvise(memory, rounded, MADV_HUGEPAGE);
  return memory;
}

void LargeFree(void* memory) { std::free(memory); }

}  // namespace lexidor

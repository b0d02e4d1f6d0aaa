#include "app/large_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace lexidor {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
// Below this an allocation takes small pages: a huge page is zeroed whole
// when first touched, and for the few megabytes of a small kit (a rebuild
// of 27,000 commands) that zeroing took a tenth of the run, more than the
// fewer page faults saved.
constexpr size_t kHugeAdvice = kHugePage * 4;
}  // namespace

void* LargeAllocate(size_t bytes) {
  if (bytes < kHugeAdvice) {
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

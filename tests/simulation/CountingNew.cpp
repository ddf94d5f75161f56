// Replaces the global allocation functions of the test program with counting ones. Kept
// in its own file so that the compiler does not pair the inlined malloc with delete.

#include "CountingNew.h"

#include <cstdlib>
#include <new>

namespace simtest {
bool countAllocations = false;
long allocations = 0;
} // namespace simtest

void* operator new(std::size_t size) {
    if (simtest::countAllocations) ++simtest::allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

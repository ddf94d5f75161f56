#pragma once
// The test program's global operator new counts allocations while asked to.

namespace simtest {
extern bool countAllocations;
extern long allocations;
} // namespace simtest

// Counts calls of the global operator new in this test program, so a test can show that a code
// path does not touch the heap.
#pragma once

#include <cstddef>

// Allocations made so far by any thread of the program.
std::size_t AllocationCount();

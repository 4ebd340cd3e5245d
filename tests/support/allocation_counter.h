// Counts the test program's allocations: every global operator new, which the test executable
// replaces with a forwarding one, so that a test can show that a stretch of code allocates nothing.
#pragma once

#include <cstddef>

// The number of calls of the unaligned global operator new forms since the test program started.
std::size_t GlobalAllocationCount();

// Counts the heap bytes that are live in this program, for per-object memory figures.
#pragma once

#include <cstddef>

namespace tolvex::bench {

// Bytes currently allocated through operator new, as the allocator rounds them,
// with its header per block.
size_t live_heap_bytes() noexcept;

}  // namespace tolvex::bench

// Counts what one watched thread does that a real-time thread must not: allocating or freeing
// memory, taking a mutex (and having to wait for one), opening or reading a file. The functions
// of the C library and the C++ allocation operators are replaced in the test executable that
// links ThreadRuleCounters.cpp, and forward to the real ones; only the watched thread is counted,
// and only while counting is on.
#pragma once

#include <cstdint>
#include <thread>

namespace thread_rules {

struct Counts {
    std::uint64_t allocations = 0;   // malloc, calloc, realloc, aligned allocations, operator new
    std::uint64_t frees = 0;         // free, operator delete
    std::uint64_t locks = 0;         // mutex lock or trylock calls
    std::uint64_t lockWaits = 0;     // ... of which found the mutex held by another thread
    std::uint64_t fileAccesses = 0;  // open, openat, read
};

void Watch(std::thread::id thread);
void StartCounting();
void StopCounting();
Counts Taken();  // since StartCounting

}  // namespace thread_rules

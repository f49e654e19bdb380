#include "ThreadRuleCounters.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sys/types.h>

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <new>

extern "C" {
// glibc's own allocator entry points: forwarding to them needs no symbol lookup, which would
// itself allocate.
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace thread_rules {
namespace {

std::atomic<std::thread::id> g_watched{};
std::atomic<bool> g_counting{false};
std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::uint64_t> g_frees{0};
std::atomic<std::uint64_t> g_locks{0};
std::atomic<std::uint64_t> g_lockWaits{0};
std::atomic<std::uint64_t> g_fileAccesses{0};

bool Watched() {
    return g_counting.load(std::memory_order_relaxed) &&
           std::this_thread::get_id() == g_watched.load(std::memory_order_relaxed);
}

void Count(std::atomic<std::uint64_t>& counter) {
    if (Watched()) counter.fetch_add(1, std::memory_order_relaxed);
}

// The next definition of a C library function (no static guard: its lock could recurse here).
template <typename Fn>
Fn Next(std::atomic<Fn>& cache, const char* name) {
    Fn fn = cache.load(std::memory_order_acquire);
    if (!fn) {
        fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
        cache.store(fn, std::memory_order_release);
    }
    return fn;
}

using MutexFn = int (*)(pthread_mutex_t*);
using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using ReadFn = ssize_t (*)(int, void*, std::size_t);
std::atomic<MutexFn> g_lock{nullptr};
std::atomic<MutexFn> g_trylock{nullptr};
std::atomic<OpenFn> g_open{nullptr};
std::atomic<OpenFn> g_open64{nullptr};
std::atomic<OpenAtFn> g_openat{nullptr};
std::atomic<ReadFn> g_read{nullptr};

void* Allocate(std::size_t size) {
    Count(g_allocations);
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    Count(g_allocations);
    void* p = __libc_memalign(static_cast<std::size_t>(alignment), size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void Release(void* p) {
    Count(g_frees);
    __libc_free(p);
}

}  // namespace

void Watch(std::thread::id thread) {
    g_watched = thread;
}

void StartCounting() {
    g_allocations = 0;
    g_frees = 0;
    g_locks = 0;
    g_lockWaits = 0;
    g_fileAccesses = 0;
    g_counting = true;
}

void StopCounting() {
    g_counting = false;
}

Counts Taken() {
    Counts c;
    c.allocations = g_allocations;
    c.frees = g_frees;
    c.locks = g_locks;
    c.lockWaits = g_lockWaits;
    c.fileAccesses = g_fileAccesses;
    return c;
}

}  // namespace thread_rules

using namespace thread_rules;

extern "C" {

void* malloc(std::size_t size) {
    Count(g_allocations);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    Count(g_allocations);
    return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size) {
    Count(g_allocations);
    return __libc_realloc(p, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    Count(g_allocations);
    return __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size) {
    Count(g_allocations);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    Count(g_allocations);
    void* p = __libc_memalign(alignment, size);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}

void free(void* p) {
    if (p) Count(g_frees);
    __libc_free(p);
}

int pthread_mutex_lock(pthread_mutex_t* m) {
    if (Watched()) {
        g_locks.fetch_add(1, std::memory_order_relaxed);
        if (Next(g_trylock, "pthread_mutex_trylock")(m) == 0) return 0;
        g_lockWaits.fetch_add(1, std::memory_order_relaxed);
    }
    return Next(g_lock, "pthread_mutex_lock")(m);
}

int pthread_mutex_trylock(pthread_mutex_t* m) {
    const int result = Next(g_trylock, "pthread_mutex_trylock")(m);
    if (Watched()) {
        g_locks.fetch_add(1, std::memory_order_relaxed);
        if (result != 0) g_lockWaits.fetch_add(1, std::memory_order_relaxed);
    }
    return result;
}

int open(const char* path, int flags, ...) {
    Count(g_fileAccesses);
    va_list args;
    va_start(args, flags);
    const unsigned mode = va_arg(args, unsigned);
    va_end(args);
    return Next(g_open, "open")(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    Count(g_fileAccesses);
    va_list args;
    va_start(args, flags);
    const unsigned mode = va_arg(args, unsigned);
    va_end(args);
    return Next(g_open64, "open64")(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    Count(g_fileAccesses);
    va_list args;
    va_start(args, flags);
    const unsigned mode = va_arg(args, unsigned);
    va_end(args);
    return Next(g_openat, "openat")(dir, path, flags, mode);
}

ssize_t read(int fd, void* buffer, std::size_t count) {
    Count(g_fileAccesses);
    return Next(g_read, "read")(fd, buffer, count);
}

}  // extern "C"

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    Count(g_allocations);
    return __libc_malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    Count(g_allocations);
    return __libc_malloc(size ? size : 1);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void operator delete(void* p) noexcept {
    if (p) Release(p);
}
void operator delete[](void* p) noexcept {
    if (p) Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    if (p) Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    if (p) Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    if (p) Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    if (p) Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    if (p) Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    if (p) Release(p);
}

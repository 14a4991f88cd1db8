// Counts every heap allocation of the process (the library's, PROJ's and the standard library's)
// by replacing the global allocation functions, so that a benchmark can tell how many allocations
// one generation makes per point it produces.
#include "alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace parallo_bench {

namespace {
std::atomic<long> g_allocations{0};
} // namespace

long AllocationsSoFar() noexcept { return g_allocations.load(std::memory_order_relaxed); }

} // namespace parallo_bench

namespace {

void *Allocate(std::size_t size) {
    parallo_bench::g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    for (;;) {
        if (void *p = std::malloc(size)) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

} // namespace

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }

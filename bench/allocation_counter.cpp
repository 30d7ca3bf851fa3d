#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

// Per thread, so a helper thread of a library cannot blur the figures; plain integers
// need no dynamic initialization, which operator new could not wait for.
thread_local int t_open = 0;
thread_local std::size_t t_count = 0;
thread_local std::size_t t_bytes = 0;
thread_local std::size_t t_largest = 0;

void* allocate(std::size_t size) {
    AllocationCounter::record(size);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

AllocationCounter::AllocationCounter()
    : m_startCount(t_count), m_startBytes(t_bytes), m_startLargest(t_largest) {
    ++t_open;
    t_largest = 0;
}

AllocationCounter::~AllocationCounter() {
    --t_open;
    if (m_startLargest > t_largest) t_largest = m_startLargest;
}

std::size_t AllocationCounter::count() const {
    return t_count - m_startCount;
}
std::size_t AllocationCounter::bytes() const {
    return t_bytes - m_startBytes;
}
std::size_t AllocationCounter::largest() const {
    return t_largest;
}

void AllocationCounter::record(std::size_t size) {
    if (t_open == 0) return;
    ++t_count;
    t_bytes += size;
    if (size > t_largest) t_largest = size;
}

// The replacements: every allocation of the program passes through allocate(). The
// aligned forms keep the library's own pair, which nothing measured here uses.
void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

#pragma once
// Counts the heap allocations made by the calling thread while an instance lives, through
// the program's own replacement of the global operator new. The benchmark uses it to show
// that the fused encoder makes exactly one allocation of exactly the output's size.
#include <cstddef>

class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Allocations so far, the bytes they asked for, and the largest single one.
    std::size_t count() const;
    std::size_t bytes() const;
    std::size_t largest() const;

    // Called by the replacement operator new.
    static void record(std::size_t size);

private:
    std::size_t m_startCount = 0;
    std::size_t m_startBytes = 0;
    std::size_t m_startLargest = 0;
};

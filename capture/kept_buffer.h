#pragma once
// A buffer a thread keeps from one recognition to the next (a thread_local string): a run then
// writes into pages that are already there instead of faulting in fresh ones. At the end of
// the scope a large one (a 4K screen's) is given back rather than kept.
#include <cstddef>
#include <string>

class KeptBuffer {
public:
    explicit KeptBuffer(std::string& buffer) : m_buffer(buffer) {}
    ~KeptBuffer() {
        if (m_buffer.capacity() > kMostKept) std::string().swap(m_buffer);
    }
    KeptBuffer(const KeptBuffer&) = delete;
    KeptBuffer& operator=(const KeptBuffer&) = delete;

private:
    static constexpr std::size_t kMostKept = std::size_t(4) << 20;
    std::string& m_buffer;
};

#include "capture/image_handoff.h"

#include <chrono>
#include <thread>

namespace {
// Longer than a whole 4K screen's encoding; after it the worker sleeps until woken.
constexpr auto kSpin = std::chrono::milliseconds(30);
}  // namespace

void ImageHandoff::publish(Bytes image) {
    {
        std::lock_guard lock(m_mutex);
        m_image = std::move(image);
        m_ready.store(true, std::memory_order_release);
    }
    m_published.notify_one();
}

Bytes ImageHandoff::take() {
    const auto until = std::chrono::steady_clock::now() + kSpin;
    while (!m_ready.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    std::unique_lock lock(m_mutex);
    m_published.wait(lock, [this] { return m_ready.load(std::memory_order_relaxed); });
    return std::move(m_image);
}

#include "capture/image_handoff.h"

#include <chrono>
#include <thread>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {
// About one stripe of a 4K screen: longer, and the other thread is not running anyway.
constexpr int kStarterWaitUs = 5000;
// The starting thread's stripe ends within this; a sleeping worker takes long to wake.
constexpr int kWorkerSpinUs = 30000;

void relax() {
#if defined(__x86_64__) || defined(__i386__)
    for (int i = 0; i < 64; ++i) _mm_pause();
#else
    std::this_thread::yield();
#endif
}
}  // namespace

ImageHandoff::ImageHandoff(std::shared_ptr<const void> pixels, codec::Image view)
    : m_pixels(std::move(pixels)), m_view(std::move(view)), m_stripes(m_view) {}

void ImageHandoff::encodeFreeStripes() {
    for (int i; (i = m_next.fetch_add(1)) < m_stripes.count();) {
        // A stripe that fails is done all the same: the join reports it.
        m_stripes.encode(i);
        if (m_done.fetch_add(1) + 1 == m_stripes.count()) {
            std::lock_guard lock(m_mutex);
            m_allDone.notify_all();
        }
    }
}

bool ImageHandoff::spinUntilDone(int microseconds) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
    while (m_done.load() < m_stripes.count()) {
        if (std::chrono::steady_clock::now() > until) return false;
        relax();
    }
    return true;
}

void ImageHandoff::help() {
    encodeFreeStripes();
    spinUntilDone(kStarterWaitUs);
}

void ImageHandoff::take(Bytes& jpeg) {
    encodeFreeStripes();
    if (!spinUntilDone(kWorkerSpinUs)) {
        std::unique_lock lock(m_mutex);
        m_allDone.wait(lock, [this] { return m_done.load() == m_stripes.count(); });
    }
    m_pixels.reset();
    if (!m_stripes.join(jpeg)) jpeg.clear();
}

#pragma once
// An encoded image passed from the thread that made it to a worker that was woken before it
// was done: the worker wakes while the image is being encoded and takes it the moment it is
// there, instead of being woken only afterwards (waking a sleeping thread can take a
// millisecond, longer than the last steps of a run before its request leaves).
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "text/text_tools.h"

class ImageHandoff {
public:
    // Called exactly once by the thread that encodes.
    void publish(Bytes image);
    // Waits for the image: a short spin first (the encoding is a few milliseconds away at
    // most), then a sleep. Takes it; called once by the worker.
    Bytes take();

private:
    std::mutex m_mutex;
    std::condition_variable m_published;
    std::atomic<bool> m_ready{false};
    Bytes m_image;
};

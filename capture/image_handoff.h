#pragma once
// A capture's JPEG, encoded in stripes by the thread that starts a run and by the worker that
// sends it, side by side: the thread that has the pixels starts at once, the worker joins in
// as soon as it is awake, and whoever is first takes the next stripe.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/codec.h"
#include "text/text_tools.h"

class ImageHandoff {
public:
    // view's rows belong to pixels, which is held until every stripe is encoded. An empty
    // view gives an empty image.
    ImageHandoff(std::shared_ptr<const void> pixels, codec::Image view);

    // The starting thread: encodes stripes no thread has taken yet, then gives the worker's
    // last stripe a few milliseconds to end before it returns (what it does next, bringing
    // the window back, sets the X server going, which would take that processor away).
    void help();
    // The worker: helps, waits for the last stripe, lets the pixels go and writes the whole
    // file into jpeg's own storage (empty when a stripe failed). Called once.
    void take(Bytes& jpeg);

private:
    void encodeFreeStripes();
    bool spinUntilDone(int microseconds) const;

    std::shared_ptr<const void> m_pixels;
    const codec::Image m_view;
    codec::JpegStripes m_stripes;
    std::atomic<int> m_next{0};
    std::atomic<int> m_done{0};
    std::mutex m_mutex;
    std::condition_variable m_allDone;
};

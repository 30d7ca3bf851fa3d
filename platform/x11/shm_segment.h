#pragma once
// A System V shared-memory segment attached to this process and to the X server, so that
// the server writes image data straight into our memory instead of through the socket.
// A capture attaches one of the size it needs and detaches it when done (release), so no
// screen-sized block stays behind between captures.
#include <cstddef>
#include <cstdint>

#include <xcb/shm.h>
#include <xcb/xcb.h>

class ShmSegment {
public:
    explicit ShmSegment(xcb_connection_t* connection);
    ~ShmSegment();
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;

    // True when the server offers the extension and accepted a first, small segment.
    bool available() const { return m_available; }
    // True while a segment is attached (between reserve and release).
    bool attached() const { return m_attached; }

    // Attaches a segment of at least bytes; false (and unavailable from then on) when the
    // server refuses it.
    bool reserve(std::size_t bytes);
    // Detaches the segment on both sides; the system frees its memory.
    void release();

    xcb_shm_seg_t id() const { return m_segment; }
    const std::uint8_t* data() const { return m_data; }

    // Gives the segment up after the server failed to use it.
    void disable();

private:
    bool attach(std::size_t bytes);

    xcb_connection_t* m_connection;
    bool m_available = false;
    xcb_shm_seg_t m_segment = 0;
    bool m_attached = false;
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

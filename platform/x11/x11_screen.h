#pragma once
// The live screen of an X server, read over its own xcb connection. Only the requested
// rectangle is transferred, through shared memory where the server offers it (MIT-SHM) and
// with a plain GetImage otherwise. Coordinates are relative to the primary monitor (RandR);
// a rectangle may reach onto other monitors, and what lies beyond the root window is black.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/screen.h"

struct xcb_connection_t;
struct xcb_setup_t;
struct xcb_screen_t;
class ShmSegment;

class X11Screen : public platform::Screen {
public:
    enum class Transfer { SharedMemoryWhereOffered, PlainGetImage };

    // Connects to $DISPLAY; without a server every capture is empty.
    explicit X11Screen(Transfer transfer = Transfer::SharedMemoryWhereOffered);
    ~X11Screen() override;
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    bool connected() const { return m_connection != nullptr; }
    // True while captures go through shared memory.
    bool usesSharedMemory() const;

    platform::ScreenSize size() override;
    std::string capture(int left, int top, int width, int height) override;
    platform::ScreenImage snapshot() override;

private:
    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
    };
    struct Layout {
        Geometry root;
        Geometry primary;
    };

    // How the server lays out images of the root window.
    struct Format;
    static Format rootFormat(const xcb_setup_t* setup, const xcb_screen_t* screen);

    Layout layout();
    // Writes the rectangle (primary-monitor coordinates) as rows of blue, green, red and
    // fourth into out: row y at top + y * pitch. Parts beyond the root window are left as
    // they are. False when the server's pixels cannot be read or converted.
    bool read(const Layout& layout, int left, int top, int width, int height, std::uint8_t* out,
              std::ptrdiff_t pitch, std::uint8_t fourth);
    bool readVisible(const Geometry& part, std::uint8_t* out, std::ptrdiff_t pitch,
                     std::uint8_t fourth);

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    int m_rootDepth = 0;
    std::unique_ptr<Format> m_format;
    bool m_monitors = false;
    std::unique_ptr<ShmSegment> m_shm;
};

#pragma once
// The live screen of an X server, read over its own xcb connection. Only the requested
// rectangle is transferred, through shared memory where the server offers it (MIT-SHM) and
// with a plain GetImage otherwise. Coordinates are relative to the primary monitor (RandR
// 1.5 monitors, which the root window holds side by side); a rectangle may reach onto other
// monitors, and what lies outside every monitor is black.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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
    std::vector<platform::Monitor> monitors() override;
    std::string capture(int left, int top, int width, int height) override;
    platform::ScreenImage snapshot() override;

private:
    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
    };
    struct Layout {
        Geometry root;
        Geometry primary;
        // Screen coordinates (the primary one at 0, 0); names only where asked for.
        std::vector<platform::Monitor> monitors;
    };

    // How the server lays out images of the root window.
    struct Format;
    static Format rootFormat(const xcb_setup_t* setup, const xcb_screen_t* screen);

    Layout layout(bool names = false);
    // Blackens what of the rectangle (screen coordinates, rows as for read) no monitor holds.
    static void blackOutsideMonitors(const Layout& layout, int left, int top, int width, int height,
                                     std::uint8_t* out, std::ptrdiff_t pitch, std::uint8_t fourth);
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

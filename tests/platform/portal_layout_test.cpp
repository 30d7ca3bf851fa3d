// Where the outputs of a Wayland desktop lie in the portal's picture (the layout at the largest
// scale) and in screen coordinates (each output in its own pixels, the primary at 0, 0).
#include "platform/portal/portal_layout.h"

#include <gtest/gtest.h>

namespace {

using Output = PortalLayout::Output;
using platform::Monitor;

QRgb pattern(int x, int y) {
    return qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8));
}

struct Case {
    const char* name;
    std::vector<Output> outputs;
    QSize picture;
    std::vector<Monitor> monitors;
};

const Case kCases[] = {
    {"one output",
     {{"A", {0, 0, 1920, 1080}, 1, true}},
     {1920, 1080},
     {{"A", 0, 0, 1920, 1080, true}}},
    {"one output at scale 2",
     {{"A", {0, 0, 960, 540}, 2, true}},
     {1920, 1080},
     {{"A", 0, 0, 1920, 1080, true}}},
    {"scale 2 left of the primary",
     {{"B", {0, 0, 640, 360}, 2, false}, {"A", {640, 0, 1920, 1080}, 1, true}},
     {5120, 2160},
     {{"B", -1280, 0, 1280, 720, false}, {"A", 0, 0, 1920, 1080, true}}},
    {"scale 1 right of a primary at 2",
     {{"A", {0, 0, 960, 540}, 2, true}, {"B", {960, 100, 1280, 720}, 1, false}},
     {4480, 1640},
     {{"A", 0, 0, 1920, 1080, true}, {"B", 1920, 200, 1280, 720, false}}},
    {"scale 2 below a wider primary",
     {{"A", {0, 0, 1920, 1080}, 1, true}, {"B", {0, 1080, 1280, 800}, 2, false}},
     {3840, 3760},
     {{"A", 0, 0, 1920, 1080, true}, {"B", 0, 1080, 2560, 1600, false}}},
};

TEST(PortalLayoutTest, EachOutputInItsOwnPixelsBesideTheOthers) {
    for (const Case& c : kCases) {
        const PortalLayout layout(c.outputs, c.picture);
        EXPECT_EQ(layout.monitors(), c.monitors) << c.name;
    }
}

// The picture holds each output's pattern at the picture's scale (an output at a smaller scale
// upscaled, each of its pixels a block); the desktop gives every pixel back once.
TEST(PortalLayoutTest, TheDesktopShowsEachOutputPixelForPixel) {
    for (const Case& c : kCases) {
        QRect all;
        for (const Output& o : c.outputs) all |= o.logical;
        const qreal scale = qreal(c.picture.width()) / all.width();
        QImage picture(c.picture, QImage::Format_RGB32);
        picture.fill(Qt::black);
        for (std::size_t i = 0; i < c.outputs.size(); ++i) {
            const Output& o = c.outputs[i];
            const int block = int(scale / o.ratio);
            const QPoint at = (o.logical.topLeft() - all.topLeft()) * scale;
            for (int y = 0; y < o.logical.height() * scale; ++y)
                for (int x = 0; x < o.logical.width() * scale; ++x)
                    picture.setPixel(at.x() + x, at.y() + y, pattern(x / block, y / block));
        }
        QPoint origin;
        const QImage desktop = PortalLayout(c.outputs, c.picture).desktop(picture, origin);
        QRect box;
        for (const Monitor& m : c.monitors) box |= QRect(m.left, m.top, m.width, m.height);
        EXPECT_EQ(QRect(origin, desktop.size()), box) << c.name;
        for (const Monitor& m : c.monitors) {
            for (int y = 0; y < m.height; y += 7) {
                for (int x = 0; x < m.width; x += 5) {
                    ASSERT_EQ(desktop.pixel(m.left - origin.x() + x, m.top - origin.y() + y),
                              pattern(x, y))
                        << c.name << ", " << m.name << " at " << x << "," << y;
                }
            }
        }
    }
}

// The command line has no screens: the picture is the one monitor.
TEST(PortalLayoutTest, WithoutScreensThePictureIsTheMonitor) {
    const PortalLayout layout({}, {800, 600});
    EXPECT_EQ(layout.monitors(), (std::vector<Monitor>{{"", 0, 0, 800, 600, true}}));
}

}  // namespace

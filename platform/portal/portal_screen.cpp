#include "platform/portal/portal_screen.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstring>
#include <ctime>

#include "platform/portal/screenshot_file.h"
#include "platform/portal/screenshot_request.h"

namespace {

constexpr int kBmpHeaderSize = 54;
// Far beyond any screen; keeps a wild rectangle from asking for gigabytes.
constexpr qint64 kMaxPixels = qint64{64} * 1024 * 1024;
constexpr int kMaxSide = 65500;

void put32(char* out, quint32 value) {
    for (int i = 0; i < 4; ++i) out[i] = char((value >> (8 * i)) & 0xff);
}

// A 32-bit BMP file of the picture, rows bottom-up, as every capture hands them on.
std::string bmpFile(const QImage& picture) {
    const int width = picture.width(), height = picture.height();
    std::string file(kBmpHeaderSize + std::size_t(width) * height * 4, '\0');
    char* out = file.data();
    out[0] = 'B';
    out[1] = 'M';
    put32(out + 2, quint32(file.size()));
    put32(out + 10, kBmpHeaderSize);
    put32(out + 14, 40);
    put32(out + 18, quint32(width));
    put32(out + 22, quint32(height));
    out[26] = 1;
    out[28] = 32;
    char* row = out + kBmpHeaderSize;
    for (int y = height - 1; y >= 0; --y, row += std::size_t(width) * 4)
        std::memcpy(row, picture.constScanLine(y), std::size_t(width) * 4);
    return file;
}

// The part of the picture at that rectangle; black where it reaches beyond the picture.
QImage cut(const QImage& picture, const QRect& rect) {
    QImage part(rect.size(), QImage::Format_RGB32);
    part.fill(Qt::black);
    const QRect inside = rect & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        std::memcpy(part.scanLine(y - rect.top()) + (inside.left() - rect.left()) * 4,
                    picture.constScanLine(y) + inside.left() * 4, std::size_t(inside.width()) * 4);
    return part;
}

// The bounding box of every screen in the layout (logical pixels); empty without a GUI
// application (the command line).
QRect layoutBox() {
    QRect all;
    if (qGuiApp)
        for (const QScreen* screen : QGuiApplication::screens()) all |= screen->geometry();
    return all;
}

}  // namespace

PortalScreen::PortalScreen(int answerTimeoutMs) : m_timeoutMs(answerTimeoutMs) {}

platform::ScreenSize PortalScreen::size() {
    const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) return {};
    const qreal ratio = primary->devicePixelRatio();
    return {int(std::lround(primary->geometry().width() * ratio)),
            int(std::lround(primary->geometry().height() * ratio))};
}

PortalScreen::Desktop PortalScreen::take() {
    m_failure.clear();
    const std::time_t asked = std::time(nullptr);
    ScreenshotRequest request(QDBusConnection::sessionBus(), m_timeoutMs);
    const ScreenshotRequest::Answer answer = request.take();
    switch (answer.outcome) {
        case ScreenshotRequest::Outcome::Taken:
            break;
        case ScreenshotRequest::Outcome::Refused:
            m_failure = kRefused;
            return {};
        case ScreenshotRequest::Outcome::Ended:
            m_failure = kEnded;
            return {};
        case ScreenshotRequest::Outcome::NoPortal:
            m_failure = kNoPortal;
            return {};
        case ScreenshotRequest::Outcome::TimedOut:
            m_failure = kTimedOut;
            return {};
        case ScreenshotRequest::Outcome::Failed:
            m_failure = kUnreadable;
            return {};
    }
    Desktop desktop;
    desktop.picture = ScreenshotFile::take(answer.uri, asked);
    if (desktop.picture.isNull()) {
        m_failure = kUnreadable;
        return {};
    }
    // The picture covers the bounding box of every screen's layout position, at one scale:
    // the primary screen sits at its offset in the layout, times that scale.
    const QRect layout = layoutBox();
    if (layout.isEmpty() || !QGuiApplication::primaryScreen()) {
        desktop.primary = desktop.picture.rect();
        return desktop;
    }
    const qreal scale = qreal(desktop.picture.width()) / layout.width();
    const QRect logical = QGuiApplication::primaryScreen()->geometry();
    const QPoint offset = logical.topLeft() - layout.topLeft();
    desktop.primary = QRect(
        int(std::lround(offset.x() * scale)), int(std::lround(offset.y() * scale)),
        int(std::lround(logical.width() * scale)), int(std::lround(logical.height() * scale)));
    return desktop;
}

std::string PortalScreen::capture(int left, int top, int width, int height) {
    m_failure.clear();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        qint64{width} * height > kMaxPixels)
        return {};
    const Desktop desktop = take();
    if (desktop.picture.isNull()) return {};
    const QRect rect(desktop.primary.topLeft() + QPoint(left, top), QSize(width, height));
    return bmpFile(cut(desktop.picture, rect));
}

std::vector<platform::Monitor> PortalScreen::monitors() {
    std::vector<platform::Monitor> out;
    const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) return out;
    // The portal's picture holds the layout at the primary screen's scale; each output lies
    // where its layout place falls in it, counted from the primary output's corner.
    const qreal scale = primary->devicePixelRatio();
    const QPoint origin = primary->geometry().topLeft();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        out.push_back({screen->name().toStdString(), int(std::lround((g.x() - origin.x()) * scale)),
                       int(std::lround((g.y() - origin.y()) * scale)),
                       int(std::lround(g.width() * scale)), int(std::lround(g.height() * scale)),
                       screen == primary});
    }
    return out;
}

platform::ScreenImage PortalScreen::snapshot() {
    const Desktop desktop = take();
    if (desktop.picture.isNull()) return {};
    const QImage& picture = desktop.picture;
    platform::ScreenImage image;
    image.width = picture.width();
    image.height = picture.height();
    image.left = -desktop.primary.left();
    image.top = -desktop.primary.top();
    image.pixels.resize(std::size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
        for (int x = 0; x < image.width; ++x)
            image.pixels[std::size_t(y) * image.width + x] = row[x] | 0xff000000u;
    }
    return image;
}

std::string PortalScreen::lastFailure() {
    return m_failure;
}

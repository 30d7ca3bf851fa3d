#include "platform/portal/portal_screen.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstring>
#include <ctime>

#include "platform/portal/portal_layout.h"
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

// Qt's screens, as the compositor lays its outputs out; none without a GUI application (the
// command line).
std::vector<PortalLayout::Output> outputs() {
    std::vector<PortalLayout::Output> out;
    if (!qGuiApp) return out;
    for (const QScreen* screen : QGuiApplication::screens())
        out.push_back({screen->name(), screen->geometry(), screen->devicePixelRatio(),
                       screen == QGuiApplication::primaryScreen()});
    return out;
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
    const QImage picture = ScreenshotFile::take(answer.uri, asked);
    if (picture.isNull()) {
        m_failure = kUnreadable;
        return {};
    }
    Desktop desktop;
    desktop.picture = PortalLayout(outputs(), picture.size()).desktop(picture, desktop.origin);
    return desktop;
}

std::string PortalScreen::capture(int left, int top, int width, int height) {
    m_failure.clear();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        qint64{width} * height > kMaxPixels)
        return {};
    const Desktop desktop = take();
    if (desktop.picture.isNull()) return {};
    const QRect rect(QPoint(left, top) - desktop.origin, QSize(width, height));
    return bmpFile(cut(desktop.picture, rect));
}

std::vector<platform::Monitor> PortalScreen::monitors() {
    if (!qGuiApp || !QGuiApplication::primaryScreen()) return {};
    // Only the places matter here, not the picture's size.
    return PortalLayout(outputs(), QSize(1, 1)).monitors();
}

platform::ScreenImage PortalScreen::snapshot() {
    const Desktop desktop = take();
    if (desktop.picture.isNull()) return {};
    const QImage& picture = desktop.picture;
    platform::ScreenImage image;
    image.width = picture.width();
    image.height = picture.height();
    image.left = desktop.origin.x();
    image.top = desktop.origin.y();
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

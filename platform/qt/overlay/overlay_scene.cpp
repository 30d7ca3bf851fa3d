#include "platform/qt/overlay/overlay_scene.h"

#include <QFont>
#include <QPen>

#include "platform/overlay.h"

namespace {

constexpr int kSource = platform::Overlay::kSourceSize;
constexpr int kView = platform::Overlay::kViewSize;
constexpr int kOutlineWidth = 2;
// The hint label looks like a plain dialog label; the font is the one the hint was
// designed for, or the CJK face every Debian desktop has.
constexpr int kHintPixelSize = 20;
const QColor kHintBackground(0xf0, 0xf0, 0xf0);

QPen outlinePen() {
    return QPen(QColor(0, 255, 0), kOutlineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

}  // namespace

OverlayScene::OverlayScene(const platform::ScreenImage& snapshot) {
    setSnapshot(snapshot);
}

void OverlayScene::setSnapshot(const platform::ScreenImage& snapshot) {
    m_snapshot = QImage(reinterpret_cast<const uchar*>(snapshot.pixels.data()), snapshot.width,
                        snapshot.height, qsizetype(snapshot.width) * 4, QImage::Format_RGB32);
    m_snapshotAt = QPoint(snapshot.left, snapshot.top);
    m_source = QImage(kSource, kSource, QImage::Format_RGB32);
    m_source.fill(Qt::black);
}

void OverlayScene::dirty(const QRect& rect) const {
    if (onDirty && !rect.isEmpty()) onDirty(rect);
}

QRect OverlayScene::outlineBounds() const {
    if (!m_outline) return {};
    const QRect r = QRect(m_outline->first, m_outline->second).normalized();
    return r.adjusted(-kOutlineWidth, -kOutlineWidth, kOutlineWidth, kOutlineWidth);
}

QRect OverlayScene::viewRect() const {
    return {m_viewAt, QSize(kView, kView)};
}

QRect OverlayScene::sourceRect() const {
    return {m_sourceAt, QSize(kSource, kSource)};
}

void OverlayScene::clearFigures() {
    dirty(outlineBounds());
    m_outline.reset();
}

void OverlayScene::setOutline(QPoint from, QPoint to) {
    dirty(outlineBounds());
    m_outline = std::make_pair(from, to);
    dirty(outlineBounds());
}

void OverlayScene::showHint(const QString& text, const QRect& rect) {
    if (m_hint) dirty(m_hint->second);
    m_hint = std::make_pair(text, rect);
    dirty(rect);
}

void OverlayScene::hideHint() {
    if (m_hint) dirty(m_hint->second);
    m_hint.reset();
}

void OverlayScene::setMagnifierVisible(bool visible) {
    m_magnifierVisible = visible;
    dirty(viewRect());
    dirty(sourceRect());
}

void OverlayScene::moveSource(QPoint at) {
    dirty(sourceRect());
    m_sourceAt = at;
    dirty(sourceRect());
}

void OverlayScene::updateMagnifier(QPoint viewAt, QPoint sourceAt) {
    // The block as the canvas holds it now: snapshot and outline, black beyond the monitors.
    m_source.fill(Qt::black);
    {
        QPainter painter(&m_source);
        painter.translate(-sourceAt.x(), -sourceAt.y());
        painter.drawImage(m_snapshotAt, m_snapshot);
        drawOutline(painter);
        painter.resetTransform();
        painter.setPen(QPen(QColor(255, 0, 0), 1));
        painter.drawLine(0, 10, kSource, 10);
        painter.drawLine(10, 0, 10, kSource);
    }
    // Nearest neighbour: each source pixel stays a crisp block.
    m_view = m_source.scaled(kView, kView, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    dirty(viewRect());
    m_viewAt = viewAt;
    dirty(viewRect());
    dirty(sourceRect());
}

void OverlayScene::drawOutline(QPainter& painter) const {
    if (!m_outline) return;
    painter.setPen(outlinePen());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(m_outline->first, m_outline->second).normalized());
}

void OverlayScene::paint(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::black);
    painter.drawImage(m_snapshotAt, m_snapshot);
    drawOutline(painter);
    if (m_magnifierVisible) {
        painter.drawImage(m_sourceAt, m_source);
        painter.drawImage(m_viewAt, m_view);
    }
    if (m_hint) paintHint(painter, m_hint->first, m_hint->second);
}

void OverlayScene::paintHint(QPainter& painter, const QString& text, const QRect& rect) {
    painter.fillRect(rect, kHintBackground);
    QFont font;
    font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(kHintPixelSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, text);
}

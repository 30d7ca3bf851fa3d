#include "platform/qt/overlay/overlay_widget.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>

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

OverlayWidget::OverlayWidget(const platform::ScreenImage& snapshot, platform::OverlayEvents& events)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_snapshot(reinterpret_cast<const uchar*>(snapshot.pixels.data()), snapshot.width,
                 snapshot.height, qsizetype(snapshot.width) * 4, QImage::Format_RGB32),
      m_events(events) {
    setWindowTitle(QStringLiteral("Ozmira"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    m_source = QImage(kSource, kSource, QImage::Format_RGB32);
    m_source.fill(Qt::black);
}

void OverlayWidget::open() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) setGeometry(screen->geometry());
    m_active = true;
    m_events.onOpened();
    showFullScreen();
    if (QWindow* window = windowHandle()) window->installEventFilter(this);
    raise();
    activateWindow();
    setFocus();
    // The grab needs a mapped window; Esc must work even if the window manager keeps the
    // focus elsewhere.
    QTimer::singleShot(0, this, [this] {
        if (m_active) grabKeyboard();
    });
}

void OverlayWidget::dismiss() {
    if (!m_active) return;
    m_active = false;
    releaseKeyboard();
    hide();
    finish();
}

void OverlayWidget::finish() {
    if (onClosed) {
        auto closed = std::move(onClosed);
        onClosed = nullptr;
        closed();
    }
}

QPoint OverlayWidget::physical(QPointF logical) const {
    const qreal ratio = devicePixelRatioF();
    return {int(std::floor(logical.x() * ratio)), int(std::floor(logical.y() * ratio))};
}

void OverlayWidget::dirty(const QRect& physicalRect) {
    if (physicalRect.isEmpty()) return;
    const qreal ratio = devicePixelRatioF();
    const QRectF r(physicalRect.x() / ratio, physicalRect.y() / ratio, physicalRect.width() / ratio,
                   physicalRect.height() / ratio);
    update(r.toAlignedRect());
}

QRect OverlayWidget::outlineBounds() const {
    if (!m_outline) return {};
    const QRect r = QRect(m_outline->first, m_outline->second).normalized();
    return r.adjusted(-kOutlineWidth, -kOutlineWidth, kOutlineWidth, kOutlineWidth);
}

QRect OverlayWidget::viewRect() const {
    return {m_viewAt, QSize(kView, kView)};
}

QRect OverlayWidget::sourceRect() const {
    return {m_sourceAt, QSize(kSource, kSource)};
}

void OverlayWidget::clearFigures() {
    dirty(outlineBounds());
    m_outline.reset();
}

void OverlayWidget::setOutline(QPoint from, QPoint to) {
    dirty(outlineBounds());
    m_outline = std::make_pair(from, to);
    dirty(outlineBounds());
}

void OverlayWidget::showHint(const QString& text, const QRect& rect) {
    if (m_hint) dirty(m_hint->second);
    m_hint = std::make_pair(text, rect);
    dirty(rect);
}

void OverlayWidget::hideHint() {
    if (m_hint) dirty(m_hint->second);
    m_hint.reset();
}

void OverlayWidget::setMagnifierVisible(bool visible) {
    m_magnifierVisible = visible;
    dirty(viewRect());
    dirty(sourceRect());
}

void OverlayWidget::moveSource(QPoint at) {
    dirty(sourceRect());
    m_sourceAt = at;
    dirty(sourceRect());
}

void OverlayWidget::updateMagnifier(QPoint viewAt, QPoint sourceAt) {
    // The block as the canvas holds it now: snapshot and outline, black beyond the screen.
    m_source.fill(Qt::black);
    {
        QPainter painter(&m_source);
        painter.translate(-sourceAt.x(), -sourceAt.y());
        painter.drawImage(QPoint(0, 0), m_snapshot);
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

void OverlayWidget::drawOutline(QPainter& painter) const {
    if (!m_outline) return;
    painter.setPen(outlinePen());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(m_outline->first, m_outline->second).normalized());
}

void OverlayWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    // From here on one unit is one physical pixel.
    painter.scale(1 / ratio, 1 / ratio);
    painter.fillRect(QRect(QPoint(0, 0), size() * ratio), Qt::black);
    painter.drawImage(QPoint(0, 0), m_snapshot);
    drawOutline(painter);
    if (m_magnifierVisible) {
        painter.drawImage(m_sourceAt, m_source);
        painter.drawImage(m_viewAt, m_view);
    }
    if (m_hint) {
        painter.fillRect(m_hint->second, kHintBackground);
        QFont font;
        font.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                          QStringLiteral("Noto Sans CJK SC")});
        font.setPixelSize(kHintPixelSize);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(m_hint->second, Qt::AlignLeft | Qt::AlignVCenter, m_hint->first);
    }
}

// The pointer is read from the window's own events: they carry it to the device pixel,
// while the copies the widget gets are rounded to whole logical pixels, which on a display
// scaled by 2 would move every odd corner by one pixel.
bool OverlayWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && m_active) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                pressed(*static_cast<QMouseEvent*>(event));
                break;
            case QEvent::MouseButtonRelease:
                released(*static_cast<QMouseEvent*>(event));
                break;
            case QEvent::MouseMove:
                moved(*static_cast<QMouseEvent*>(event));
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OverlayWidget::pressed(const QMouseEvent& event) {
    const QPoint at = physical(event.position());
    if (event.button() == Qt::LeftButton) m_events.onLeftPress(at.x(), at.y());
    if (event.button() == Qt::RightButton) m_events.onRightPress(at.x(), at.y());
}

void OverlayWidget::released(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    const QPoint at = physical(event.position());
    m_events.onLeftRelease(at.x(), at.y());
}

void OverlayWidget::moved(const QMouseEvent& event) {
    const QPoint at = physical(event.position());
    m_events.onMove(at.x(), at.y());
}

void OverlayWidget::keyPressEvent(QKeyEvent* event) {
    if (m_active && event->key() == Qt::Key_Escape) m_events.onEscape();
}

void OverlayWidget::closeEvent(QCloseEvent* event) {
    // The window manager closed it (Alt+F4 and the like): that is a cancel.
    event->accept();
    m_active = false;
    releaseKeyboard();
    finish();
}

#pragma once
// The full-screen window of the region selector. It paints in physical pixels, whatever
// the device pixel ratio, so that one pixel of the snapshot is one pixel of the screen and
// the coordinates it reports are those of a capture rectangle.
#include <QImage>
#include <QMouseEvent>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/overlay.h"

class OverlayWidget : public QWidget {
public:
    // The snapshot must outlive the widget: its pixels are shown without a copy.
    OverlayWidget(const platform::ScreenImage& snapshot, platform::OverlayEvents& events);

    // Called once when the window goes away, whoever closed it.
    std::function<void()> onClosed;

    // Covers the primary screen and takes the keyboard.
    void open();
    // Hides the window without reporting input any more.
    void dismiss();

    void clearFigures();
    void setOutline(QPoint from, QPoint to);
    void showHint(const QString& text, const QRect& rect);
    void hideHint();
    void setMagnifierVisible(bool visible);
    void updateMagnifier(QPoint viewAt, QPoint sourceAt);
    void moveSource(QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void pressed(const QMouseEvent& event);
    void released(const QMouseEvent& event);
    void moved(const QMouseEvent& event);
    QPoint physical(QPointF logical) const;
    // Schedules a repaint of a rectangle given in physical pixels.
    void dirty(const QRect& physicalRect);
    QRect outlineBounds() const;
    QRect viewRect() const;
    QRect sourceRect() const;
    void drawOutline(QPainter& painter) const;
    void finish();

    QImage m_snapshot;
    platform::OverlayEvents& m_events;
    bool m_active = false;
    std::optional<std::pair<QPoint, QPoint>> m_outline;
    std::optional<std::pair<QString, QRect>> m_hint;
    bool m_magnifierVisible = false;
    QPoint m_viewAt;
    QPoint m_sourceAt;
    QImage m_source;
    QImage m_view;
};

#pragma once
// What the region selector's windows show, in screen coordinates (physical pixels, origin at
// the primary monitor's top-left): the frozen snapshot of the desktop and the figures drawn
// over it. Each window paints its own part; a figure that changes reports the area to repaint.
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

#include "platform/screen.h"

class OverlayScene {
public:
    // The snapshot must outlive the scene: its pixels are shown without a copy.
    explicit OverlayScene(const platform::ScreenImage& snapshot);
    // A scene whose snapshot comes later (windows put up before it was taken).
    OverlayScene() = default;
    void setSnapshot(const platform::ScreenImage& snapshot);

    // Told every area (screen coordinates) that must be painted again.
    std::function<void(const QRect&)> onDirty;

    void clearFigures();
    void setOutline(QPoint from, QPoint to);
    void showHint(const QString& text, const QRect& rect);
    void hideHint();
    void setMagnifierVisible(bool visible);
    void updateMagnifier(QPoint viewAt, QPoint sourceAt);
    void moveSource(QPoint at);

    // Paints everything onto a painter whose units are screen pixels.
    void paint(QPainter& painter, const QRect& area) const;
    // The hint label alone, as paint() draws it.
    static void paintHint(QPainter& painter, const QString& text, const QRect& rect);

private:
    void dirty(const QRect& rect) const;
    QRect outlineBounds() const;
    QRect viewRect() const;
    QRect sourceRect() const;
    void drawOutline(QPainter& painter) const;

    QImage m_snapshot;
    QPoint m_snapshotAt;
    std::optional<std::pair<QPoint, QPoint>> m_outline;
    std::optional<std::pair<QString, QRect>> m_hint;
    bool m_magnifierVisible = false;
    QPoint m_viewAt;
    QPoint m_sourceAt;
    QImage m_source;
    QImage m_view;
};

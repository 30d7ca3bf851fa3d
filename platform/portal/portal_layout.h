#pragma once
// Where each output of a Wayland desktop lies in the portal's picture and in screen
// coordinates. The picture holds the whole layout at one scale (the largest output's), while
// screen coordinates count each output in its own device pixels: an output at scale 1 beside
// one at scale 2 is upscaled in the picture and scaled back here. Screen coordinates keep the
// layout's order: along each axis a stretch of the layout counts at the largest scale of the
// outputs that share it, from the primary output's corner at 0, 0, so outputs side by side
// touch there as they do in the layout and no two overlap.
#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

#include "platform/screen.h"

class PortalLayout {
public:
    struct Output {
        QString name;
        QRect logical;  // in the compositor's layout
        qreal ratio = 1;
        bool primary = false;
    };

    // With no outputs (no GUI application), the picture is one monitor at 0, 0.
    PortalLayout(const std::vector<Output>& outputs, QSize picture);

    const std::vector<platform::Monitor>& monitors() const { return m_monitors; }
    // The desktop in screen coordinates: each monitor's part of the picture at its own
    // pixels, black where no monitor is; `origin` gets the screen point of its corner.
    QImage desktop(const QImage& picture, QPoint& origin) const;

private:
    std::vector<platform::Monitor> m_monitors;
    std::vector<QRect> m_sources;  // each monitor's part of the picture
};

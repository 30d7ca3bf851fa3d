#include "platform/portal/portal_layout.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace {

// Maps a layout coordinate along one axis to screen pixels: each stretch between output
// edges counts at the largest scale of the outputs spanning it (1 where none does).
class Axis {
public:
    using Span = std::function<std::pair<int, int>(const PortalLayout::Output&)>;

    Axis(const std::vector<PortalLayout::Output>& outputs, const Span& span) {
        for (const auto& o : outputs) {
            m_scale[span(o).first];
            m_scale[span(o).second];
        }
        for (auto it = m_scale.begin(); it != m_scale.end(); ++it) {
            for (const auto& o : outputs)
                if (span(o).first <= it->first && it->first < span(o).second)
                    it->second = std::max(it->second, o.ratio);
            if (it->second == 0) it->second = 1;
        }
    }
    // Screen pixels from `from` to `to` in the layout.
    qreal between(int from, int to) const {
        if (to < from) return -between(to, from);
        qreal sum = 0;
        for (auto it = m_scale.begin(); it != m_scale.end(); ++it) {
            const auto next = std::next(it);
            const int end = next == m_scale.end() ? it->first : next->first;
            const int a = std::max(from, it->first), b = std::min(to, end);
            if (b > a) sum += (b - a) * it->second;
        }
        return sum;
    }

private:
    std::map<int, qreal> m_scale;  // a stretch's start and scale
};

int toPixels(qreal value) {
    return int(std::lround(value));
}

}  // namespace

PortalLayout::PortalLayout(const std::vector<Output>& outputs, QSize picture) {
    QRect all;
    for (const Output& o : outputs) all |= o.logical;
    const auto primary =
        std::find_if(outputs.begin(), outputs.end(), [](const Output& o) { return o.primary; });
    if (all.isEmpty() || primary == outputs.end()) {
        m_monitors.push_back({"", 0, 0, picture.width(), picture.height(), true});
        m_sources.push_back(QRect(QPoint(), picture));
        return;
    }
    const qreal scale = qreal(picture.width()) / all.width();
    const Axis x(outputs, [](const Output& o) {
        return std::pair(o.logical.left(), o.logical.left() + o.logical.width());
    });
    const Axis y(outputs, [](const Output& o) {
        return std::pair(o.logical.top(), o.logical.top() + o.logical.height());
    });
    for (const Output& o : outputs) {
        const QRect& g = o.logical;
        m_monitors.push_back(
            {o.name.toStdString(), toPixels(x.between(primary->logical.left(), g.left())),
             toPixels(y.between(primary->logical.top(), g.top())), toPixels(g.width() * o.ratio),
             toPixels(g.height() * o.ratio), o.primary});
        const QPoint at = g.topLeft() - all.topLeft();
        m_sources.push_back(QRect(toPixels(at.x() * scale), toPixels(at.y() * scale),
                                  toPixels(g.width() * scale), toPixels(g.height() * scale)));
    }
}

QImage PortalLayout::desktop(const QImage& picture, QPoint& origin) const {
    QRect box;
    for (const platform::Monitor& m : m_monitors) box |= QRect(m.left, m.top, m.width, m.height);
    origin = box.topLeft();
    QImage out(box.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (std::size_t i = 0; i < m_monitors.size(); ++i) {
        const platform::Monitor& m = m_monitors[i];
        QImage part = picture.copy(m_sources[i]);
        if (part.size() != QSize(m.width, m.height))
            part = part.scaled(m.width, m.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(QPoint(m.left, m.top) - origin, part);
    }
    return out;
}

#pragma once
// The region selector's hint as a small window of its own over a frozen screen: it can be on
// the screen before the snapshot is in, while the big windows still show the frozen screen
// unpainted. Unmanaged, above the overlay's windows (mapped after them) and transparent to
// input, so the pointer and the cross cursor stay the big window's beneath it.
#include <QRect>
#include <QString>
#include <QWidget>

#include "platform/screen.h"

class QScreen;

class HintWindow : public QWidget {
public:
    HintWindow();

    // Shows the label (rect in screen coordinates) on the screen that shows the monitor and
    // paints it at once; false when the window system did not let it.
    bool showAt(QScreen* screen, const platform::Monitor& monitor, const QString& text,
                const QRect& rect);
    bool showing(const QString& text, const QRect& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QRect m_rect;
};

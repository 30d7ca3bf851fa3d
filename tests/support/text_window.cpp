// A window of known text for the offline recognition tests. Usage:
//   text_window X Y WIDTH HEIGHT PIXELS PNG-FILE LINE...
// It shows the lines, black on white in a CJK sans font of PIXELS pixels, in a frameless
// window at X, Y (the window manager does not move it), saves what it shows to PNG-FILE,
// prints "ready" and stays until its standard input closes.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

#include <cstdio>

namespace {

class TextWindow : public QWidget {
public:
    TextWindow(QStringList lines, int pixels)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                               Qt::WindowStaysOnTopHint),
          m_lines(std::move(lines)) {
        m_font.setFamily("Noto Sans CJK SC");
        m_font.setPixelSize(pixels);
    }
    void paintTo(QPainter& p) {
        p.fillRect(rect(), Qt::white);
        p.setPen(Qt::black);
        p.setFont(m_font);
        const int step = m_font.pixelSize() * 2;
        for (int i = 0; i < m_lines.size(); ++i)
            p.drawText(12, 8 + step * i + m_font.pixelSize(), m_lines[i]);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintTo(p);
    }

private:
    QStringList m_lines;
    QFont m_font;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 8) return 2;
    QStringList lines;
    for (int i = 7; i < argc; ++i) lines << QString::fromUtf8(argv[i]);
    TextWindow window(lines, atoi(argv[5]));
    window.setGeometry(atoi(argv[1]), atoi(argv[2]), atoi(argv[3]), atoi(argv[4]));
    window.show();
    QImage image(window.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    window.paintTo(painter);
    painter.end();
    image.save(QString::fromUtf8(argv[6]), "PNG");
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) app.quit();
    });
    // Shown and painted once the event loop has run a little.
    QTimer::singleShot(700, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return app.exec();
}

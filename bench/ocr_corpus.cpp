#include "ocr_corpus.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace {

const char* const kFamilies[] = {"Noto Sans CJK SC", "Noto Serif CJK SC", "DejaVu Sans",
                                 "DejaVu Serif"};
const int kSizes[] = {11, 12, 14, 16, 18};

// Light: black on white. Dark: the light grey on near-black of a dark editor theme.
const QColor kLightInk(0, 0, 0), kLightPaper(255, 255, 255);
const QColor kDarkInk(220, 220, 220), kDarkPaper(30, 30, 30);

}  // namespace

const std::vector<std::string>& OcrCorpus::chinese() {
    static const std::vector<std::string> lines{
        "离线识别：屏幕上的文字",       "请选择一个区域，然后松开鼠标。",
        "设置已保存，下次启动时生效。", "文件（导出1）已经写入完毕！",
        "网络连接失败，请稍后再试。",   "今天的天气很好，我们去公园散步吧。",
        "识别结果会复制到剪贴板中",     "状态：识别完毕",
    };
    return lines;
}

const std::vector<std::string>& OcrCorpus::english() {
    static const std::vector<std::string> lines{
        "Offline text, read on this machine",
        "The quick brown fox jumps over the lazy dog.",
        "Settings saved: restart to apply (version 3.9).",
        "Error 404: file not found; try again!",
        "Copy the result to the clipboard",
        "Recognition finished in 120 ms",
        "Press Ctrl+Shift+F to capture a region",
        "Email: user@example.com, phone 555-0100",
    };
    return lines;
}

const std::vector<std::string>& OcrCorpus::mixed() {
    static const std::vector<std::string> lines{
        "使用Linux系统的用户可以直接识别",   "版本3.9已经发布，支持Wayland桌面",
        "请安装tesseract-ocr-chi-sim语言包", "点击OK按钮保存设置",
        "共有25个文件，总大小1.5 MB",        "在Qt 6窗口中显示识别结果",
        "快捷键Ctrl+Alt+A：截图识别",        "Python和C++都可以调用这个接口",
    };
    return lines;
}

CorpusRegion OcrCorpus::render(const std::string& family, int pixels, bool dark, int scale,
                               std::vector<std::string> lines, int width, int height) {
    QFont font(QString::fromStdString(family));
    font.setPixelSize(pixels * scale);
    const QFontMetrics metrics(font);
    const int step = metrics.height() + pixels * scale / 2;
    const int margin = 8 * scale;
    int textWidth = 0;
    for (const std::string& l : lines)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(QString::fromStdString(l)));
    if (width <= 0) width = textWidth + 2 * margin;
    if (height <= 0) height = step * static_cast<int>(lines.size()) + 2 * margin;

    QImage image(width, height, QImage::Format_RGB32);
    image.fill(dark ? kDarkPaper : kLightPaper);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(dark ? kDarkInk : kLightInk);
    const int top = (height - step * static_cast<int>(lines.size())) / 2;
    for (std::size_t i = 0; i < lines.size(); ++i)
        painter.drawText(margin, top + step * static_cast<int>(i) + metrics.ascent(),
                         QString::fromStdString(lines[i]));
    painter.end();

    CorpusRegion region;
    region.description = family + " " + std::to_string(pixels) + " px, " +
                         (dark ? "dark" : "light") + ", scale " + std::to_string(scale);
    region.pixels = pixels;
    region.dark = dark;
    region.scale = scale;
    region.truth = std::move(lines);
    region.image.width = width;
    region.image.height = height;
    region.image.pixels.resize(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::copy(row, row + width, region.image.pixels.begin() + std::size_t(y) * width);
    }
    return region;
}

std::vector<CorpusRegion> OcrCorpus::regions() {
    std::vector<CorpusRegion> all;
    std::size_t turn = 0;
    for (const char* family : kFamilies)
        for (int pixels : kSizes)
            for (bool dark : {false, true})
                for (int scale : {1, 2}) {
                    const std::size_t k = turn++;
                    CorpusRegion r =
                        render(family, pixels, dark, scale,
                               {chinese()[k % chinese().size()], english()[k % english().size()],
                                mixed()[k % mixed().size()]});
                    r.kinds = {"Chinese", "English", "mixed"};
                    all.push_back(std::move(r));
                }
    return all;
}

CorpusRegion OcrCorpus::single(const std::string& line, int pixels, int width, int height) {
    return render("Noto Sans CJK SC", pixels, false, 1, {line}, width, height);
}

// The offline kind of the recognition workflow: the capture goes to the engine on this
// machine as pixels (a JPEG would blur the small letters), and its lines go where the
// cloud's text goes.
#include "app/control_names.h"
#include "capture/bmp_image.h"
#include "capture/offline_recognizer.h"
#include "capture/recognition_workflow.h"

namespace {

// The pixels of a snapshot's rectangle, or an empty image when it does not lie inside.
platform::ScreenImage cut(const SnapshotArea& a) {
    const platform::ScreenImage& from = *a.pixels;
    platform::ScreenImage image;
    if (!a.inside()) return image;
    image.width = a.width;
    image.height = a.height;
    image.pixels.reserve(std::size_t(a.width) * a.height);
    for (int y = a.top; y < a.top + a.height; ++y) {
        const auto row = from.pixels.begin() + std::ptrdiff_t(y) * from.width + a.left;
        image.pixels.insert(image.pixels.end(), row, row + a.width);
    }
    return image;
}

}  // namespace

int RecognitionWorkflow::runOffline(RecognitionJob& job) {
    platform::ScreenImage image;
    const bool decoded = job.area.pixels
                             ? !(image = cut(job.area)).empty()
                             : job.image && BmpImage::decode(*job.image, image) && !image.empty();
    job.area.pixels.reset();
    if (stopped(job)) return 0;
    m_status.setText("状态：截图识别中……");
    if (!decoded) {
        m_status.setText("状态：截图为空");
        return 0;
    }
    if (!m_offline) {
        m_status.setText("状态：离线识别引擎无法启动");
        return 0;
    }
    const OfflineResult result = m_offline->recognize(image, m_form.selectedIndex(ctl::组合框文字));
    if (stopped(job)) return 0;
    if (!result.ok) {
        m_status.setText(result.status);
        return 0;
    }
    const Text separator = m_form.checked(ctl::选择框文本合并) ? Text() : Text("\r\n");
    Text text;
    for (const Text& line : result.lines) text += line + separator;
    showText(job, text);
    if (!stopped(job)) m_status.setText("状态：识别完毕");
    return 0;
}

#include "capture/recognition_workflow.h"

#include "app/control_names.h"
#include "capture/image_encoder.h"
#include "capture/kept_buffer.h"
#include "json/json_document.h"

RecognitionWorkflow::RecognitionWorkflow(AppState& state, platform::Form& form,
                                         platform::Clipboard& clipboard, OcrClient& ocr,
                                         Deliver deliver)
    : m_state(state),
      m_form(form),
      m_clipboard(clipboard),
      m_ocr(ocr),
      m_deliver(std::move(deliver)),
      m_status(form),
      m_table(form) {}

Bytes RecognitionWorkflow::encode(const RecognitionJob& job) {
    Bytes jpeg;
    if (const SnapshotArea& a = job.area; a.pixels)
        ImageEncoder::Convert(*a.pixels, a.left, a.top, a.width, a.height, ImageFormat::Jpeg, jpeg);
    else if (job.image)
        ImageEncoder::Convert(*job.image, ImageFormat::Jpeg, jpeg);
    return jpeg;
}

int RecognitionWorkflow::run(RecognitionJob job) {
    if (job.kind == static_cast<int>(RecognitionKind::Offline)) return runOffline(job);
    thread_local Bytes jpeg;
    const KeptBuffer kept(jpeg);
    if (job.jpeg)
        job.jpeg->take(jpeg);
    else
        jpeg = encode(job);
    job.jpeg.reset();
    // A whole snapshot is megabytes; the wait for the reply can be long.
    job.area.pixels.reset();
    job.image.reset();
    if (stopped(job)) return 0;
    m_status.setText("状态：截图识别中……");
    if (jpeg.empty()) {
        m_status.setText("状态：截图为空");
        return 0;
    }
    JsonDocument json;
    json.Parse(job.languageCode ? m_ocr.Recognize(jpeg, job.kind, job.service, *job.languageCode)
                                : m_ocr.Recognize(jpeg, job.kind, job.service));
    if (stopped(job)) return 0;
    // No reply at all, or a reply without "words_result", is a failed recognition: what the
    // user had in the window, the clipboard and the target fields stays.
    if (json.TypeOf("words_result") == JsonKind::Null) {
        reportFailure(job, json);
        return 0;
    }
    if (job.kind < 6)
        textBranch(job, json);
    else
        cardBranch(job, json);
    if (!stopped(job)) m_status.setText("状态：识别完毕");
    return 0;
}

void RecognitionWorkflow::reportFailure(const RecognitionJob& job, const JsonDocument& json) {
    if (stopped(job)) return;
    const Text message = json.GetText("error_msg");
    m_status.setText(message.empty() ? Text("状态：识别失败") : "状态：识别失败：" + message);
}

void RecognitionWorkflow::textBranch(const RecognitionJob& job, const JsonDocument& json) {
    const Text separator = m_form.checked(ctl::选择框文本合并) ? Text() : Text("\r\n");
    const int n = json.GetCount("words_result");
    Text text;
    for (int i = 0; i < n; ++i)
        text += json.GetText("words_result[" + text::fromInt(i) + "].words") + separator;
    showText(job, text);
}

void RecognitionWorkflow::showText(const RecognitionJob& job, const Text& text) {
    if (stopped(job)) return;
    if (m_deliver) m_deliver(text);
    if (stopped(job)) return;
    m_form.setText(ctl::编辑框_源, text);
    if (!stopped(job) && m_form.checked(ctl::选择框同步剪切板)) m_clipboard.setText(text);
}

void RecognitionWorkflow::cardBranch(const RecognitionJob& job, const JsonDocument& json) {
    std::vector<Text> names;
    json.MemberNames(names, "words_result");
    std::vector<ResultsTable::Field> fields;
    fields.reserve(names.size());
    for (const Text& name : names)
        fields.push_back({name, json.GetText("words_result." + name + ".words")});
    // Built here, written in one piece on the user-interface thread: two runs that finish
    // together cannot mix their rows, and a run stopped before its turn writes nothing.
    m_runOnUi([&] {
        if (!stopped(job)) m_table.showFields(fields);
    });
}

void RecognitionWorkflow::start(int kind) {
    RecognitionJob job;
    job.kind = kind;
    if (m_state.capturedArea.pixels)
        job.area = m_state.capturedArea;
    else
        job.image = m_state.capturedImage;
    job.service = m_state.snapshotService();
    if (job.kind != static_cast<int>(RecognitionKind::Offline)) {
        // Read here, on the user-interface thread: the worker then never waits for a window
        // that is busy coming back and repainting after the capture.
        job.languageCode = m_ocr.languageCodeFor(kind);
        // The pixels were read or cut a moment ago on this thread: it starts encoding them at
        // once, from the cache, and the worker joins in when it is awake; the window's own
        // steps (the preview, its return) come after.
        codec::Image view;
        std::shared_ptr<const void> pixels;
        if (const SnapshotArea& a = job.area; a.pixels) {
            if (ImageEncoder::PixelsOf(*a.pixels, a.left, a.top, a.width, a.height, view))
                pixels = a.pixels;
        } else if (job.image && ImageEncoder::PixelsOf(*job.image, view)) {
            pixels = job.image;
        }
        job.area = {};
        job.image.reset();
        job.jpeg = std::make_shared<ImageHandoff>(std::move(pixels), std::move(view));
    }
    {
        std::lock_guard<std::mutex> lock(m_lastMutex);
        m_last = job.stopped;
    }
    const std::shared_ptr<ImageHandoff> handoff = job.jpeg;
    m_workers.run([this, job = std::move(job)]() mutable {
        run(std::move(job));
        if (m_afterRun) m_afterRun();
    });
    if (handoff) handoff->help();
}

void RecognitionWorkflow::stopLast() {
    std::lock_guard<std::mutex> lock(m_lastMutex);
    if (m_last) m_last->store(true);
}
